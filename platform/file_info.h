#pragma once

#include <cstdint>
#include <string>

namespace palvex::platform {

// The name a file is shown under: the last part of its path, extension included.
// A path with no name part is returned unchanged.
std::string displayName(const std::string& path);

// Size in bytes of the entry the path names (a folder counts 0), or -1 when there is none.
std::int64_t fileSize(const std::string& path);

} // namespace palvex::platform
