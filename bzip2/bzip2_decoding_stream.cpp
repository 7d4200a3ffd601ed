#include "bzip2/bzip2_decoding_stream.h"

#include "bzip2/bzip2_coder.h"
#include "platform/exception.h"

#include <algorithm>
#include <bzlib.h>
#include <cstring>
#include <string>

namespace palvex {

namespace {

constexpr std::size_t kInputSize = 64 * 1024;
// The library counts its buffers in unsigned ints; no call is handed more than this.
constexpr std::int64_t kMostPerCall = std::int64_t(1) << 30;

} // namespace

// One library stream, ended on every way out.
struct Bzip2DecodingStream::Library {
    bz_stream record{};
    bool open = false;

    ~Library() { close(); }
    // Starts a stream, keeping where the input stands.
    void begin() {
        char* const next = record.next_in;
        const unsigned available = record.avail_in;
        record = bz_stream{};
        record.next_in = next;
        record.avail_in = available;
        Tbzip2::CheckResult(BZ2_bzDecompressInit(&record, 0, 0));
        open = true;
    }
    int close() {
        if (!open)
            return BZ_OK;
        open = false;
        return BZ2_bzDecompressEnd(&record);
    }
};

Bzip2DecodingStream::Bzip2DecodingStream(ByteStream& source, Streams streams, std::int64_t limit)
    : source_(source), streams_(streams), limit_(std::max<std::int64_t>(limit, 0)),
      input_(kInputSize), library_(std::make_unique<Library>()) {}

Bzip2DecodingStream::~Bzip2DecodingStream() = default;

void Bzip2DecodingStream::refill() {
    bz_stream& s = library_->record;
    if (s.avail_in > 0 || sourceEnded_)
        return;
    const std::int64_t got = source_.read(input_.data(), static_cast<std::int64_t>(input_.size()));
    s.next_in = input_.data();
    s.avail_in = static_cast<unsigned>(std::max<std::int64_t>(got, 0));
    sourceEnded_ = got <= 0;
}

// At the start, or after a whole stream: begins the next one, if there is one to read.
bool Bzip2DecodingStream::startStream() {
    if (completeStreams_ > 0 && streams_ == Streams::First) {
        after_ = peekAfter();
        return false;
    }
    refill();
    if (library_->record.avail_in == 0)
        return false; // nothing more, or nothing at all: the end
    library_->begin();
    following_ = completeStreams_ > 0;
    return true;
}

// "BZh" starts a stream; anything else is data a terminal would not read.
Bzip2DecodingStream::After Bzip2DecodingStream::peekAfter() {
    const bz_stream& s = library_->record;
    char head[3];
    std::int64_t have = std::min<std::int64_t>(s.avail_in, 3);
    std::memcpy(head, s.next_in, static_cast<std::size_t>(have));
    for (std::int64_t got = 1; have < 3 && !sourceEnded_ && got > 0; have += got)
        got = std::max<std::int64_t>(source_.read(head + have, 3 - have), 0);
    if (have == 0)
        return After::Nothing;
    return have == 3 && std::memcmp(head, "BZh", 3) == 0 ? After::AnotherStream : After::OtherData;
}

std::int64_t Bzip2DecodingStream::read(void* buffer, std::int64_t count) {
    while (!ended_ && count > 0) {
        if (!library_->open && !startStream()) {
            ended_ = true;
            break;
        }
        refill();
        bz_stream& s = library_->record;
        // One byte past the limit is asked for, to learn that the limit is passed.
        const std::int64_t left = limit_ - decoded_;
        const std::int64_t room =
            std::min({count, left == kNoLimit ? left : left + 1, kMostPerCall});
        const unsigned inputBefore = s.avail_in;
        s.next_out = static_cast<char*>(buffer);
        s.avail_out = static_cast<unsigned>(room);
        int code = BZ2_bzDecompress(&s);
        const std::int64_t got = room - s.avail_out;
        // Bytes after a whole stream that start no other are garbage handed to the library
        // after its end, as a one-stream decoder has always said.
        if (following_ && code == BZ_DATA_ERROR_MAGIC)
            code = BZ_SEQUENCE_ERROR;
        following_ = following_ && got == 0;
        Tbzip2::CheckResult(code);
        if (code == BZ_STREAM_END) {
            Tbzip2::CheckResult(library_->close());
            ++completeStreams_;
        } else if (got == 0 && s.avail_in == 0 && sourceEnded_) {
            // A stream cut short would otherwise look like a whole one: the library simply
            // waits for more input.
            Tbzip2::CheckResult(BZ_UNEXPECTED_EOF);
        } else if (got == 0 && s.avail_in == inputBefore && inputBefore > 0) {
            Tbzip2::CheckResult(BZ_DATA_ERROR); // no step forward: never loop on it
        }
        if (got > left) {
            limitReached_ = true;
            throw Exception("more than " + std::to_string(limit_) + " bytes");
        }
        decoded_ += got;
        if (got > 0)
            return got;
    }
    return 0;
}

} // namespace palvex
