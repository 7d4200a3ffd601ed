#include "platform/temporary_files.h"

#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace palvex::platform {

std::string temporaryFolder() {
    const char* base = std::getenv("TMPDIR");
    std::string root = base && *base ? base : "/tmp";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    const std::string folder = root + "/palvex-image-changer-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);

    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::getuid())
        return {};
    if ((st.st_mode & 077) != 0 && ::chmod(folder.c_str(), 0700) != 0)
        return {};
    return folder + '/';
}

std::string createTemporaryFile(const std::string& folder, const std::string& prefix,
                                const std::string& suffix) {
    if (folder.empty())
        return {};
    std::string pattern = folder;
    if (pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX" + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemps(name.data(), static_cast<int>(suffix.size()));
    if (fd < 0)
        return {};
    ::close(fd);
    return std::string(name.data());
}

} // namespace palvex::platform
