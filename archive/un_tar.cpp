#include "archive/un_tar.h"

#include "archive/path_rules.h"
#include "archive/sparse_stream.h"
#include "archive/tar_time.h"
#include "platform/code_page.h"

#include <filesystem>
#include <map>

namespace palvex::archive {

namespace {

std::string lexicallyNormal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

// Whether the bytes are UTF-8 with at least one character beyond ASCII: what GNU tar and
// Python write on Linux, and what a CP437 name almost never is by chance.
bool isUtf8BeyondAscii(const std::string& text) {
    bool beyond = false;
    for (std::size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const int length = lead < 0x80                    ? 1
                           : lead >= 0xC2 && lead <= 0xDF ? 2
                           : lead >= 0xE0 && lead <= 0xEF ? 3
                           : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                          : 0;
        if (length == 0 || i + length > text.size())
            return false;
        for (int k = 1; k < length; ++k)
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        beyond = beyond || length > 1;
        i += length;
    }
    return beyond;
}

const char* notWrittenReason(char type) {
    switch (type) {
    case kTypeSymbolicLink:
        return "a symbolic link is not written";
    case '3':
        return "a character device is not written";
    case '4':
        return "a block device is not written";
    case '6':
        return "a FIFO is not written";
    default:
        return "an entry of this type is not written";
    }
}

} // namespace

std::string TUnTar::entryName(const std::string& stored) const {
    const bool utf8 = isUtf8BeyondAscii(stored);
    return normaliseStoredName(TranslateOemChar && !utf8 ? oemToAnsi(stored) : stored);
}

void TUnTar::formatStep(ByteStream& archive) {
    written_.clear();
    // Without a bound, a small archive of many links to one large file, or of one sparse file
    // that is nearly all hole, writes without end.
    bytesLeft_ = MaxUnpackedSize;
    try {
        selectedSize_ = 0;
        unpackedSize_ = 0;
        const std::vector<EntryRecord> entries = scan(archive);
        if (unpackedSize_ > MaxUnpackedSize)
            ErrorEvent("", "", volumeName_, error_code::OpenError,
                       "the archive unpacks to more than " + std::to_string(MaxUnpackedSize) +
                           " bytes");
        else if (!entries.empty())
            extractEntries(archive, entries);
    } catch (...) {
        // Whatever went wrong was reported where it happened.
    }
    written_.clear();
}

TUnTar::EntryRecord TUnTar::recordFor(TarEntry entry) const {
    EntryRecord record{kFile, 0, entry.headerOffset, {}, entryName(entry.name), {}};
    const char type = entry.type;
    const bool oldFolder = (type == kTypeFile || type == '\0') && !record.name.empty() &&
                           record.name.back() == '/' && entry.size == 0;
    const bool regular =
        type == kTypeFile || type == '\0' || type == kTypeContiguous || type == kTypeGnuSparse;
    if (!entry.problem.empty()) {
        record.kind = kRefused;
        record.reason = entry.problem;
    } else if (type == kTypeDirectory || type == kTypeGnuDumpDir || oldFolder) {
        record.kind = kFolder;
    } else if (type == kTypeHardLink) {
        record.kind = kHardLink;
    } else if (!regular) {
        record.kind = kRefused;
        record.reason = notWrittenReason(type);
    } else if (static_cast<std::uint64_t>(entry.fileSize()) > kMaxEntrySize) {
        record.kind = kRefused;
        record.reason = "it is larger than 4 GiB - 1 bytes, the most an entry may hold";
    }
    // The list holds every entry of the archive until the run ends: only what the extraction
    // pass reads is kept. A sparse map is read again when its file is written.
    entry.name = {};
    entry.problem = {};
    entry.fragments = {};
    if (record.kind != kHardLink)
        entry.linkName = {};
    record.entry = std::move(entry);
    return record;
}

std::vector<TUnTar::EntryRecord> TUnTar::scan(ByteStream& archive) {
    std::vector<EntryRecord> entries;
    TarEntryReader reader(archive);
    std::int64_t newestTime = 0;
    // What each file written so far holds, by output path, for the hard links that copy it.
    std::map<std::string, std::int64_t> fileSizes;
    TarEntry entry;
    for (TarStep step; !cancel_ && (step = reader.next(entry)) != TarStep::End;) {
        if (step == TarStep::Cut) {
            entries.push_back(
                {kCut, 0, entry.headerOffset, {}, entryName(entry.name), entry.problem});
            break;
        }
        if (entry.type == kTypeVolumeLabel)
            continue; // the archive's own label, no member
        const bool complete = entry.dataComplete;
        EntryRecord record = recordFor(std::move(entry));
        const bool chosen = selected(record.name);
        if (chosen) {
            newestTime = std::max(newestTime, record.entry.mtime);
            const std::string path = lexicallyNormal(outputPath(record.name));
            if (record.kind == kFile) {
                selectedSize_ += complete ? record.entry.fileSize() : 0;
                unpackedSize_ += record.entry.fileSize();
                fileSizes[path] = record.entry.fileSize();
            } else if (record.kind == kHardLink) {
                const std::string target = entryName(record.entry.linkName);
                const auto copied = target.empty()
                                        ? fileSizes.end()
                                        : fileSizes.find(lexicallyNormal(outputPath(target)));
                if (copied != fileSizes.end()) {
                    unpackedSize_ += copied->second;
                    fileSizes[path] = copied->second;
                }
            }
        }
        // A file cut short is found out while it is copied; anything else cut short ends here.
        const bool cutHere = !complete && !(chosen && record.kind == kFile);
        const std::string name = record.name;
        if (chosen)
            entries.push_back(std::move(record));
        if (cutHere) {
            entries.push_back({kCut, 0, 0, {}, name, "the archive ends inside this entry's data"});
            break;
        }
    }
    newestDate_ = PackFileDate(FileDateFromUnixTime(newestTime, TimeZone));
    return entries;
}

void TUnTar::extractEntries(ByteStream& archive, const std::vector<EntryRecord>& entries) {
    remainingBytes_ = totalBytes_ = selectedSize_;
    for (const EntryRecord& record : entries) {
        if (cancel_ || !extractEntry(archive, record))
            break;
    }
}

void TUnTar::extractCounted(ByteStream& source, std::int64_t size, std::uint32_t date,
                            bool& complete) {
    const int before = fileCount_;
    complete = extractFile(source, size, date);
    if (fileCount_ > before) {
        written_.insert(lexicallyNormal(OutPath));
        bytesLeft_ -= size;
    }
}

// The map was checked by the scan; read again here, it is held for this file only.
bool TUnTar::extractSparse(ByteStream& archive, const EntryRecord& record, std::uint32_t date) {
    TarEntryReader again(archive, record.entry.recordsOffset);
    TarEntry full;
    if (again.next(full) != TarStep::Entry || full.headerOffset != record.offset || !full.sparse ||
        !full.problem.empty()) {
        refuseEntry("its sparse map cannot be read again", record.entry.fileSize());
        return true;
    }
    SparseStream expanded(archive, full.fragmentsOffset, std::move(full.fragments), full.realSize);
    bool complete = true;
    extractCounted(expanded, full.realSize, date, complete);
    return complete;
}

bool TUnTar::extractEntry(ByteStream& archive, const EntryRecord& record) {
    EntryName = record.name;
    OutPath = outputPath(EntryName);
    currentFileName_ = OutPath;
    const TarEntry& entry = record.entry;
    const std::uint32_t date = PackFileDate(FileDateFromUnixTime(entry.mtime, TimeZone));
    if (!entry.warning.empty() && record.kind != kRefused && record.kind != kCut)
        WarningEvent(OutPath, entry.warning);
    switch (record.kind) {
    case kCut:
        ErrorEvent(OutPath.empty() ? archiveFile_ : OutPath, "", volumeName_, error_code::CrcError,
                   record.reason);
        return false;
    case kRefused:
        refuseEntry(record.reason, 0);
        return true;
    case kFolder:
        if (CreateStoredDirs && safeToWrite(EntryName, OutPath))
            createFolderWithParents(OutPath);
        return true;
    case kHardLink:
        if (safeToWrite(EntryName, OutPath))
            copyHardLink(record, date);
        return true;
    default:
        break;
    }
    if (!safeToWrite(EntryName, OutPath)) {
        skipFile(entry.fileSize());
        return true;
    }
    if (entry.sparse)
        return extractSparse(archive, record, date);
    archive.seek(entry.dataOffset, ByteStream::Origin::Begin);
    bool complete = true;
    extractCounted(archive, entry.size, date, complete);
    return complete;
}

// A hard link is written as a copy of the file it names, when this run wrote that file inside
// the extraction folder; a link to anything else would reach outside what was unpacked.
void TUnTar::copyHardLink(const EntryRecord& record, std::uint32_t date) {
    const std::string linkName = entryName(record.entry.linkName);
    const std::string target = linkName.empty() ? "" : lexicallyNormal(outputPath(linkName));
    if (target.empty() || written_.count(target) == 0) {
        refuseEntry("the hard link's target \"" + linkName + "\" was not extracted in this run", 0);
        return;
    }
    try {
        FileStream source(target, FileStream::Mode::OpenRead);
        if (source.size() > bytesLeft_) {
            refuseEntry(
                "the run would write more than " + std::to_string(MaxUnpackedSize) + " bytes", 0);
            return;
        }
        bool complete = true;
        extractCounted(source, source.size(), date, complete);
    } catch (const E_RAISE&) {
        throw;
    } catch (const Exception& error) {
        refuseEntry(error.what(), 0);
    }
}

} // namespace palvex::archive
