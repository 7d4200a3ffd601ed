#include "bzip2/bzip2_coder.h"

#include "bzip2/block_decoder.h"
#include "bzip2/bzip2_decoding_stream.h"
#include "platform/exception.h"

#include <bzlib.h>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace palvex {

struct Tbzip2::Stream {
    bz_stream record{};
};

struct Tbzip2::Buffers {
    explicit Buffers(int kib) : input(std::size_t(kib) * 1024), output(std::size_t(kib) * 1024) {}
    std::vector<char> input, output;
};

namespace {

constexpr const char* kResultNames[] = {
    "BZ_SEQUENCE_ERROR",   "BZ_PARAM_ERROR", "BZ_MEM_ERROR",      "BZ_DATA_ERROR",
    "BZ_DATA_ERROR_MAGIC", "BZ_IO_ERROR",    "BZ_UNEXPECTED_EOF", "BZ_OUTBUFF_FULL",
};

// Ends the library stream on every way out. On the normal path the caller ends it itself so
// that a failing end is reported; while another error is on its way the end's own result is
// dropped, as that error says more.
class StreamEnd {
public:
    explicit StreamEnd(std::function<int()> end) : end_(std::move(end)) {}
    ~StreamEnd() {
        if (end_)
            end_();
    }
    int endNow() { return std::exchange(end_, nullptr)(); }

private:
    std::function<int()> end_;
};

void clearCounters(bz_stream& s) {
    s.next_in = nullptr;
    s.avail_in = 0;
    s.total_in_lo32 = s.total_in_hi32 = 0;
    s.next_out = nullptr;
    s.avail_out = 0;
    s.total_out_lo32 = s.total_out_hi32 = 0;
    s.state = nullptr;
}

} // namespace

Tbzip2::Tbzip2() : stream_(std::make_unique<Stream>()) {
    stream_->record.bzalloc = nullptr;
    stream_->record.bzfree = nullptr;
    stream_->record.opaque = nullptr;
}

Tbzip2::~Tbzip2() = default;

void Tbzip2::setBlockSize(int value) {
    if (value >= 1 && value <= 9)
        blockSize_ = value;
}

void Tbzip2::setBufferSize(int value) {
    if (value >= 1 && value <= 4096)
        bufferSize_ = value;
}

int Tbzip2::CheckResult(int code) {
    if (code >= BZ_OK && code <= BZ_STREAM_END)
        return code;
    if (code <= BZ_SEQUENCE_ERROR && code >= BZ_OUTBUFF_FULL)
        throw Exception(kResultNames[-code - 1]);
    throw Exception("BZ_UNKNOWN_ERROR");
}

int Tbzip2::bzCompressInit() {
    return CheckResult(BZ2_bzCompressInit(&stream_->record, blockSize_, 0, 0));
}
int Tbzip2::bzCompress(int action) {
    return CheckResult(BZ2_bzCompress(&stream_->record, action));
}
int Tbzip2::bzCompressEnd() {
    return CheckResult(BZ2_bzCompressEnd(&stream_->record));
}

// Feeds source to the library buffer by buffer; each call's output, exactly what it
// produced, is appended to destination.
template <typename Call>
void Tbzip2::codeLoop(ByteStream& source, ByteStream& destination, Buffers& buffers, Call call) {
    const auto n = static_cast<unsigned>(buffers.input.size());
    std::vector<char>& input = buffers.input;
    std::vector<char>& output = buffers.output;
    bz_stream& s = stream_->record;
    while (source.position() < source.size()) {
        s.next_in = input.data();
        s.avail_in = static_cast<unsigned>(source.read(input.data(), n));
        if (s.avail_in == 0)
            break; // the source shrank under us
        while (s.avail_in > 0) {
            s.next_out = output.data();
            s.avail_out = n;
            s.total_out_lo32 = s.total_out_hi32 = 0;
            call();
            destination.writeAll(output.data(), s.total_out_lo32);
        }
        if (!progress(source.position(), source.size()))
            raiseCancelled();
    }
}

bool Tbzip2::progress(std::int64_t done, std::int64_t total) {
    bool cancel = false;
    if (OnProgress)
        OnProgress(done, total, cancel);
    return !cancel;
}

void Tbzip2::raiseCancelled() {
    throw Exception("Cancelled");
}

void Tbzip2::CompressStream(ByteStream& source, ByteStream& destination) {
    source.seek(0, ByteStream::Origin::Begin);
    bz_stream& s = stream_->record;
    clearCounters(s);
    bzCompressInit();
    StreamEnd end([this] { return BZ2_bzCompressEnd(&stream_->record); });

    Buffers buffers(bufferSize_);
    codeLoop(source, destination, buffers, [this] { bzCompress(BZ_RUN); });
    std::vector<char>& output = buffers.output;
    const auto n = static_cast<unsigned>(output.size());
    int result;
    do {
        s.next_out = output.data();
        s.avail_out = n;
        s.total_out_lo32 = s.total_out_hi32 = 0;
        result = bzCompress(BZ_FINISH);
        destination.writeAll(output.data(), s.total_out_lo32);
    } while (result != BZ_STREAM_END);
    CheckResult(end.endNow());
}

namespace {

// A file up to this size is read whole and its blocks decoded side by side on every core; what
// it decodes to is held in memory until all is checked, so that and the decoders' own tables
// are bounded together.
constexpr std::int64_t kParallelInputLimit = 64 << 20;
constexpr std::size_t kParallelMemory = std::size_t(256) << 20;

[[noreturn]] void raiseOverLimit(std::int64_t limit) {
    throw Exception("more than " + std::to_string(limit) + " bytes");
}

} // namespace

bool Tbzip2::decodeInParallel(ByteStream& source, ByteStream& destination) {
    const unsigned threads = std::thread::hardware_concurrency();
    const std::int64_t size = source.size();
    if (threads < 2 || size == 0 || size > kParallelInputLimit)
        return false;
    std::string file(static_cast<std::size_t>(size), '\0');
    source.seek(0, ByteStream::Origin::Begin);
    if (source.read(file.data(), size) != size)
        return false;
    // Progress by blocks decoded, counted as the share of the file they stand for.
    const BlockDecoding decoding = decodeBlocksInParallel(
        file, threads, {kParallelMemory, static_cast<std::uint64_t>(maxOutput_)},
        [&](std::size_t done, std::size_t total) {
            return progress(size * std::int64_t(done) / std::int64_t(total), size);
        });
    if (decoding.outcome == BlockDecoding::Outcome::Stopped)
        raiseCancelled();
    if (decoding.outcome == BlockDecoding::Outcome::OverOutput) {
        outputLimitReached_ = true;
        raiseOverLimit(maxOutput_);
    }
    if (decoding.outcome != BlockDecoding::Outcome::Decoded)
        return false;
    for (const std::string& piece : decoding.pieces) {
        destination.writeAll(piece.data(), static_cast<std::int64_t>(piece.size()));
        if (!progress(size, size))
            raiseCancelled();
    }
    return true;
}

void Tbzip2::DecompressStream(ByteStream& source, ByteStream& destination) {
    outputLimitReached_ = false;
    // The one-pass decode below is the reference: it runs whenever the blocks could not all
    // be decoded and checked side by side, and it names the error.
    if (decodeInParallel(source, destination))
        return;
    source.seek(0, ByteStream::Origin::Begin);
    Bzip2DecodingStream decoded(source, Bzip2DecodingStream::Streams::All, maxOutput_);
    Buffers buffers(bufferSize_);
    std::vector<char>& output = buffers.output;
    try {
        for (std::int64_t got;
             (got = decoded.read(output.data(), std::int64_t(output.size()))) > 0;) {
            destination.writeAll(output.data(), got);
            if (!progress(source.position(), source.size()))
                raiseCancelled();
        }
        progress(source.position(), source.size()); // the whole source, read to its end
    } catch (const Exception&) {
        outputLimitReached_ = decoded.limitReached();
        throw;
    }
}

} // namespace palvex
