#include "platform/file_attributes.h"

#include <sys/stat.h>

namespace palvex::platform {

namespace {

bool nameIsHidden(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.size() > 1 && name[0] == '.' && name != "..";
}

std::uint32_t wordFromMode(mode_t mode) {
    std::uint32_t word = S_ISDIR(mode) ? attr::Directory : attr::Archive;
    if ((mode & S_IWUSR) == 0)
        word |= attr::ReadOnly;
    return word;
}

} // namespace

std::uint32_t attributeWord(const std::string& path) {
    if (path.empty())
        return attr::NoEntry;
    struct stat own {};
    if (::lstat(path.c_str(), &own) != 0)
        return attr::NoEntry;
    return attributeWordFromStat(path, own);
}

std::uint32_t attributeWordFromStat(const std::string& path, const struct stat& own) {
    std::uint32_t word;
    if (S_ISLNK(own.st_mode)) {
        struct stat target {};
        // A dangling link still exists as an entry; it is then taken as a file.
        word = attr::ReparsePoint |
               (::stat(path.c_str(), &target) == 0 && S_ISDIR(target.st_mode) ? attr::Directory
                                                                              : attr::Archive);
    } else {
        word = wordFromMode(own.st_mode);
    }
    if (nameIsHidden(path))
        word |= attr::Hidden;
    return word;
}

bool setNormalAttributes(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return false;
    if (S_ISLNK(st.st_mode))
        return true;
    const mode_t wanted = st.st_mode | S_IWUSR | (S_ISDIR(st.st_mode) ? S_IRUSR | S_IXUSR : 0);
    return (st.st_mode & 07777) == (wanted & 07777) || ::chmod(path.c_str(), wanted & 07777) == 0;
}

bool existsAsFile(const std::string& path) {
    const std::uint32_t word = attributeWord(path);
    return word != attr::NoEntry && (word & attr::Directory) == 0;
}

} // namespace palvex::platform
