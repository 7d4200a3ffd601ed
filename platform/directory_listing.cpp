#include "platform/directory_listing.h"

#include "platform/file_attributes.h"

#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace palvex::platform {

namespace {
struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
} // namespace

std::vector<DirectoryEntry> listDirectory(const std::string& folder) {
    std::vector<DirectoryEntry> entries;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return entries;
    const std::string base = folder.empty() || folder.back() == '/' ? folder : folder + '/';
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        const std::string path = base + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0)
            continue; // gone between the listing and the look
        DirectoryEntry entry;
        entry.name = name;
        entry.attributes = attributeWordFromStat(path, st);
        entry.isLink = S_ISLNK(st.st_mode);
        entry.isSpecial = !entry.isLink && !S_ISREG(st.st_mode) && !S_ISDIR(st.st_mode);
        if (S_ISDIR(st.st_mode))
            entry.readable = ::access(path.c_str(), R_OK | X_OK) == 0;
        entry.size = S_ISREG(st.st_mode) ? static_cast<std::int64_t>(st.st_size) : 0;
        entry.modified = st.st_mtime;
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace palvex::platform
