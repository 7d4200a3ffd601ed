#pragma once

#include "archive/tar_header.h"
#include "platform/time_zone.h"

#include <map>
#include <string>
#include <utility>
#include <vector>

namespace palvex::test {

// Builds tar archives byte by byte, so that tests can make the odd ones no tool writes.
class TarBuilder {
public:
    // A regular entry (type '0' unless given) with its data, padded to 512 bytes.
    TarBuilder& file(const std::string& name, const std::string& data, char type = '0',
                     std::uint32_t mtime = 1000000000);
    TarBuilder& folder(const std::string& name);
    // A header exactly as given, no data.
    TarBuilder& raw(const archive::TarHeader& header);
    // Data after a raw header, padded to 512 bytes.
    TarBuilder& data(const std::string& bytes);
    TarBuilder& zeros(int blocks);
    // Pads to a multiple of 10 240 bytes.
    TarBuilder& finish();
    const std::string& bytes() const { return bytes_; }
    std::string write(const std::string& path) const;

private:
    std::string bytes_;
};

archive::TarHeader headerFor(const std::string& name, std::uint32_t size, char type,
                             std::uint32_t mtime = 1000000000);

// The header with one field replaced (zero-filled to its width) and the checksum redone.
archive::TarHeader withField(archive::TarHeader header, archive::TarField field,
                             const std::string& bytes);

// The "length key=value\n" records of a POSIX extended header.
std::string paxRecords(const std::vector<std::pair<std::string, std::string>>& records);

// Every entry below root by relative path: a file's content, "<folder>" for an empty folder,
// "<other>" for anything else (a link, a FIFO).
std::map<std::string, std::string> treeOf(const std::string& root);

// Runs a shell command; answers its exit status and fills output with its stdout.
int shell(const std::string& command, std::string* output = nullptr);

inline TimeZoneInformation utcZone() {
    return TimeZoneInformation{};
}

} // namespace palvex::test
