#include "bzip2/block_decoder.h"

#include "bzip2/library_decoder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

namespace palvex {

namespace {

// A block starts with this 48-bit magic and an end of stream with the other; neither is
// aligned to a byte, so both are looked for at every bit.
constexpr std::uint64_t kBlockMagic = 0x314159265359;
constexpr std::uint64_t kEndMagic = 0x177245385090;
constexpr unsigned kMagicBits = 48;
constexpr unsigned kCrcBits = 32;

// The file's bits, most significant first, as bzip2 writes them.
class BitReader {
public:
    explicit BitReader(std::string_view data) : data_(data) {}
    std::uint64_t size() const { return std::uint64_t(data_.size()) * 8; }
    // Up to 64 bits from bit `at`; the caller keeps within size().
    std::uint64_t read(std::uint64_t at, unsigned count) const {
        std::uint64_t value = 0;
        for (unsigned i = 0; i < count; ++i, ++at)
            value = value << 1 | ((static_cast<unsigned char>(data_[at / 8]) >> (7 - at % 8)) & 1);
        return value;
    }
    unsigned char byte(std::size_t at) const { return static_cast<unsigned char>(data_[at]); }

private:
    std::string_view data_;
};

class BitWriter {
public:
    explicit BitWriter(std::string& out) : out_(out) {}
    void put(std::uint64_t value, unsigned count) {
        while (count-- > 0) {
            pending_ = static_cast<unsigned char>(pending_ << 1 | ((value >> count) & 1));
            if (++filled_ == 8)
                flushByte();
        }
    }
    // Bits [begin, end) of the source, a byte at a time while this writer is on a byte.
    void copy(const BitReader& source, std::uint64_t begin, std::uint64_t end) {
        std::uint64_t left = end - begin;
        if (filled_ == 0) {
            const unsigned shift = begin % 8;
            out_.reserve(out_.size() + left / 8 + 16);
            for (std::size_t at = begin / 8; left >= 8; left -= 8, begin += 8, ++at)
                out_.push_back(static_cast<char>(
                    shift == 0 ? source.byte(at)
                               : (source.byte(at) << shift | source.byte(at + 1) >> (8 - shift))));
        }
        while (left > 0) {
            const unsigned n = static_cast<unsigned>(std::min<std::uint64_t>(left, 64));
            put(source.read(begin, n), n);
            begin += n;
            left -= n;
        }
    }
    void finish() {
        if (filled_ > 0) {
            pending_ = static_cast<unsigned char>(pending_ << (8 - filled_));
            flushByte();
        }
    }

private:
    void flushByte() {
        out_.push_back(static_cast<char>(pending_));
        pending_ = 0;
        filled_ = 0;
    }

    std::string& out_;
    unsigned char pending_ = 0;
    unsigned filled_ = 0;
};

// Every bit position where magic stands, in order. For each of the eight offsets within a
// byte the magic's whole middle bytes are looked for with memmem; only those hits are
// checked bit by bit.
std::vector<std::uint64_t> findMagic(const BitReader& bits, std::string_view data,
                                     std::uint64_t magic) {
    std::vector<std::uint64_t> found;
    for (unsigned shift = 0; shift < 8; ++shift) {
        const std::uint64_t window = magic << (16 - shift);
        unsigned char bytes[8];
        for (unsigned j = 0; j < 8; ++j)
            bytes[j] = static_cast<unsigned char>(window >> (56 - 8 * j));
        const std::size_t lead = shift == 0 ? 0 : 1; // a partial first byte is not searched
        const std::size_t length = shift == 0 ? 6 : 5;
        const char* begin = data.data();
        const char* end = begin + data.size();
        for (const char* at = begin + lead; at < end;) {
            const void* hit = ::memmem(at, std::size_t(end - at), bytes + lead, length);
            if (!hit)
                break;
            at = static_cast<const char*>(hit);
            const std::uint64_t bit = std::uint64_t(at - begin - lead) * 8 + shift;
            if (bit + kMagicBits <= bits.size() && bits.read(bit, kMagicBits) == magic)
                found.push_back(bit);
            ++at;
        }
    }
    std::sort(found.begin(), found.end());
    return found;
}

struct Block {
    std::uint64_t begin, end; // bits, magic included, up to the next magic
    char level;
    std::uint32_t crc;
};

bool contains(const std::vector<std::uint64_t>& sorted, std::uint64_t bit) {
    return std::binary_search(sorted.begin(), sorted.end(), bit);
}

std::uint64_t nextAfter(const std::vector<std::uint64_t>& sorted, std::uint64_t bit) {
    const auto it = std::upper_bound(sorted.begin(), sorted.end(), bit);
    return it == sorted.end() ? UINT64_MAX : *it;
}

// The blocks of every stream, or nothing when the file is not a plain run of complete
// streams whose stored CRCs agree with their blocks'.
std::optional<std::vector<Block>> layOut(std::string_view data) {
    const BitReader bits(data);
    const auto starts = findMagic(bits, data, kBlockMagic);
    const auto ends = findMagic(bits, data, kEndMagic);
    std::vector<Block> blocks;
    std::size_t at = 0;
    while (at < data.size()) {
        if (data.size() - at < 4 || data.compare(at, 3, "BZh") != 0 || data[at + 3] < '1' ||
            data[at + 3] > '9')
            return std::nullopt;
        const char level = data[at + 3];
        std::uint64_t bit = std::uint64_t(at + 4) * 8;
        std::uint32_t combined = 0;
        while (contains(starts, bit)) {
            const std::uint64_t next = std::min(nextAfter(starts, bit), nextAfter(ends, bit));
            if (next == UINT64_MAX || bit + kMagicBits + kCrcBits > next)
                return std::nullopt;
            const auto crc = static_cast<std::uint32_t>(bits.read(bit + kMagicBits, kCrcBits));
            blocks.push_back({bit, next, level, crc});
            combined = (combined << 1 | combined >> 31) ^ crc;
            bit = next;
        }
        if (!contains(ends, bit) || bit + kMagicBits + kCrcBits > bits.size() ||
            bits.read(bit + kMagicBits, kCrcBits) != combined)
            return std::nullopt;
        at = static_cast<std::size_t>((bit + kMagicBits + kCrcBits + 7) / 8);
    }
    return blocks;
}

// One block made into a stream of its own: the header, the block, an end whose CRC is the
// block's, as a one-block stream has.
std::string standalone(const BitReader& bits, const Block& block) {
    std::string stream = std::string("BZh") + block.level;
    BitWriter writer(stream);
    writer.copy(bits, block.begin, block.end);
    writer.put(kEndMagic, kMagicBits);
    writer.put(block.crc, kCrcBits);
    writer.finish();
    return stream;
}

// The output is kept in pieces of this size, each counted against the memory as it is taken;
// every thread looks for a stop between two pieces' worth of output at most.
constexpr std::size_t kPiece = 256 * 1024;

// What libbz2's fast decoder allocates for a block of a level: four bytes per byte of block,
// and its state.
std::size_t libraryBytes(char level) {
    return std::size_t(level - '0') * 100000 * 4 + 64 * 1024;
}

// Memory drawn on by every thread of a run; taking fails rather than passing the total.
class SharedMemory {
public:
    explicit SharedMemory(std::size_t total) : total_(total) {}
    bool take(std::size_t bytes) {
        if (used_.fetch_add(bytes) + bytes <= total_)
            return true;
        used_ -= bytes;
        return false;
    }
    void give(std::size_t bytes) { used_ -= bytes; }

private:
    const std::size_t total_;
    std::atomic<std::size_t> used_{0};
};

// What the threads of one run share.
struct Run {
    Run(const BitReader& bits, const std::vector<Block>& blocks, const BlockLimits& limits)
        : bits(bits), blocks(blocks), limits(limits), memory(limits.memory), parts(blocks.size()) {}

    const BitReader& bits;
    const std::vector<Block>& blocks;
    const BlockLimits limits;
    SharedMemory memory;
    std::vector<std::vector<std::string>> parts; // each block's pieces
    std::atomic<std::size_t> next{0};
    std::atomic<std::uint64_t> decoded{0};
    std::atomic<bool> stop{false};
    std::atomic<bool> overOutput{false};
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stepped{false}; // the step asked to stop
};

// Decodes one block made a stream of its own into its pieces; false when it fails or the run
// stops. The output is counted as it comes, so a block that decodes to far more than the
// limit is stopped within a piece of it.
bool decodeStream(std::string& input, std::vector<std::string>& pieces, Run& run) {
    LibraryDecoder library;
    if (!library.ready())
        return false;
    bz_stream& s = library.stream();
    s.next_in = input.data();
    s.avail_in = static_cast<unsigned>(input.size());
    int result = BZ_OK;
    while (result == BZ_OK) {
        if (run.stop)
            return false;
        if (pieces.empty() || pieces.back().size() == kPiece) {
            if (!run.memory.take(kPiece))
                return false;
            pieces.emplace_back().reserve(kPiece);
        }
        std::string& piece = pieces.back();
        const std::size_t at = piece.size();
        piece.resize(kPiece);
        s.next_out = piece.data() + at;
        s.avail_out = static_cast<unsigned>(kPiece - at);
        result = BZ2_bzDecompress(&s);
        const std::size_t got = kPiece - at - s.avail_out;
        piece.resize(at + got);
        if ((run.decoded += got) > run.limits.output) {
            run.overOutput = true;
            return false;
        }
        if (result == BZ_OK && s.avail_in == 0 && s.avail_out > 0)
            return false; // cut short
    }
    return result == BZ_STREAM_END && s.avail_in == 0;
}

// Takes blocks one after the other until none is left or the run stops.
void decodeBlocks(Run& run, const BlockStep* step) {
    for (std::size_t i; !run.stop && (i = run.next++) < run.blocks.size();) {
        const Block& block = run.blocks[i];
        const std::size_t working =
            std::size_t((block.end - block.begin) / 8) + 64 + libraryBytes(block.level);
        if (!run.memory.take(working)) {
            run.stop = true;
            break;
        }
        bool decoded;
        {
            std::string stream = standalone(run.bits, block);
            decoded = decodeStream(stream, run.parts[i], run);
        }
        run.memory.give(working);
        if (!decoded)
            run.stop = true;
        ++run.done;
        if (step && *step && !(*step)(run.done, run.blocks.size()))
            run.stop = run.stepped = true;
    }
}

} // namespace

BlockDecoding decodeBlocksInParallel(std::string_view file, unsigned threads,
                                     const BlockLimits& limits, const BlockStep& step) {
    BlockDecoding result;
    const auto blocks = layOut(file);
    if (!blocks || blocks->size() < 2)
        return result;
    const BitReader bits(file);
    Run run(bits, *blocks, limits);
    // No more threads than a quarter of the memory keeps busy with the largest blocks.
    const std::size_t busy =
        std::max<std::size_t>(1, limits.memory / 4 / (libraryBytes('9') + 1000000));
    const std::size_t count = std::min({std::size_t(threads), blocks->size(), busy});
    std::vector<std::thread> running;
    for (std::size_t t = 1; t < count; ++t)
        running.emplace_back(decodeBlocks, std::ref(run), nullptr);
    decodeBlocks(run, &step);
    for (std::thread& thread : running)
        thread.join();
    result.decodedBytes = run.decoded;
    if (run.stepped)
        result.outcome = BlockDecoding::Outcome::Stopped;
    else if (run.overOutput)
        result.outcome = BlockDecoding::Outcome::OverOutput;
    else if (!run.stop) {
        result.outcome = BlockDecoding::Outcome::Decoded;
        for (auto& part : run.parts)
            for (std::string& piece : part)
                result.pieces.push_back(std::move(piece));
    }
    return result;
}

} // namespace palvex
