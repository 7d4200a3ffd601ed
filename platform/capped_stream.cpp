#include "platform/capped_stream.h"

#include "platform/exception.h"

#include <cerrno>
#include <cstring>

namespace palvex {

std::int64_t CappedStream::read(void* buffer, std::int64_t count) {
    return target_.read(buffer, count);
}

std::int64_t CappedStream::write(const void* buffer, std::int64_t count) {
    if (count > limit_ - target_.position()) {
        limitReached_ = true;
        throw Exception("more than " + std::to_string(limit_) + " bytes");
    }
    errno = 0;
    const std::int64_t put = target_.write(buffer, count);
    if (put != count) {
        writeError_ = errno != 0 ? errno : ENOSPC; // a short write without an error: no room
        throw Exception(writeError_ == ENOSPC || writeError_ == EDQUOT ? "Disk full"
                                                                       : "Stream write error");
    }
    return put;
}

std::int64_t CappedStream::seek(std::int64_t offset, Origin origin) {
    return target_.seek(offset, origin);
}

} // namespace palvex
