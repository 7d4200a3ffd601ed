#include "platform/temporary_files.h"

#include "platform/tree_removal.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <string_view>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace palvex::platform {

namespace {

constexpr std::string_view kPidMark = ".pid";
constexpr std::size_t kUniquePart = 6; // what mkstemps puts in place of XXXXXX

// The process id in a name made by createTemporaryFile; 0 when the name is none of those.
pid_t ownerOf(std::string_view name) {
    for (std::size_t at = name.rfind(kPidMark); at != std::string_view::npos;
         at = at == 0 ? std::string_view::npos : name.rfind(kPidMark, at - 1)) {
        std::size_t end = at + kPidMark.size();
        long long pid = 0;
        while (end < name.size() && name[end] >= '0' && name[end] <= '9' && pid < 1'000'000'000)
            pid = pid * 10 + (name[end++] - '0');
        if (end == at + kPidMark.size() || end + 1 + kUniquePart > name.size() || name[end] != '.')
            continue;
        bool unique = true;
        for (std::size_t i = end + 1; i < end + 1 + kUniquePart; ++i) {
            const char c = name[i];
            unique = unique &&
                     ((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
        }
        if (unique && pid > 0)
            return static_cast<pid_t>(pid);
    }
    return 0;
}

bool processRuns(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno == EPERM;
}

// Removes the entry name of the folder open as folder (at path) when it is a regular file or a
// folder of this user that nobody holds; the descriptor is opened without following a link and
// checked to be the very entry the name still leads to, and is held, locked, while it goes.
bool removeUnheld(int folder, const std::string& path, const char* name) {
    const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat opened {};
    struct stat named {};
    const bool unheld = ::fstat(fd, &opened) == 0 &&
                        (S_ISREG(opened.st_mode) || S_ISDIR(opened.st_mode)) &&
                        opened.st_uid == ::getuid() && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
                        ::fstatat(folder, name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
                        named.st_dev == opened.st_dev && named.st_ino == opened.st_ino;
    const bool removed = unheld && (S_ISDIR(opened.st_mode) ? bool(removeTree(path + '/' + name))
                                                            : ::unlinkat(folder, name, 0) == 0);
    ::close(fd);
    return removed;
}

std::string failure(const std::string& path, int error) {
    return path + ": " + std::strerror(error);
}

enum class Claim { Ours, Taken, Failed };

// Whether path is a folder of ours that only we may enter, made so when it is ours. A link,
// anything but a folder, or a folder of another user is taken; the mode is changed through
// the folder's own handle, never through a link put there meanwhile.
Claim claim(const std::string& path, std::string& problem) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ELOOP || errno == ENOTDIR || errno == EACCES)
            return Claim::Taken;
        problem = failure(path, errno);
        return Claim::Failed;
    }
    struct stat st {};
    Claim result = Claim::Ours;
    if (::fstat(fd, &st) != 0 ||
        ((st.st_mode & 077) != 0 && st.st_uid == ::getuid() && ::fchmod(fd, 0700) != 0)) {
        problem = failure(path, errno);
        result = Claim::Failed;
    } else if (st.st_uid != ::getuid()) {
        result = Claim::Taken;
    }
    ::close(fd);
    return result;
}

// A folder of ours among root's entries whose names start with prefix.
std::string findOwn(const std::string& root, const std::string& prefix) {
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(::opendir(root.c_str()), ::closedir);
    if (!listing)
        return {};
    while (const dirent* entry = ::readdir(listing.get())) {
        const std::string path = root + '/' + entry->d_name;
        std::string ignored;
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) == 0 &&
            claim(path, ignored) == Claim::Ours)
            return path;
    }
    return {};
}

// $TMPDIR (or /tmp), without a trailing "/".
std::string temporaryRoot() {
    const char* base = std::getenv("TMPDIR");
    std::string root = base && *base ? base : "/tmp";
    while (root.size() > 1 && root.back() == '/')
        root.pop_back();
    return root;
}

std::string privateName() {
    return "palvex-image-changer-" + std::to_string(::getuid());
}

// The private folder earlier runs used, made by none: ours under our name, or the fresh one
// beside it when someone else has the name; empty when there is none.
std::string existingPrivateFolder() {
    const std::string root = temporaryRoot();
    std::string ignored;
    switch (claim(root + '/' + privateName(), ignored)) {
    case Claim::Ours:
        return root + '/' + privateName();
    case Claim::Taken:
        return findOwn(root, privateName() + '-');
    case Claim::Failed:
        break;
    }
    return {};
}

} // namespace

std::string temporaryFolder(std::string* problem) {
    const std::string root = temporaryRoot();
    const std::string name = privateName();
    const std::string folder = root + '/' + name;
    std::string failed;
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        // A missing $TMPDIR is what to name, not the folder that could not go into it.
        failed = failure(errno == ENOENT || errno == ENOTDIR ? root : folder, errno);
    } else {
        switch (claim(folder, failed)) {
        case Claim::Ours:
            return folder + '/';
        case Claim::Failed:
            break;
        case Claim::Taken: {
            // Someone else has our name: a fresh folder of ours beside it, which later runs
            // find again rather than make another.
            std::string own = findOwn(root, name + '-');
            if (own.empty())
                own = createTemporaryFolder(root, name + '-');
            if (!own.empty())
                return own + '/';
            failed = failure(root, errno);
        }
        }
    }
    if (problem)
        *problem = failed;
    return {};
}

std::string createTemporaryFile(const std::string& folder, const std::string& prefix,
                                const std::string& suffix, int& descriptor) {
    descriptor = -1;
    if (folder.empty())
        return {};
    std::string pattern = folder;
    if (pattern.back() != '/')
        pattern += '/';
    pattern += prefix + std::string(kPidMark) + std::to_string(::getpid()) + "." +
               std::string(kUniquePart, 'X') + suffix;
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    descriptor = ::mkostemps(name.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
    if (descriptor < 0)
        return {};
    return std::string(name.data());
}

std::string createTemporaryFile(const std::string& folder, const std::string& prefix,
                                const std::string& suffix) {
    int descriptor = -1;
    std::string path = createTemporaryFile(folder, prefix, suffix, descriptor);
    if (descriptor >= 0)
        ::close(descriptor);
    return path;
}

std::string createTemporaryFolder(const std::string& folder, const std::string& prefix) {
    if (folder.empty())
        return {};
    std::string pattern = folder;
    if (pattern.back() != '/')
        pattern += '/';
    pattern += prefix + "XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    return ::mkdtemp(name.data()) ? std::string(name.data()) : std::string();
}

std::string createProcessTemporaryFolder(const std::string& folder, const std::string& prefix) {
    return createTemporaryFolder(folder,
                                 prefix + std::string(kPidMark) + std::to_string(::getpid()) + ".");
}

int sweepStaleTemporaryFiles() {
    // Only a folder that is ours and no link; none is made where there is none.
    const std::string path = existingPrivateFolder();
    const int folder =
        path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    struct stat st {};
    if (folder >= 0 && (::fstat(folder, &st) != 0 || st.st_uid != ::getuid())) {
        ::close(folder);
        return 0;
    }
    const std::unique_ptr<DIR, int (*)(DIR*)> listing(folder >= 0 ? ::fdopendir(folder) : nullptr,
                                                      ::closedir);
    if (!listing) {
        if (folder >= 0)
            ::close(folder);
        return 0;
    }
    int removed = 0;
    while (const dirent* entry = ::readdir(listing.get())) {
        const pid_t owner = ownerOf(entry->d_name);
        if (owner != 0 && owner != ::getpid() && !processRuns(owner) &&
            removeUnheld(::dirfd(listing.get()), path, entry->d_name))
            ++removed;
    }
    return removed;
}

} // namespace palvex::platform
