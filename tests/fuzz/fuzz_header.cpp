// The header functions on arbitrary bytes: octal fields of every width, the checksum, and
// recognition of a whole file.
#include "archive/tar_header.h"

#include <algorithm>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace palvex::archive;
    for (std::size_t width : {1u, 8u, 12u, 100u})
        if (size >= width)
            ParseOctal(data, width);
    TarHeader header{};
    std::memcpy(header.data(), data, std::min(size, header.size()));
    const std::uint32_t sum = HeaderChecksum(header);
    if (sum < 256 || sum > 128776)
        __builtin_trap();
    HeaderChecksumValid(header);
    ReadName(header);
    palvex::MemoryStream stream(std::vector<std::uint8_t>(data, data + size));
    IsTarArchive(stream);
    return 0;
}
