#include "archive/tar_header.h"

#include <algorithm>
#include <cstring>

namespace palvex::archive {

namespace {

constexpr std::uint8_t kMagic[8] = {'u', 's', 't', 'a', 'r', ' ', ' ', '\0'};

void put(TarHeader& header, TarField field, const std::string& bytes) {
    std::memcpy(header.data() + field.offset, bytes.data(), std::min(bytes.size(), field.width));
}

} // namespace

std::string FormatOctal(std::uint32_t value, std::size_t width) {
    std::string digits(width - 1, '0');
    for (std::size_t i = width - 1; i-- > 0 && value != 0; value >>= 3)
        digits[i] = static_cast<char>('0' + (value & 7));
    return digits + '\0';
}

std::uint32_t ParseOctal(const std::uint8_t* field, std::size_t width) {
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < width && field[i] != 0; ++i)
        if (field[i] >= '0' && field[i] <= '7')
            value = value * 8 + (field[i] - '0');
    return value;
}

std::uint32_t ParseOctal(const TarHeader& header, TarField field) {
    return ParseOctal(header.data() + field.offset, field.width);
}

namespace {

// Two's complement over the field, the marker bit aside: GNU tar writes 0x80 before a positive
// number and 0xFF before a negative one.
std::optional<std::int64_t> parseBase256(const std::uint8_t* field, std::size_t width) {
    const bool negative = (field[0] & 0x40) != 0;
    const std::uint64_t fill = negative ? 0xFF : 0x00;
    std::uint64_t value = negative ? ~0ull : 0;
    for (std::size_t i = 0; i < width; ++i) {
        if ((value >> 56) != fill)
            return std::nullopt;
        const std::uint8_t byte = i == 0 ? (field[0] & 0x7F) | (negative ? 0x80 : 0) : field[i];
        value = (value << 8) | byte;
    }
    if (((value >> 63) != 0) != negative)
        return std::nullopt;
    return static_cast<std::int64_t>(value);
}

} // namespace

std::optional<std::int64_t> ParseNumber(const TarHeader& header, TarField field) {
    const std::uint8_t* bytes = header.data() + field.offset;
    if (bytes[0] & 0x80)
        return parseBase256(bytes, field.width);
    std::int64_t value = 0;
    for (std::size_t i = 0; i < field.width && bytes[i] != 0; ++i)
        if (bytes[i] >= '0' && bytes[i] <= '7')
            value = value * 8 + (bytes[i] - '0'); // 12 digits at most: no overflow
    return value;
}

std::uint32_t HeaderChecksum(const TarHeader& header) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i < kTarBlockSize; ++i) {
        const bool inChecksum =
            i >= tar_field::chksum.offset && i < tar_field::chksum.offset + tar_field::chksum.width;
        sum += inChecksum ? ' ' : header[i];
    }
    return sum;
}

bool HeaderChecksumValid(const TarHeader& header) {
    return ParseOctal(header, tar_field::chksum) == HeaderChecksum(header);
}

std::string ReadName(const TarHeader& header) {
    const auto* begin = reinterpret_cast<const char*>(header.data() + tar_field::name.offset);
    return std::string(begin, strnlen(begin, tar_field::name.width));
}

char TypeFlag(const TarHeader& header) {
    return static_cast<char>(header[tar_field::typeflag.offset]);
}

std::string HeaderName(std::string storedName, bool isDirectory) {
    std::replace(storedName.begin(), storedName.end(), '\\', '/');
    if (isDirectory && (storedName.empty() || storedName.back() != '/'))
        storedName += '/';
    return storedName;
}

void WriteHeader(TarHeader& header, const TarEntryHeader& entry, std::string& unixUName,
                 std::string& unixGName) {
    header.fill(0);
    for (std::string* owner : {&unixUName, &unixGName})
        if (owner->size() > tar_field::uname.width)
            owner->resize(tar_field::uname.width);
    put(header, tar_field::uname, unixUName);
    put(header, tar_field::gname, unixGName);
    std::memcpy(header.data() + tar_field::magic.offset, kMagic, sizeof kMagic);
    put(header, tar_field::mode, std::string(entry.isDirectory ? "0040555" : "0100444") + '\0');
    header[tar_field::typeflag.offset] = entry.isDirectory ? kTypeDirectory : kTypeFile;
    put(header, tar_field::name, HeaderName(entry.storedName, entry.isDirectory));
    put(header, tar_field::size,
        FormatOctal(entry.isDirectory ? 0 : entry.size, tar_field::size.width));
    put(header, tar_field::mtime, FormatOctal(entry.mtime, tar_field::mtime.width));
    put(header, tar_field::uid, FormatOctal(entry.uid, tar_field::uid.width));
    put(header, tar_field::gid, FormatOctal(entry.gid, tar_field::gid.width));
    put(header, tar_field::chksum, FormatOctal(HeaderChecksum(header), tar_field::chksum.width));
}

bool IsTarArchive(ByteStream& stream) {
    const std::int64_t size = stream.size();
    if (size <= static_cast<std::int64_t>(kTarBlockSize))
        return false;
    TarHeader header{};
    stream.seek(0, ByteStream::Origin::Begin);
    if (stream.read(header.data(), kTarBlockSize) != static_cast<std::int64_t>(kTarBlockSize))
        return false;
    if (HeaderChecksumValid(header))
        return true;
    if (TypeFlag(header) == kTypeVolumeLabel) {
        if (size - static_cast<std::int64_t>(kTarBlockSize) <=
            static_cast<std::int64_t>(kTarBlockSize))
            return false;
        if (stream.read(header.data(), kTarBlockSize) != static_cast<std::int64_t>(kTarBlockSize))
            return false;
        return HeaderChecksumValid(header);
    }
    return false;
}

} // namespace palvex::archive
