#include "tests/archive/archive_helpers.h"

#include "tests/support/scratch_folder.h"

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace palvex::test {

archive::TarHeader headerFor(const std::string& name, std::uint32_t size, char type,
                             std::uint32_t mtime) {
    archive::TarHeader header;
    std::string owner = "root";
    archive::WriteHeader(header, {name, type == '5', size, mtime, 2, 2}, owner, owner);
    if (type != '0' && type != '5') {
        header[archive::tar_field::typeflag.offset] = static_cast<std::uint8_t>(type);
        const std::string sum = archive::FormatOctal(archive::HeaderChecksum(header), 8);
        std::copy(sum.begin(), sum.end(), header.begin() + archive::tar_field::chksum.offset);
    }
    return header;
}

TarBuilder& TarBuilder::file(const std::string& name, const std::string& data, char type,
                             std::uint32_t mtime) {
    raw(headerFor(name, static_cast<std::uint32_t>(data.size()), type, mtime));
    bytes_ += data;
    bytes_.append((512 - data.size() % 512) % 512, '\0');
    return *this;
}

TarBuilder& TarBuilder::folder(const std::string& name) {
    return raw(headerFor(name, 0, '5'));
}

TarBuilder& TarBuilder::raw(const archive::TarHeader& header) {
    bytes_.append(reinterpret_cast<const char*>(header.data()), header.size());
    return *this;
}

TarBuilder& TarBuilder::zeros(int blocks) {
    bytes_.append(std::size_t(blocks) * 512, '\0');
    return *this;
}

TarBuilder& TarBuilder::finish() {
    bytes_.append((10240 - bytes_.size() % 10240) % 10240, '\0');
    return *this;
}

std::string TarBuilder::write(const std::string& path) const {
    return writeFile(path, bytes_);
}

int shell(const std::string& command, std::string* output) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    std::array<char, 4096> buffer;
    std::string text;
    while (std::size_t n = std::fread(buffer.data(), 1, buffer.size(), pipe))
        text.append(buffer.data(), n);
    const int status = ::pclose(pipe);
    if (output)
        *output = text;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace palvex::test
