#include "archive/sparse_stream.h"

#include "platform/exception.h"

#include <algorithm>
#include <cstring>

namespace palvex::archive {

SparseStream::SparseStream(ByteStream& archive, std::int64_t fragmentsOffset,
                           std::vector<SparseFragment> fragments, std::int64_t realSize)
    : archive_(archive), fragments_(std::move(fragments)), realSize_(realSize),
      fragmentData_(fragmentsOffset) {}

std::int64_t SparseStream::read(void* buffer, std::int64_t count) {
    while (fragment_ < fragments_.size() &&
           fragments_[fragment_].offset + fragments_[fragment_].size <= position_) {
        fragmentData_ += fragments_[fragment_].size;
        ++fragment_;
    }
    const std::int64_t wanted = std::min(count, realSize_ - position_);
    if (wanted <= 0)
        return 0;
    if (fragment_ < fragments_.size() && fragments_[fragment_].offset <= position_) {
        const SparseFragment& in = fragments_[fragment_];
        const std::int64_t within = position_ - in.offset;
        archive_.seek(fragmentData_ + within, Origin::Begin);
        const std::int64_t got =
            archive_.read(buffer, std::min(wanted, in.offset + in.size - position_));
        position_ += std::max<std::int64_t>(got, 0);
        return got;
    }
    const std::int64_t holeEnd =
        fragment_ < fragments_.size() ? fragments_[fragment_].offset : realSize_;
    const std::int64_t zeros = std::min(wanted, holeEnd - position_);
    std::memset(buffer, 0, static_cast<std::size_t>(zeros));
    position_ += zeros;
    return zeros;
}

std::int64_t SparseStream::write(const void*, std::int64_t) {
    throw Exception("A sparse member is read only");
}

std::int64_t SparseStream::seek(std::int64_t offset, Origin origin) {
    // Read once from the start: only where it stands can be asked for.
    if (!(offset == 0 && origin == Origin::Current))
        throw Exception("A sparse member is read from its start only");
    return position_;
}

void SparseStream::truncate() {
    throw Exception("A sparse member is read only");
}

} // namespace palvex::archive
