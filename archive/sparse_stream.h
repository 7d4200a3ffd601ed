#pragma once

#include "archive/tar_entry_reader.h"
#include "platform/byte_stream.h"

#include <vector>

namespace palvex::archive {

// A sparse member read as the file it stands for: zeros in the holes, the archive's bytes in
// the fragments. Read from the start to the end once; nothing of the file is held in memory,
// so a hole of any size costs no more than the zeros written for it.
class SparseStream final : public ByteStream {
public:
    // The map must have passed CheckSparseMap.
    SparseStream(ByteStream& archive, std::int64_t fragmentsOffset,
                 std::vector<SparseFragment> fragments, std::int64_t realSize);

    // Less than asked at a fragment's edge; 0 at the end, or where the archive ends early.
    std::int64_t read(void* buffer, std::int64_t count) override;
    std::int64_t write(const void* buffer, std::int64_t count) override;
    std::int64_t seek(std::int64_t offset, Origin origin) override;
    std::int64_t size() const override { return realSize_; }
    std::int64_t position() const override { return position_; }
    void truncate() override;

private:
    ByteStream& archive_;
    std::vector<SparseFragment> fragments_;
    std::int64_t realSize_;
    std::int64_t position_ = 0;
    std::size_t fragment_ = 0;      // the first fragment that does not end before position_
    std::int64_t fragmentData_ = 0; // where that fragment's bytes lie in the archive
};

} // namespace palvex::archive
