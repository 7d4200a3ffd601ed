#include "bzip2/bzip2_coder.h"

#include "bzip2/block_decoder.h"
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

// Clears the record for a new stream, keeping where its input and output buffers stand.
void keepOnlyBuffers(bz_stream& s) {
    char* const nextIn = s.next_in;
    const unsigned availIn = s.avail_in;
    char* const nextOut = s.next_out;
    const unsigned availOut = s.avail_out;
    clearCounters(s);
    s.next_in = nextIn;
    s.avail_in = availIn;
    s.next_out = nextOut;
    s.avail_out = availOut;
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
int Tbzip2::bzDecompressInit() {
    return CheckResult(BZ2_bzDecompressInit(&stream_->record, 0, 0));
}
int Tbzip2::bzDecompress() {
    return CheckResult(BZ2_bzDecompress(&stream_->record));
}
int Tbzip2::bzDecompressEnd() {
    return CheckResult(BZ2_bzDecompressEnd(&stream_->record));
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
    }
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

// Streams laid end to end (what parallel compressors and "cat a.bz2 b.bz2" make) decode as
// one, as bzip2 itself reads them. Bytes after the last stream that start no new one are
// garbage handed to the library after its end: a sequence error.
namespace {

// A file up to this size is read whole and its blocks decoded side by side on every core;
// what it decodes to is held in memory until all is checked, so that too is bounded.
constexpr std::int64_t kParallelInputLimit = 64 << 20;
constexpr std::size_t kParallelOutputLimit = std::size_t(256) << 20;

bool decodeInParallel(ByteStream& source, ByteStream& destination) {
    const unsigned threads = std::thread::hardware_concurrency();
    const std::int64_t size = source.size();
    if (threads < 2 || size == 0 || size > kParallelInputLimit)
        return false;
    std::string file(static_cast<std::size_t>(size), '\0');
    source.seek(0, ByteStream::Origin::Begin);
    if (source.read(file.data(), size) != size)
        return false;
    const auto blocks = decodeBlocksInParallel(file, threads, kParallelOutputLimit);
    if (!blocks)
        return false;
    for (const std::string& block : *blocks)
        destination.writeAll(block.data(), static_cast<std::int64_t>(block.size()));
    return true;
}

} // namespace

void Tbzip2::DecompressStream(ByteStream& source, ByteStream& destination) {
    // The one-pass decode below is the reference: it runs whenever the blocks could not all
    // be decoded and checked side by side, and it names the error.
    if (decodeInParallel(source, destination))
        return;
    source.seek(0, ByteStream::Origin::Begin);
    bz_stream& s = stream_->record;
    clearCounters(s);
    std::unique_ptr<StreamEnd> end;
    bool inStream = false;
    auto begin = [&] {
        bzDecompressInit();
        end = std::make_unique<StreamEnd>([this] { return BZ2_bzDecompressEnd(&stream_->record); });
        inStream = true;
    };
    begin();
    bool following = false; // the stream being decoded comes after a complete one
    const bool empty = source.size() == 0;
    Buffers buffers(bufferSize_);
    codeLoop(source, destination, buffers, [&] {
        if (!inStream) {
            keepOnlyBuffers(s);
            begin();
            following = true;
        }
        const int result = following ? bzDecompressFollowing() : bzDecompress();
        following = following && s.total_out_lo32 == 0;
        if (result == BZ_STREAM_END) {
            CheckResult(end->endNow());
            inStream = false;
        }
    });
    // A stream cut short would otherwise look like a complete one: the library simply
    // waits for more input. Nothing at all still decodes to nothing.
    if (!empty && inStream)
        CheckResult(BZ_UNEXPECTED_EOF);
    if (inStream)
        CheckResult(end->endNow());
}

// Bytes after a complete stream that do not start another are garbage fed to the library
// after its end, as a single stream's decoder has always said.
int Tbzip2::bzDecompressFollowing() {
    const int result = BZ2_bzDecompress(&stream_->record);
    return CheckResult(result == BZ_DATA_ERROR_MAGIC ? BZ_SEQUENCE_ERROR : result);
}

} // namespace palvex
