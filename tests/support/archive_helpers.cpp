#include "tests/support/archive_helpers.h"

#include "tests/support/scratch_folder.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
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

TarBuilder& TarBuilder::data(const std::string& bytes) {
    bytes_ += bytes;
    bytes_.append((512 - bytes.size() % 512) % 512, '\0');
    return *this;
}

archive::TarHeader withField(archive::TarHeader header, archive::TarField field,
                             const std::string& bytes) {
    std::fill_n(header.begin() + field.offset, field.width, 0);
    std::memcpy(header.data() + field.offset, bytes.data(), std::min(bytes.size(), field.width));
    const std::string sum = archive::FormatOctal(archive::HeaderChecksum(header), 8);
    std::memcpy(header.data() + archive::tar_field::chksum.offset, sum.data(), sum.size());
    return header;
}

std::string paxRecords(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string all;
    for (const auto& [key, value] : records) {
        const std::string body = " " + key + "=" + value + "\n";
        std::size_t length = body.size() + 1;
        while (std::to_string(length).size() + body.size() != length)
            ++length;
        all += std::to_string(length) + body;
    }
    return all;
}

std::map<std::string, std::string> treeOf(const std::string& root) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> tree;
    if (!fs::exists(root))
        return tree;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string relative = fs::relative(entry.path(), root).string();
        if (entry.is_symlink() || (!entry.is_regular_file() && !entry.is_directory()))
            tree[relative] = "<other>";
        else if (entry.is_regular_file())
            tree[relative] = readFile(entry.path().string());
        else if (fs::is_empty(entry.path()))
            tree[relative] = "<folder>";
    }
    return tree;
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
