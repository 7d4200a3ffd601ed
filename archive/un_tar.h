#pragma once

#include "archive/custom_d_class.h"
#include "archive/tar_header.h"

namespace palvex::archive {

// Unpacks a tar archive: a scan pass lists the selected entries, an extraction pass hands
// each to the reader's rules. Checksums are not verified and the magic is not read, so any
// block with a name and a non-zero checksum field is an entry; only type "5" is a folder,
// every other type is written as a regular file of the bytes that follow.
class TUnTar : public TUnBase {
protected:
    void formatStep(ByteStream& archive) override;

private:
    struct EntryRecord {
        std::uint32_t kind; // 16 folder, 128 regular file
        std::uint32_t reserved;
        std::int64_t offset;
    };

    std::vector<EntryRecord> scan(ByteStream& archive);
    void extractEntries(ByteStream& archive, const std::vector<EntryRecord>& entries);
    std::string readEntryName() const;

    TarHeader header_{};
    std::int64_t selectedSize_ = 0;
};

} // namespace palvex::archive
