#pragma once

#include "platform/byte_stream.h"

namespace palvex {

// Passes everything to another stream but refuses to let it grow past a limit, so that a
// few kilobytes of compressed input cannot fill a disk: a write that would pass the limit
// raises, and so does one that the stream underneath takes only in part.
class CappedStream final : public ByteStream {
public:
    CappedStream(ByteStream& target, std::int64_t limit) : target_(target), limit_(limit) {}

    std::int64_t read(void* buffer, std::int64_t count) override;
    // Raises "Disk full" when the disk took less than it was given.
    std::int64_t write(const void* buffer, std::int64_t count) override;
    std::int64_t seek(std::int64_t offset, Origin origin) override;
    std::int64_t size() const override { return target_.size(); }
    std::int64_t position() const override { return target_.position(); }
    void truncate() override { target_.truncate(); }

    bool limitReached() const { return limitReached_; }
    // The system's reason (an errno value) when the stream underneath refused a write: the
    // fault lies with where the bytes go, not with where they come from.
    int writeError() const { return writeError_; }

private:
    ByteStream& target_;
    std::int64_t limit_;
    bool limitReached_ = false;
    int writeError_ = 0;
};

} // namespace palvex
