#include "platform/tree_removal.h"

#include <array>
#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace palvex::platform {

namespace {

// However deep the tree, at most this many folder handles are open at once: the handles of
// the levels above are closed on the way down and found again through ".." on the way up.
constexpr std::size_t kOpenLevels = 32;

// Never through a link, and only a folder.
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

class Handle {
public:
    Handle() = default;
    explicit Handle(int fd) : fd_(fd) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    void reset() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_ = -1;
};

struct Entry {
    std::string name;
    unsigned char type; // DT_UNKNOWN where the file system does not say
};

// The folder's entries but "." and "..", read at once: its handle may then be closed while
// the walk is deeper, and nothing needs reading twice. Read straight from the handle, which
// nothing else reads.
bool readEntries(int folder, std::vector<Entry>& entries) {
    alignas(dirent64) std::array<char, 32768> buffer;
    for (;;) {
        const ssize_t got = ::getdents64(folder, buffer.data(), buffer.size());
        if (got <= 0)
            return got == 0;
        for (ssize_t at = 0; at < got;) {
            const auto* entry = reinterpret_cast<const dirent64*>(buffer.data() + at);
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..")
                entries.push_back({std::string(name), entry->d_type});
            at += entry->d_reclen;
        }
    }
}

// A folder being emptied.
struct Level {
    Handle handle; // closed while deeper levels use up the budget
    dev_t device = 0;
    ino_t inode = 0;
    std::string name; // in the level above
    std::vector<Entry> entries;
    std::size_t next = 0;
};

class Walk {
public:
    Walk(dev_t device, TreeRemoval& result) : device_(device), result_(result) {}

    // Empties the folder open at root; the caller removes the folder itself.
    void run(Handle root, const struct stat& st) {
        enter(std::move(root), st, {});
        while (!levels_.empty() && !stopped_) {
            Level& top = levels_.back();
            if (top.next < top.entries.size())
                removeEntry(std::move(top.entries[top.next++]));
            else
                leave();
        }
    }

private:
    void enter(Handle handle, const struct stat& st, std::string name) {
        // A folder without write permission keeps its entries; its mode is changed through
        // its own handle, so a link put in its place meanwhile is never what changes.
        if (st.st_uid == ::geteuid() && (st.st_mode & S_IRWXU) != S_IRWXU)
            ::fchmod(handle.get(), (st.st_mode & 07777) | S_IRWXU);
        levels_.push_back({std::move(handle), st.st_dev, st.st_ino, std::move(name), {}, 0});
        if (!readEntries(levels_.back().handle.get(), levels_.back().entries))
            keepFailed({});
        if (levels_.size() - firstOpen_ > kOpenLevels)
            levels_[firstOpen_++].handle.reset();
    }

    void removeEntry(const Entry& entry) {
        const int folder = levels_.back().handle.get();
        const char* name = entry.name.c_str();
        if (entry.type != DT_DIR && entry.type != DT_UNKNOWN) {
            // Unlinking never follows a link and needs the folder's permission only: a file's
            // own mode stays as it is (it may be a hard link to a file outside).
            if (::unlinkat(folder, name, 0) == 0 || errno == ENOENT)
                return;
            if (errno != EISDIR && errno != EPERM) // EISDIR: a folder came in its place
                return keepFailed(entry.name);
        }
        // A listing that says "folder" spares a look before opening it: the handle's own
        // device is compared below all the same.
        struct stat st {};
        st.st_mode = S_IFDIR;
        st.st_dev = device_;
        if (entry.type != DT_DIR &&
            ::fstatat(folder, name, &st, AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT) != 0) {
            if (errno != ENOENT)
                keepFailed(entry.name);
            return;
        }
        if (S_ISDIR(st.st_mode) && st.st_dev != device_)
            return keep(pathOf(entry.name), EXDEV);
        Handle child;
        if (S_ISDIR(st.st_mode)) {
            child = Handle(::openat(folder, name, kFolderFlags));
            if (!child && errno == ENOENT)
                return;
        }
        // Not a folder, or swapped for a link or a file since: removed as what it is now.
        if (!child && (!S_ISDIR(st.st_mode) || errno == ELOOP || errno == ENOTDIR)) {
            if (::unlinkat(folder, name, 0) != 0 && errno != ENOENT)
                keepFailed(entry.name);
            return;
        }
        if (!child || ::fstat(child.get(), &st) != 0)
            return keepFailed(entry.name);
        if (st.st_dev != device_)
            return keep(pathOf(entry.name), EXDEV);
        enter(std::move(child), st, entry.name);
    }

    // The top level is empty (or keeps what could not go): it is removed from its parent.
    void leave() {
        if (levels_.size() == 1) {
            levels_.pop_back();
            return;
        }
        Level& parent = levels_[levels_.size() - 2];
        if (!parent.handle && !reopenParent(parent))
            return;
        const std::string name = std::move(levels_.back().name);
        levels_.pop_back();
        if (::unlinkat(levels_.back().handle.get(), name.c_str(), AT_REMOVEDIR) != 0 &&
            errno != ENOENT)
            keepFailed(name);
    }

    // Back up through "..", which must be the very folder the walk came down from: a level
    // moved elsewhere meanwhile stops the walk rather than let it work outside the tree.
    bool reopenParent(Level& parent) {
        errno = ESTALE;
        Handle up(::openat(levels_.back().handle.get(), "..", kFolderFlags));
        struct stat st {};
        if (!up || ::fstat(up.get(), &st) != 0 || st.st_dev != parent.device ||
            st.st_ino != parent.inode) {
            keepFailed({});
            stopped_ = true;
            return false;
        }
        parent.handle = std::move(up);
        firstOpen_ = levels_.size() - 2;
        return true;
    }

    // Below the root, the top level's path plus name; built only for what is reported.
    std::string pathOf(const std::string& name) const {
        std::string path;
        for (std::size_t i = 1; i < levels_.size(); ++i)
            path += levels_[i].name + '/';
        return name.empty() && !path.empty() ? path.substr(0, path.size() - 1) : path + name;
    }

    // What the last call failed with, for the entry name of the top level (itself when empty).
    void keepFailed(const std::string& name) {
        const int error = errno;
        keep(pathOf(name), error);
    }

    void keep(const std::string& path, int error) {
        if (result_.error != 0)
            return;
        result_.leftBehind = path;
        result_.error = error;
    }

    std::vector<Level> levels_;
    std::size_t firstOpen_ = 0;
    const dev_t device_;
    TreeRemoval& result_;
    bool stopped_ = false;
};

} // namespace

TreeRemoval removeTree(std::string folder) {
    TreeRemoval result;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    const std::size_t slash = folder.rfind('/');
    const std::string name = slash == std::string::npos ? folder : folder.substr(slash + 1);
    const std::string parentPath = slash == std::string::npos ? std::string(".")
                                   : slash == 0               ? std::string("/")
                                                              : folder.substr(0, slash);
    if (name.empty() || name == "." || name == "..") {
        result.error = EINVAL;
        return result;
    }
    const Handle parent(::open(parentPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    struct stat st {};
    if (!parent || ::fstatat(parent.get(), name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) {
        result.error = errno;
        return result;
    }
    Handle root(::openat(parent.get(), name.c_str(), kFolderFlags));
    if (!root || ::fstat(root.get(), &st) != 0) {
        result.error = errno;
        return result;
    }
    Walk(st.st_dev, result).run(std::move(root), st);
    if (result.error == 0 && ::unlinkat(parent.get(), name.c_str(), AT_REMOVEDIR) != 0)
        result.error = errno;
    result.complete = result.error == 0;
    return result;
}

} // namespace palvex::platform
