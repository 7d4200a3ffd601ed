#include "archive/un_tar.h"

#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/code_page.h"

namespace palvex::archive {

namespace {

constexpr std::int64_t kBlock = static_cast<std::int64_t>(kTarBlockSize);
constexpr std::uint32_t kKindFolder = 16;
constexpr std::uint32_t kKindFile = 128;
// Sizes are taken as signed 32-bit numbers; from 2 GiB on they cannot be copied.
constexpr std::uint32_t kLargestEntry = 0x7FFFFFFF;

std::int64_t roundUpToBlock(std::int64_t value) {
    return (value + kBlock - 1) / kBlock * kBlock;
}

} // namespace

std::string TUnTar::readEntryName() const {
    std::string name = ReadName(header_);
    if (TranslateOemChar)
        name = oemToAnsi(name);
    return normaliseStoredName(name);
}

void TUnTar::formatStep(ByteStream& archive) {
    try {
        selectedSize_ = 0;
        const std::vector<EntryRecord> entries = scan(archive);
        if (!entries.empty())
            extractEntries(archive, entries);
    } catch (...) {
        // Whatever went wrong was reported where it happened.
    }
}

std::vector<TUnTar::EntryRecord> TUnTar::scan(ByteStream& archive) {
    std::vector<EntryRecord> entries;
    const std::int64_t length = archive.size();
    archive.seek(0, ByteStream::Origin::Begin);
    if (ReadBlock(archive, header_.data(), kBlock) < kBlock)
        return entries;
    std::uint32_t newestTime = 0;
    for (std::int64_t at = 0;;) {
        if (cancel_)
            break;
        const std::uint32_t size = ParseOctal(header_, tar_field::size);
        EntryName = readEntryName();
        std::int64_t next;
        if (!EntryName.empty() && ParseOctal(header_, tar_field::chksum) != 0) {
            if (selected(EntryName)) {
                entries.push_back(
                    {TypeFlag(header_) == kTypeDirectory ? kKindFolder : kKindFile, 0, at});
                newestTime = std::max(newestTime, ParseOctal(header_, tar_field::mtime));
                selectedSize_ += size;
            }
            next = at + kBlock + roundUpToBlock(size);
        } else {
            // Not an entry (zero blocks, for one): step over it block by block.
            next = at + kBlock + size;
            if (next + kBlock > length)
                break;
        }
        archive.seek(next, ByteStream::Origin::Begin);
        if (ReadBlock(archive, header_.data(), kBlock) < kBlock)
            break;
        at = next;
    }
    newestDate_ = PackFileDate(FileDateFromUnixTime(newestTime, TimeZone));
    return entries;
}

void TUnTar::extractEntries(ByteStream& archive, const std::vector<EntryRecord>& entries) {
    remainingBytes_ = totalBytes_ = selectedSize_;
    for (const EntryRecord& entry : entries) {
        if (cancel_)
            break;
        archive.seek(entry.offset, ByteStream::Origin::Begin);
        if (ReadBlock(archive, header_.data(), kBlock) < kBlock)
            break;
        EntryName = readEntryName();
        OutPath = outputPath(EntryName);
        currentFileName_ = OutPath;
        const std::uint32_t size = ParseOctal(header_, tar_field::size);
        const std::uint32_t date =
            PackFileDate(FileDateFromUnixTime(ParseOctal(header_, tar_field::mtime), TimeZone));

        if (entry.kind == kKindFolder) {
            if (CreateStoredDirs && safeToWrite(EntryName, OutPath))
                createFolderWithParents(OutPath);
            continue;
        }
        if (size > kLargestEntry) {
            ErrorEvent(OutPath, "entries of 2 GiB or more are not supported", "0",
                       error_code::OpenError);
            skipFile(size);
            continue;
        }
        if (!safeToWrite(EntryName, OutPath)) {
            skipFile(size);
            continue;
        }
        try {
            extractFile(archive, size, date);
        } catch (...) {
            // A full disk ends this file only; the next entry is tried.
        }
    }
}

} // namespace palvex::archive
