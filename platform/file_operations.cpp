#include "platform/file_operations.h"

#include <cstdio>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace palvex::platform {

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool createFolder(const std::string& path) {
    return ::mkdir(path.c_str(), 0755) == 0;
}

bool isRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool entryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
}

EntryKind entryKind(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::lstat(path.c_str(), &st) != 0)
        return EntryKind::None;
    if (S_ISREG(st.st_mode))
        return EntryKind::RegularFile;
    if (S_ISDIR(st.st_mode))
        return EntryKind::Folder;
    if (S_ISLNK(st.st_mode))
        return EntryKind::Link;
    if (S_ISFIFO(st.st_mode))
        return EntryKind::Fifo;
    if (S_ISSOCK(st.st_mode))
        return EntryKind::Socket;
    return EntryKind::Device;
}

bool isReadable(const std::string& path) {
    return !path.empty() && ::access(path.c_str(), R_OK) == 0;
}

bool removeFile(const std::string& path) {
    return !path.empty() && ::unlink(path.c_str()) == 0;
}

bool renameFile(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool sameFileSystem(const std::string& a, const std::string& b) {
    struct stat first {
    }, second{};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 &&
           first.st_dev == second.st_dev;
}

VolumeState volumeState(const std::string& folder) {
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) != 0)
        return VolumeState::NotAccessible;
    return (vfs.f_flag & ST_RDONLY) != 0 ? VolumeState::ReadOnly : VolumeState::Writable;
}

bool setDefaultPermissions(int descriptor) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return ::fchmod(descriptor, 0666 & ~mask) == 0;
}

std::time_t modificationTime(int descriptor) {
    struct stat st {};
    return ::fstat(descriptor, &st) == 0 ? st.st_mtime : static_cast<std::time_t>(-1);
}

} // namespace palvex::platform
