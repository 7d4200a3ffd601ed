#pragma once

#include "archive/tar_header.h"
#include "platform/byte_stream.h"

#include <cstdint>
#include <optional>
#include <string>

namespace palvex::archive {

// One member of a tar archive with the records that peers put before it already applied:
// POSIX extended headers (for the next member and global ones), GNU long names and link
// names, and the POSIX ustar prefix.
struct TarEntry {
    std::int64_t headerOffset = 0;
    std::int64_t dataOffset = 0;
    char type = kTypeFile;
    std::string name; // the stored bytes, not yet converted from any code page
    std::string linkName;
    std::int64_t size = 0;
    std::int64_t mtime = 0;
    bool dataComplete = true; // false when the archive ends inside the member's data
    std::string problem;      // why the member cannot be taken as it stands; empty when sound
};

enum class TarStep {
    Entry, // a member was read
    End,   // the archive ends here
    Cut,   // the archive ends inside a header or cannot be followed further
};

// Walks the headers of an archive: blocks that are no entry (no name, or a checksum field
// reading as 0, such as zero blocks) are stepped over, the data of every member too.
class TarEntryReader {
public:
    // Records of metadata larger than this are refused: no honest name is a megabyte long.
    static constexpr std::int64_t kMaxRecordSize = 1 << 20;

    explicit TarEntryReader(ByteStream& archive);

    // Fills entry with the next member. On Cut, entry.problem says why and entry.name holds
    // what is known of the member, if anything.
    TarStep next(TarEntry& entry);

private:
    struct Overrides {
        std::optional<std::string> path;
        std::optional<std::string> linkPath;
        std::optional<std::int64_t> size;
        std::optional<std::int64_t> mtime;
    };

    bool readHeader(TarStep& step, TarEntry& entry);
    bool readRecordData(std::int64_t size, std::string& data);
    // Takes an extension record; false when the archive cannot be followed past it.
    bool takeRecord(char type, std::int64_t size, TarEntry& entry);
    TarStep member(char type, std::int64_t size, TarEntry& entry);
    TarStep cut(TarEntry& entry, std::string problem);

    ByteStream& archive_;
    std::int64_t length_;
    std::int64_t at_ = 0;
    TarHeader header_{};
    Overrides next_;
    Overrides global_;
    std::optional<std::string> longName_;
    std::optional<std::string> longLink_;
    std::string pendingProblem_;
};

// The "length key=value\n" records of a POSIX extended header; false when they are malformed.
// Keys other than path, linkpath, size and mtime are left aside; a time keeps whole seconds.
// sparse, when given, is set when the records describe a sparse file (GNU.sparse.* keys),
// whose data is a map and fragments rather than the file's bytes.
bool ParsePaxRecords(const std::string& data, std::optional<std::string>& path,
                     std::optional<std::string>& linkPath, std::optional<std::int64_t>& size,
                     std::optional<std::int64_t>& mtime, bool* sparse = nullptr);

} // namespace palvex::archive
