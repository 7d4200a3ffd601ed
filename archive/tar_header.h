#pragma once

#include "platform/byte_stream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace palvex::archive {

inline constexpr std::size_t kTarBlockSize = 512;
inline constexpr std::size_t kTarRecordSize = 10240; // an archive ends on a multiple of this
using TarHeader = std::array<std::uint8_t, kTarBlockSize>;
// The largest entry the reader extracts and the writer stores, so that every theme this tool
// writes it can also read: 4 GiB - 1, what the terminals' 32-bit size allows.
inline constexpr std::uint64_t kMaxEntrySize = 0xFFFF'FFFFull;

struct TarField {
    std::size_t offset;
    std::size_t width;
};

// The header block: every field at its offset, read and written through this table only.
namespace tar_field {
inline constexpr TarField name{0, 100};
inline constexpr TarField mode{100, 8};
inline constexpr TarField uid{108, 8};
inline constexpr TarField gid{116, 8};
inline constexpr TarField size{124, 12};
inline constexpr TarField mtime{136, 12};
inline constexpr TarField chksum{148, 8};
inline constexpr TarField typeflag{156, 1};
inline constexpr TarField linkname{157, 100};
inline constexpr TarField magic{257, 8};
inline constexpr TarField uname{265, 32};
inline constexpr TarField gname{297, 32};
inline constexpr TarField devmajor{329, 8};
inline constexpr TarField devminor{337, 8};
inline constexpr TarField prefix{345, 155};
inline constexpr TarField padding{500, 12};
inline constexpr std::array kAll{name,     mode,     uid,      gid,    size,  mtime,
                                 chksum,   typeflag, linkname, magic,  uname, gname,
                                 devmajor, devminor, prefix,   padding};
} // namespace tar_field

constexpr bool fieldsTileTheBlock() {
    std::size_t at = 0;
    for (const TarField& f : tar_field::kAll) {
        if (f.offset != at)
            return false;
        at += f.width;
    }
    return at == kTarBlockSize;
}
static_assert(fieldsTileTheBlock(), "the header fields must cover the 512-byte block exactly");

inline constexpr char kTypeFile = '0';
inline constexpr char kTypeDirectory = '5';
inline constexpr char kTypeVolumeLabel = 'V';
inline constexpr char kTypeHardLink = '1';
inline constexpr char kTypeSymbolicLink = '2';
inline constexpr char kTypeContiguous = '7';
inline constexpr char kTypePaxEntry = 'x';
inline constexpr char kTypePaxGlobal = 'g';
inline constexpr char kTypeLongName = 'L';
inline constexpr char kTypeLongLink = 'K';
inline constexpr char kTypeGnuSparse = 'S';
inline constexpr char kTypeGnuDumpDir = 'D'; // a folder with the listing of its names as data
inline constexpr char kTypeSolarisPax = 'X'; // what Solaris tar writes for 'x'
inline constexpr char kTypeSolarisAcl = 'A';
inline constexpr char kTypeSolarisXattr = 'E';

// The old GNU header keeps a sparse file's map where ustar has its prefix: four entries of
// offset and length (12 bytes each), a flag saying that extension blocks follow, and the
// file's real size. Each extension block holds 21 more entries and a flag of its own.
namespace old_gnu_field {
inline constexpr TarField sparse{386, 96};
inline constexpr TarField isExtended{482, 1};
inline constexpr TarField realSize{483, 12};
inline constexpr TarField extensionMap{0, 504};
inline constexpr TarField extensionIsExtended{504, 1};
inline constexpr std::size_t kSlotWidth = 12; // offset, then length
} // namespace old_gnu_field

// width - 1 octal digits, zero-filled on the left, then a NUL.
std::string FormatOctal(std::uint32_t value, std::size_t width);
// Every octal digit up to the first NUL (or the whole field) counts; any other byte is
// skipped. Old writers padded with spaces, so this is deliberately lenient.
std::uint32_t ParseOctal(const std::uint8_t* field, std::size_t width);
std::uint32_t ParseOctal(const TarHeader& header, TarField field);
// A size or time field as peers write it: the lenient octal rule in 64 bits (11 digits hold
// up to 8 GiB - 1), or, when the first byte has its high bit set, the base-256 form (big-endian
// two's complement) used for values the digits cannot hold. Nothing when it overflows 64 bits.
std::optional<std::int64_t> ParseNumber(const TarHeader& header, TarField field);

// The sum of all bytes as unsigned values, the chksum field counted as eight spaces.
std::uint32_t HeaderChecksum(const TarHeader& header);
bool HeaderChecksumValid(const TarHeader& header);

// The name field's bytes up to the first NUL, at most 100.
std::string ReadName(const TarHeader& header);
char TypeFlag(const TarHeader& header);

struct TarEntryHeader {
    std::string storedName; // already in the archive's character set
    bool isDirectory = false;
    std::uint32_t size = 0;
    std::uint32_t mtime = 0;
    std::uint8_t uid = 2;
    std::uint8_t gid = 2;
};

// Fills header for one entry. The owner and group names are cut to 32 characters, in the
// options themselves too. The name must fit the 100-byte field; the writer refuses longer.
void WriteHeader(TarHeader& header, const TarEntryHeader& entry, std::string& unixUName,
                 std::string& unixGName);

// The stored name a header gets: "\" becomes "/", and a folder ends with exactly one "/".
std::string HeaderName(std::string storedName, bool isDirectory);

// A file longer than 512 bytes whose first header has a valid checksum, whatever its type (an
// archive may hold nothing but its volume label), or whose header after a volume label has.
bool IsTarArchive(ByteStream& stream);

} // namespace palvex::archive
