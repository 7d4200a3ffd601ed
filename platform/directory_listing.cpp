#include "platform/directory_listing.h"

#include "platform/file_attributes.h"

#include <dirent.h>
#include <fcntl.h>
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

namespace {

// A folder of the walk: where it lies, what it is (to check the way back up) and the
// subfolders still to enter.
struct WalkedFolder {
    std::string prefix;
    dev_t device = 0;
    ino_t inode = 0;
    std::vector<std::string> pending;
};

// Owns one folder handle.
class FolderHandle {
public:
    explicit FolderHandle(int fd = -1) : fd_(fd) {}
    ~FolderHandle() { reset(); }
    FolderHandle(const FolderHandle&) = delete;
    FolderHandle& operator=(const FolderHandle&) = delete;
    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

int openFolderAt(int at, const char* name) {
    return ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// Lists the folder open as fd: its files go to files, its subfolders to the returned entry.
bool readFolder(int fd, std::string prefix, std::vector<std::string>& files, WalkedFolder& out) {
    struct stat self {};
    if (::fstat(fd, &self) != 0)
        return false;
    out.prefix = std::move(prefix);
    out.device = self.st_dev;
    out.inode = self.st_ino;
    const int own = ::dup(fd); // the listing closes its handle
    std::unique_ptr<DIR, DirCloser> dir(own >= 0 ? ::fdopendir(own) : nullptr);
    if (!dir) {
        if (own >= 0)
            ::close(own);
        return false;
    }
    while (const dirent* item = ::readdir(dir.get())) {
        const std::string name = item->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st {};
        if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue; // gone between the listing and the look
        if (!S_ISDIR(st.st_mode))
            files.push_back(out.prefix + name);
        else if (st.st_dev == self.st_dev)
            out.pending.push_back(name);
    }
    return true;
}

} // namespace

std::vector<std::string> listFilesBelow(const std::string& folder) {
    std::vector<std::string> files;
    // One handle open at a time, however deep the tree: a subfolder is entered from its
    // parent's handle, and the parent found again through "..", checked to be the same folder.
    FolderHandle current(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    std::vector<WalkedFolder> walk(1);
    if (current.get() < 0 || !readFolder(current.get(), {}, files, walk.back()))
        return files;
    while (!walk.empty()) {
        WalkedFolder& top = walk.back();
        if (top.pending.empty()) {
            walk.pop_back();
            if (walk.empty())
                break;
            current.reset(openFolderAt(current.get(), ".."));
            struct stat st {};
            if (current.get() < 0 || ::fstat(current.get(), &st) != 0 ||
                st.st_dev != walk.back().device || st.st_ino != walk.back().inode)
                break; // the tree was moved while it was walked: what was seen is all there is
            continue;
        }
        const std::string name = std::move(top.pending.back());
        top.pending.pop_back();
        const int child = openFolderAt(current.get(), name.c_str());
        if (child < 0)
            continue; // a folder that cannot be read, or one swapped for a link
        WalkedFolder entered;
        const bool read = readFolder(child, top.prefix + name + '/', files, entered);
        if (!read || entered.device != top.device) {
            ::close(child);
            continue;
        }
        current.reset(child);
        walk.push_back(std::move(entered));
    }
    return files;
}

} // namespace palvex::platform
