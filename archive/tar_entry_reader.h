#pragma once

#include "archive/tar_header.h"
#include "platform/byte_stream.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace palvex::archive {

// One stretch of a sparse file that holds data; everything else of the file is a hole.
struct SparseFragment {
    std::int64_t offset = 0;
    std::int64_t size = 0;
    bool operator==(const SparseFragment&) const = default;
};

// One member of a tar archive with the records that peers put before it already applied:
// POSIX extended headers (for the next member and global ones), GNU long names and link
// names, the POSIX ustar prefix, and vendors' ACL and attribute headers (stepped over).
struct TarEntry {
    std::int64_t recordsOffset = 0; // where the records that lead to this member begin
    std::int64_t headerOffset = 0;
    std::int64_t dataOffset = 0;
    char type = kTypeFile;
    std::string name; // the stored bytes, not yet converted from any code page
    std::string linkName;
    std::int64_t size = 0; // the bytes the member takes in the archive after its header
    std::int64_t mtime = 0;
    bool dataComplete = true; // false when the archive ends inside the member's data
    std::string problem;      // why the member cannot be taken as it stands; empty when sound
    std::string warning;      // a value that was ignored, the member being sound without it

    // A sparse file is realSize bytes long: zeros but for its fragments, whose bytes lie one
    // after the other from fragmentsOffset on.
    bool sparse = false;
    std::int64_t realSize = 0;
    std::int64_t fragmentsOffset = 0;
    std::vector<SparseFragment> fragments;

    // The length of the file the member unpacks to.
    std::int64_t fileSize() const { return sparse ? realSize : size; }
};

// A header block as it stands, before any record that came before it is applied: what a reader
// that knows no extension takes from it.
struct TarHeaderBlock {
    std::int64_t offset = 0;
    char type = kTypeFile;
    std::string name;  // the name field, after the prefix of a POSIX ustar header
    bool zero = false; // all zeros, as the blocks that end an archive
    bool checksumValid = false;
};

enum class TarStep {
    Entry, // a member was read
    End,   // the archive ends here
    Cut,   // the archive ends inside a header or cannot be followed further
};

// What the GNU.sparse.* records of an extended header say, in any of their three versions.
struct PaxSparse {
    bool present = false;
    std::optional<std::int64_t> major;
    std::optional<std::int64_t> minor;
    std::optional<std::int64_t> realSize;
    std::optional<std::string> name;
    std::vector<SparseFragment> map;           // 0.0 (pairs of records) and 0.1 (one list)
    std::optional<std::int64_t> pendingOffset; // 0.0: an offset still waiting for its length
    bool malformed = false;
};

// The records of an extended header that change how its member is read.
struct PaxOverrides {
    std::optional<std::string> path;
    std::optional<std::string> linkPath;
    std::optional<std::int64_t> size;
    std::optional<std::int64_t> mtime;
    PaxSparse sparse;
    std::string ignored; // the first known key whose value could not be read
};

// Walks the headers of an archive: blocks that are no entry (no name, or a checksum field
// reading as 0, such as zero blocks) are stepped over, the data of every member too.
class TarEntryReader {
public:
    // Records of metadata larger than this are refused: no honest name is a megabyte long.
    static constexpr std::int64_t kMaxRecordSize = 1 << 20;
    // A sparse map longer than this is refused: it would only make the reader hold it all.
    static constexpr std::int64_t kMaxSparseFragments = 1 << 20;

    // Reads from the start, or from a member's recordsOffset to read that member again.
    explicit TarEntryReader(ByteStream& archive, std::int64_t from = 0);

    // Fills entry with the next member. On Cut, entry.problem says why and entry.name holds
    // what is known of the member, if anything.
    TarStep next(TarEntry& entry);

    // Called with every header block the walk reads, in order: the records before a member, the
    // blocks stepped over and the member's own header. For a reader with stricter rules, which
    // answers false to end the walk there (next() then answers End).
    std::function<bool(const TarHeaderBlock&)> OnHeader;

private:
    bool readHeader(TarStep& step, TarEntry& entry);
    bool readRecordData(std::int64_t size, std::string& data);
    bool isHeaderAt(std::int64_t offset);
    // Takes an extension record; false when the archive cannot be followed past it.
    bool takeRecord(char type, std::int64_t size, TarEntry& entry);
    TarStep member(char type, std::int64_t size, TarEntry& entry, std::int64_t recordsOffset);
    void dropSizeWithoutData(TarEntry& entry);
    // The map of an old GNU sparse member and its extension blocks; false when cut.
    bool readOldGnuMap(TarEntry& entry);
    // The map at the start of the data of a version 1.0 sparse member; false when cut.
    bool readMapInData(TarEntry& entry);
    // False when cut, as above.
    bool takeSparse(TarEntry& entry, PaxSparse& sparse);
    TarStep cut(TarEntry& entry, std::string problem);

    ByteStream& archive_;
    std::int64_t length_;
    std::int64_t at_ = 0;
    TarHeader header_{};
    PaxOverrides next_;
    PaxOverrides global_;
    std::optional<std::string> longName_;
    std::optional<std::string> longLink_;
    std::string pendingProblem_;
};

// The "length key=value\n" records of a POSIX extended header into overrides; false when the
// records themselves are malformed. Keys other than path, linkpath, size, mtime and GNU.sparse.*
// are left aside; a time keeps whole seconds. A known key with a value that cannot be read is
// ignored and named in overrides.ignored (GNU.sparse.* ones mark the map malformed instead).
bool ParsePaxRecords(const std::string& data, PaxOverrides& overrides);

// Whether a sparse map can be expanded: fragments in order, apart, within realSize, holding no
// more than dataSize bytes. Empty when sound, else why not.
std::string CheckSparseMap(const std::vector<SparseFragment>& map, std::int64_t realSize,
                           std::int64_t dataSize);

} // namespace palvex::archive
