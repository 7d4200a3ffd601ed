#pragma once

#include "archive/tar_header.h"
#include "platform/time_zone.h"

#include <string>
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

// Runs a shell command; answers its exit status and fills output with its stdout.
int shell(const std::string& command, std::string* output = nullptr);

inline TimeZoneInformation utcZone() {
    return TimeZoneInformation{};
}

} // namespace palvex::test
