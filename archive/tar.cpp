#include "archive/tar.h"

#include "archive/entry_refusals.h"
#include "archive/gzip_file.h"
#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/code_page.h"
#include "platform/file_attributes.h"
#include "platform/file_operations.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace palvex::archive {

namespace {

constexpr std::int64_t kBlock = static_cast<std::int64_t>(kTarBlockSize);
constexpr std::int64_t kChunk = 131072;

std::int64_t roundUpToBlock(std::int64_t value) {
    return (value + kBlock - 1) / kBlock * kBlock;
}

} // namespace

TTar::TTar() {
    setDefaultExt(".tar");
}

void TTar::setArcType(TArcType) {
    arcType_ = atTar;
    if (!archiveFile_.empty() && extensionOf(archiveFile_).empty())
        archiveFile_ += DefaultExt();
}

void TTar::readArchiveEntries(ByteStream& archive) {
    std::int64_t offset = 0;
    archive.seek(0, ByteStream::Origin::Begin);
    while (ReadBlock(archive, header_.data(), kBlock) == kBlock && HeaderChecksumValid(header_)) {
        std::string name = ReadName(header_);
        if (TranslateOemChar)
            name = oemToAnsi(name);
        Entry entry;
        entry.name = normaliseStoredName(name);
        entry.isFolder = TypeFlag(header_) == kTypeDirectory;
        entry.attributes = entry.isFolder ? 0x10 : 0x20;
        entry.size = ParseOctal(header_, tar_field::size);
        entry.packedDate =
            PackFileDate(FileDateFromUnixTime(ParseOctal(header_, tar_field::mtime), TimeZone));
        entry.offset = offset;
        entry.state = Switch == swDelete && selectedForDelete(entry.name) ? EntryState::Drop
                                                                          : EntryState::Keep;
        entry.header = header_;
        entries_.push_back(std::move(entry));
        offset += kBlock + roundUpToBlock(entries_.back().size);
        archive.seek(offset, ByteStream::Origin::Begin);
    }
}

void TTar::writeBlock(ByteStream& output, const void* data, std::int64_t count) {
    bool written;
    try {
        written = output.write(data, count) == count;
    } catch (const E_RAISE&) {
        throw;
    } catch (const Exception&) {
        written = false; // a gathered write that failed when it went out
    }
    if (!written)
        RaiseError(currentFileName_, "", "0", writeFailureCode());
}

// OnBegin, then the stored name with OnRenameFile's say; false when the entry is skipped.
bool TTar::nameEntry(Entry& entry, std::string& stored) {
    const std::string offered = TranslateOemChar ? ansiToOem(entry.name) : entry.name;
    bool extract = true;
    const int position = static_cast<int>(&entry - entries_.data()) + 1;
    callHandler(OnBegin, offered, position, extract);
    if (!extract)
        return false;
    stored = storedName(entry);
    if (OnRenameFile) {
        std::string renamed;
        callHandler(OnRenameFile, stored, renamed);
        const bool unique = std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
            return &e != &entry && equalsNoCase(storedName(e), renamed);
        });
        if (!renamed.empty() && unique)
            stored = renamed;
    }
    currentFileName_ = stored;
    return true;
}

std::unique_ptr<FileStream> TTar::openSource(const Entry& entry) {
    // Gathering saw a regular file; whatever lies there now must be one too, or opening it
    // could block for ever (a FIFO put in its place) or follow a link.
    const std::uint32_t word = platform::attributeWord(entry.name);
    const char* refused = word == platform::attr::NoEntry              ? nullptr
                          : hasBit(word, platform::attr::ReparsePoint) ? refusal::Link
                          : !platform::isRegularFile(entry.name)       ? refusal::Special
                                                                       : nullptr;
    if (refused) {
        ErrorEvent(entry.name, refused, "0", error_code::OpenError);
        return nullptr;
    }
    try {
        return std::make_unique<FileStream>(entry.name, FileStream::Mode::OpenRead);
    } catch (const Exception&) {
        ErrorEvent(entry.name, "", "0", error_code::OpenError);
        return nullptr;
    }
}

void TTar::writeEntryHeader(const std::string& stored, bool folder, std::int64_t size,
                            std::uint32_t packedDate, ByteStream& output) {
    TarEntryHeader fields;
    fields.storedName = TranslateOemChar ? ansiToOem(stored) : stored;
    fields.isDirectory = folder;
    fields.size = static_cast<std::uint32_t>(size);
    fields.mtime = UnixTimeFromFileDate(UnpackFileDate(packedDate), TimeZone);
    fields.uid = UnixUID;
    fields.gid = UnixGID;
    WriteHeader(header_, fields, UnixUName, UnixGName);
    writeBlock(output, header_.data(), kBlock);
}

// Copies exactly size bytes; false when cancelled or when the file is not that long any more.
bool TTar::copyData(Entry& entry, FileStream& source, std::int64_t size, ByteStream& output) {
    std::vector<char> buffer(
        static_cast<std::size_t>(std::min(std::max<std::int64_t>(size, 1), kChunk)));
    std::int64_t done = 0;
    while (done < size) {
        serviceMessages();
        if (cancel_)
            return false;
        const std::int64_t got = ReadBlock(source, buffer.data(), std::min(kChunk, size - done));
        if (got <= 0) {
            // Zeros in its place would be stored as if they were the picture.
            ErrorEvent(entry.name, refusal::SizeChanged, "0", error_code::WriteError);
            return false;
        }
        writeBlock(output, buffer.data(), got);
        done += got;
        remainingBytes_ -= got;
        progressStep(size, done);
    }
    if (source.size() != size) {
        ErrorEvent(entry.name, refusal::SizeChanged, "0", error_code::WriteError);
        return false;
    }
    if (size % kBlock != 0) {
        const std::vector<char> zeros(static_cast<std::size_t>(kBlock - size % kBlock), '\0');
        writeBlock(output, zeros.data(), static_cast<std::int64_t>(zeros.size()));
    }
    return true;
}

// A date the header cannot carry is stored as the nearest one it can, and the user told so.
void TTar::warnOfMovedDate(const Entry& entry, std::uint32_t packedDate) {
    if (NearestHeaderTime(entry.modified, TimeZone) == entry.modified)
        return;
    const DateTime stored = UnpackFileDate(packedDate);
    char text[96];
    std::snprintf(
        text, sizeof text,
        "a tar header cannot hold its date; it is stored as %04d-%02d-%02d %02d:%02d:%02d",
        stored.year, stored.month, stored.day, stored.hour, stored.minute, stored.second);
    WarningEvent(entry.name, text);
}

bool TTar::writeNewEntry(Entry& entry, ByteStream& output) {
    std::string stored;
    if (!nameEntry(entry, stored))
        return true;
    std::unique_ptr<FileStream> source;
    std::int64_t size = 0;
    std::uint32_t packedDate = entry.packedDate;
    if (!entry.isFolder) {
        source = openSource(entry);
        if (!source)
            return true;
        size = source->size();
        if (static_cast<std::uint64_t>(size) > kMaxEntrySize) {
            ErrorEvent(entry.name, refusal::TooLarge, "0", error_code::WriteError);
            return true;
        }
        entry.modified = platform::modificationTime(source->descriptor());
        packedDate = selectDate(
            PackFileDate(LocalFromUtc(NearestHeaderTime(entry.modified, TimeZone), TimeZone)));
    }
    if (entry.isFolder || DateAttribute == daFileDate)
        warnOfMovedDate(entry, packedDate);
    try {
        entry.offset = output.position();
        writeEntryHeader(stored, entry.isFolder, size, packedDate, output);
        if (source && !copyData(entry, *source, size, output))
            return false;
    } catch (const E_RAISE&) {
        return false;
    }
    entry.header = header_;
    entry.size = size;
    ++written_;
    return true;
}

void TTar::copyBytes(ByteStream& from, ByteStream& to, std::int64_t count) {
    std::vector<char> buffer(
        static_cast<std::size_t>(std::min(std::max<std::int64_t>(count, 1), kChunk)));
    while (count > 0) {
        const std::int64_t got = ReadBlock(from, buffer.data(), std::min(kChunk, count));
        if (got <= 0)
            break;
        writeBlock(to, buffer.data(), got);
        count -= got;
    }
}

void TTar::copyCarriedEntry(const Entry& entry, ByteStream& old, ByteStream& output) {
    if (entry.state == EntryState::Keep) {
        old.seek(entry.offset, ByteStream::Origin::Begin);
        copyBytes(old, output, kBlock + roundUpToBlock(entry.size));
        return;
    }
    TarHeader renamed = entry.header.value_or(TarHeader{});
    std::fill_n(renamed.begin() + tar_field::name.offset, tar_field::name.width, 0);
    const std::string name =
        HeaderName(TranslateOemChar ? ansiToOem(entry.newName) : entry.newName, entry.isFolder);
    std::memcpy(renamed.data(), name.data(), std::min(name.size(), tar_field::name.width));
    const std::string sum = FormatOctal(HeaderChecksum(renamed), tar_field::chksum.width);
    std::memcpy(renamed.data() + tar_field::chksum.offset, sum.data(), sum.size());
    writeBlock(output, renamed.data(), kBlock);
    old.seek(entry.offset + kBlock, ByteStream::Origin::Begin);
    copyBytes(old, output, roundUpToBlock(entry.size));
}

// Two zero blocks end a tar for every reader (a lone one makes GNU tar warn), then zeros fill
// the last record. A reader that steps over zero blocks reads the archive the same.
void TTar::endArchive(ByteStream& output) {
    const std::int64_t size = output.position() + 2 * kBlock;
    const std::int64_t record = static_cast<std::int64_t>(kTarRecordSize);
    const std::vector<char> zeros(
        static_cast<std::size_t>(2 * kBlock + (record - size % record) % record), '\0');
    writeBlock(output, zeros.data(), static_cast<std::int64_t>(zeros.size()));
}

void TTar::finishGzip() {
    try {
        gzipFile(archiveFile_, archiveFile_ + ".gz");
    } catch (const Exception&) {
        ErrorEvent(archiveFile_ + ".gz", "", "0", writeFailureCode());
        throw;
    }
}

} // namespace palvex::archive
