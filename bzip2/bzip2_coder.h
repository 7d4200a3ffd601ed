#pragma once

#include "platform/byte_stream.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace palvex {

// Codes one whole stream into another through libbz2. A coder is made for one operation:
// each call starts a fresh library stream and ends it on every way out.
class Tbzip2 {
public:
    Tbzip2();
    ~Tbzip2();
    Tbzip2(const Tbzip2&) = delete;
    Tbzip2& operator=(const Tbzip2&) = delete;

    // Block size in units of 100 000 bytes, 1..9; other values are ignored.
    int BlockSize() const { return blockSize_; }
    void setBlockSize(int value);
    // Size of each of the two work buffers in KiB, 1..4096; other values are ignored.
    int BufferSize() const { return bufferSize_; }
    void setBufferSize(int value);

    // Called as the run goes on: Done bytes of the source's Total are coded. Setting Cancel
    // stops the run at that point, raising palvex::Exception; what was written by then stays
    // for the caller to throw away.
    std::function<void(std::int64_t Done, std::int64_t Total, bool& Cancel)> OnProgress;

    // Compresses all of source, from its start, into one bzip2 stream appended to
    // destination at its position. Raises palvex::Exception named after the library's code.
    void CompressStream(ByteStream& source, ByteStream& destination);
    // Decompresses all of source, from its start, appending to destination. The source must
    // hold complete bzip2 streams laid end to end, or nothing at all.
    void DecompressStream(ByteStream& source, ByteStream& destination);

    // The most DecompressStream may decode to: decoding stops, raising "more than N bytes", as
    // soon as the output passes it, before it reaches the destination. Unbounded by default.
    void setMaxOutput(std::int64_t bytes) { maxOutput_ = bytes; }
    // Whether the last DecompressStream stopped at that limit.
    bool OutputLimitReached() const { return outputLimitReached_; }

    // Codes 0..4 pass; any other raises with the code's name.
    static int CheckResult(int code);

private:
    struct Stream;
    struct Buffers;
    template <typename Call>
    void codeLoop(ByteStream& source, ByteStream& destination, Buffers& buffers, Call call);
    // False when the blocks could not all be decoded side by side; raises when the output
    // passed the limit.
    bool decodeInParallel(ByteStream& source, ByteStream& destination);
    // Reports progress; false once the handler has cancelled the run.
    bool progress(std::int64_t done, std::int64_t total);
    [[noreturn]] static void raiseCancelled();

    int bzCompressInit();
    int bzCompress(int action);
    int bzCompressEnd();

    int blockSize_ = 1;
    int bufferSize_ = 32;
    std::int64_t maxOutput_ = INT64_MAX;
    bool outputLimitReached_ = false;
    std::unique_ptr<Stream> stream_;
};

} // namespace palvex
