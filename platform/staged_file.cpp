#include "platform/staged_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

namespace palvex::platform {

namespace {

std::string uniqueSuffix() {
    thread_local std::mt19937_64 engine{std::random_device{}()};
    static constexpr char kDigits[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::string suffix(8, ' ');
    for (char& c : suffix)
        c = kDigits[engine() % (sizeof kDigits - 1)];
    return suffix;
}

} // namespace

StagedFile::StagedFile(const std::string& target) : target_(target) {
    const auto slash = target.find_last_of('/');
    folder_ = slash == std::string::npos ? std::string{} : target.substr(0, slash + 1);
    if (target.size() == folder_.size()) {
        error_ = EINVAL;
        return;
    }
    // Nameless while it is written: a run killed on the way leaves nothing behind. Where the
    // file system has no nameless files, a named one stands in.
    fd_ = ::open(folder_.empty() ? "." : folder_.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0644);
    if (fd_ >= 0)
        return;
    for (int attempt = 0; attempt < 100; ++attempt) {
        staged_ = stagedName();
        // Created new, never opened through a link; the mode is what a plain create gives.
        fd_ = ::open(staged_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd_ >= 0 || errno != EEXIST)
            break;
    }
    if (fd_ < 0) {
        error_ = errno;
        staged_.clear();
    }
}

std::string StagedFile::stagedName() const {
    // Cut so that the staged name stays within what a file system allows, however long the
    // target's name is.
    return folder_ + '.' + target_.substr(folder_.size(), 64) + '.' + uniqueSuffix();
}

// The nameless file takes a staged name beside its target, for the rename that follows.
bool StagedFile::giveName() {
    const std::string self = "/proc/self/fd/" + std::to_string(fd_);
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string name = stagedName();
        if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
            staged_ = name;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    error_ = errno;
    return false;
}

StagedFile::~StagedFile() {
    if (fd_ >= 0)
        ::close(fd_);
    if (!staged_.empty())
        ::unlink(staged_.c_str());
}

bool StagedFile::write(const void* data, std::int64_t count) {
    const auto* bytes = static_cast<const char*>(data);
    while (count > 0) {
        const ssize_t put = ::write(fd_, bytes, static_cast<std::size_t>(count));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            error_ = put < 0 ? errno : ENOSPC;
            return false;
        }
        bytes += put;
        count -= put;
    }
    return true;
}

void StagedFile::setModificationTime(std::int64_t utcSeconds) {
    const struct timespec times[2] = {{static_cast<time_t>(utcSeconds), 0},
                                      {static_cast<time_t>(utcSeconds), 0}};
    ::futimens(fd_, times);
}

bool StagedFile::close() {
    if (fd_ < 0)
        return true;
    const bool named = !staged_.empty() || giveName();
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) == 0)
        return named;
    error_ = errno;
    return false;
}

bool StagedFile::commit() {
    if (!close() || staged_.empty())
        return false;
    if (std::rename(staged_.c_str(), target_.c_str()) != 0) {
        error_ = errno;
        return false;
    }
    staged_.clear();
    return true;
}

} // namespace palvex::platform
