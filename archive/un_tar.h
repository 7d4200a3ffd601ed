#pragma once

#include "archive/custom_d_class.h"
#include "archive/tar_entry_reader.h"

#include <set>

namespace palvex::archive {

// Unpacks a tar archive: a scan pass lists the selected entries, an extraction pass hands
// each to the reader's rules. Checksums are not verified and the magic is read only for the
// POSIX prefix, so any block with a name and a non-zero checksum field is an entry. Peers'
// extension records are read as metadata of the member that follows them. Regular files and
// folders are written, sparse files expanded; a hard link becomes a copy of a file written
// earlier in the run; links, devices and FIFOs are reported and not written.
class TUnTar : public TUnBase {
public:
    // The most the files of one run may hold together, hard-link copies and the holes of
    // sparse files counted: an archive that unpacks to more is refused before anything is
    // written.
    std::int64_t MaxUnpackedSize = std::int64_t(1) << 30;

protected:
    void formatStep(ByteStream& archive) override;

private:
    enum Kind : std::uint32_t {
        kFolder = 16,
        kFile = 128,
        kHardLink = 0x10000,
        kRefused, // reported with the reason, stepped over
        kCut,     // the archive cannot be followed past this point: reported, the run ends
    };
    struct EntryRecord {
        std::uint32_t kind;
        std::uint32_t reserved;
        std::int64_t offset;
        TarEntry entry;
        std::string name;   // EntryName
        std::string reason; // for a refused or cut entry
    };

    std::vector<EntryRecord> scan(ByteStream& archive);
    EntryRecord recordFor(TarEntry entry) const;
    void extractEntries(ByteStream& archive, const std::vector<EntryRecord>& entries);
    // False when the run cannot go on.
    bool extractEntry(ByteStream& archive, const EntryRecord& record);
    void copyHardLink(const EntryRecord& record, std::uint32_t date);
    bool extractSparse(ByteStream& archive, const EntryRecord& record, std::uint32_t date);
    void extractCounted(ByteStream& source, std::int64_t size, std::uint32_t date, bool& complete);
    std::string entryName(const std::string& stored) const;

    std::int64_t selectedSize_ = 0;
    std::int64_t unpackedSize_ = 0; // what the scan found the files of the run to hold
    std::set<std::string> written_; // the files this run wrote, for hard links to copy
    std::int64_t bytesLeft_ = 0;    // of MaxUnpackedSize, as the run writes
};

} // namespace palvex::archive
