#include "platform/byte_stream.h"

#include "platform/exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palvex {

void ByteStream::writeAll(const void* buffer, std::int64_t count) {
    if (write(buffer, count) != count)
        throw Exception("Stream write error");
}

namespace {

std::string systemReason(int error) {
    return std::strerror(error);
}

int openFlags(FileStream::Mode mode) {
    switch (mode) {
    case FileStream::Mode::Create:
        return O_RDWR | O_CREAT | O_TRUNC;
    case FileStream::Mode::OpenRead:
        return O_RDONLY;
    case FileStream::Mode::OpenWrite:
        return O_RDWR;
    }
    return O_RDONLY;
}

} // namespace

FileStream::FileStream(const std::string& path, Mode mode) : path_(path) {
    // A folder opens fine for reading on POSIX; it is no file to stream, so refuse it here.
    fd_ = ::open(path.c_str(), openFlags(mode) | O_CLOEXEC, 0644);
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        errno = EISDIR;
    }
    if (fd_ < 0) {
        const char* what = mode == Mode::Create ? "Cannot create file \"" : "Cannot open file \"";
        throw Exception(what + path + "\". " + systemReason(errno));
    }
}

FileStream::~FileStream() {
    if (fd_ >= 0)
        ::close(fd_);
}

void FileStream::close() {
    if (fd_ < 0)
        return;
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0)
        throw Exception("Error closing \"" + path_ + "\". " + systemReason(errno));
}

std::int64_t FileStream::read(void* buffer, std::int64_t count) {
    auto* out = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(fd_, out + done, static_cast<std::size_t>(count - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            throw Exception("Stream read error");
        if (got == 0)
            break;
        done += got;
    }
    return done;
}

std::int64_t FileStream::write(const void* buffer, std::int64_t count) {
    const auto* in = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(fd_, in + done, static_cast<std::size_t>(count - done));
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            break;
        done += put;
    }
    return done;
}

std::int64_t FileStream::seek(std::int64_t offset, Origin origin) {
    const int whence = origin == Origin::Begin     ? SEEK_SET
                       : origin == Origin::Current ? SEEK_CUR
                                                   : SEEK_END;
    const off_t at = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (at < 0)
        throw Exception("Stream seek error");
    return at;
}

std::int64_t FileStream::size() const {
    struct stat st {};
    return ::fstat(fd_, &st) == 0 ? static_cast<std::int64_t>(st.st_size) : 0;
}

std::int64_t FileStream::position() const {
    const off_t at = ::lseek(fd_, 0, SEEK_CUR);
    return at < 0 ? 0 : at;
}

void FileStream::truncate() {
    if (::ftruncate(fd_, static_cast<off_t>(position())) != 0)
        throw Exception("Stream write error");
}

BufferedWriter::BufferedWriter(ByteStream& target, std::size_t capacity)
    : target_(target), capacity_(capacity), targetPosition_(target.position()) {
    pending_.reserve(capacity);
}

BufferedWriter::~BufferedWriter() {
    try {
        flush();
    } catch (const Exception&) {
    }
}

void BufferedWriter::flush() {
    if (pending_.empty())
        return;
    const auto count = static_cast<std::int64_t>(pending_.size());
    const std::int64_t put = target_.write(pending_.data(), count);
    pending_.clear();
    targetPosition_ += std::max<std::int64_t>(put, 0);
    if (put != count)
        throw Exception("Stream write error");
}

std::int64_t BufferedWriter::read(void* buffer, std::int64_t count) {
    flush();
    const std::int64_t got = target_.read(buffer, count);
    targetPosition_ += got;
    return got;
}

std::int64_t BufferedWriter::write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    if (pending_.size() + static_cast<std::size_t>(count) > capacity_)
        flush();
    if (static_cast<std::size_t>(count) >= capacity_) {
        const std::int64_t put = target_.write(buffer, count);
        targetPosition_ += std::max<std::int64_t>(put, 0);
        return put;
    }
    const auto* bytes = static_cast<const char*>(buffer);
    pending_.insert(pending_.end(), bytes, bytes + count);
    return count;
}

std::int64_t BufferedWriter::seek(std::int64_t offset, Origin origin) {
    flush();
    targetPosition_ = target_.seek(offset, origin);
    return targetPosition_;
}

std::int64_t BufferedWriter::size() const {
    return std::max(target_.size(), position());
}

std::int64_t BufferedWriter::position() const {
    return targetPosition_ + static_cast<std::int64_t>(pending_.size());
}

void BufferedWriter::truncate() {
    flush();
    target_.truncate();
}

std::int64_t MemoryStream::read(void* buffer, std::int64_t count) {
    const std::int64_t available = std::max<std::int64_t>(0, size() - position_);
    const std::int64_t n = std::min(count, available);
    if (n > 0)
        std::memcpy(buffer, bytes_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
}

std::int64_t MemoryStream::write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const auto end = static_cast<std::size_t>(position_ + count);
    if (end > bytes_.size())
        bytes_.resize(end);
    std::memcpy(bytes_.data() + position_, buffer, static_cast<std::size_t>(count));
    position_ += count;
    return count;
}

std::int64_t MemoryStream::seek(std::int64_t offset, Origin origin) {
    const std::int64_t base = origin == Origin::Begin     ? 0
                              : origin == Origin::Current ? position_
                                                          : size();
    if (base + offset < 0)
        throw Exception("Stream seek error");
    position_ = base + offset;
    return position_;
}

void MemoryStream::truncate() {
    bytes_.resize(static_cast<std::size_t>(std::min(position_, size())));
}

} // namespace palvex
