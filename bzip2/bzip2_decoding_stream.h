#pragma once

#include "platform/byte_stream.h"

#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

namespace palvex {

// Decodes bzip2 data as it is read, a buffer at a time, so that what a few kilobytes decode
// to is never held whole and decoding stops the moment a limit is passed. The one-pass decode
// of the coder and the archive check both read through it.
class Bzip2DecodingStream {
public:
    enum class Streams {
        All,   // streams laid end to end decode as one, as bzip2 itself reads them
        First, // the first stream only, as a terminal reads it; what follows is looked at, not
               // decoded
    };
    // What follows the first stream, once it has been read whole with Streams::First.
    enum class After { Nothing, AnotherStream, OtherData };

    static constexpr std::int64_t kNoLimit = std::numeric_limits<std::int64_t>::max();

    // Reads source from its current position. More than limit bytes of output is an error.
    Bzip2DecodingStream(ByteStream& source, Streams streams, std::int64_t limit = kNoLimit);
    ~Bzip2DecodingStream();
    Bzip2DecodingStream(const Bzip2DecodingStream&) = delete;
    Bzip2DecodingStream& operator=(const Bzip2DecodingStream&) = delete;

    // Decodes up to count bytes into buffer and answers how many came; 0 at the end (an empty
    // source decodes to nothing). Raises palvex::Exception named after the library's code:
    // BZ_DATA_ERROR_MAGIC for what is no bzip2 data, BZ_DATA_ERROR for damage,
    // BZ_UNEXPECTED_EOF for a stream cut short, BZ_SEQUENCE_ERROR for bytes after a stream that
    // start no other (Streams::All); or "more than N bytes" once the output would pass limit,
    // having given out no byte past it.
    std::int64_t read(void* buffer, std::int64_t count);

    // The bytes given out so far.
    std::int64_t decoded() const { return decoded_; }
    bool limitReached() const { return limitReached_; }
    // The streams decoded whole so far.
    int completeStreams() const { return completeStreams_; }
    // With Streams::First, once read() has answered 0 after a whole stream.
    After after() const { return after_; }

private:
    struct Library;
    bool startStream();
    void refill();
    After peekAfter();

    ByteStream& source_;
    Streams streams_;
    std::int64_t limit_;
    std::vector<char> input_;
    std::unique_ptr<Library> library_;
    bool sourceEnded_ = false;
    bool ended_ = false;
    bool following_ = false; // the stream being read follows a whole one and gave nothing yet
    int completeStreams_ = 0;
    After after_ = After::Nothing;
    std::int64_t decoded_ = 0;
    bool limitReached_ = false;
};

} // namespace palvex
