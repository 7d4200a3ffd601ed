#include "platform/file_info.h"

#include <sys/stat.h>

namespace palvex::platform {

std::string displayName(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos)
        return path;
    const std::string name = path.substr(slash + 1);
    return name.empty() ? path : name;
}

std::int64_t fileSize(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0)
        return -1;
    return S_ISDIR(st.st_mode) ? 0 : static_cast<std::int64_t>(st.st_size);
}

} // namespace palvex::platform
