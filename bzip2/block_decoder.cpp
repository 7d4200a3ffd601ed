#include "bzip2/block_decoder.h"

#include "bzip2/library_decoder.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstring>
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

// A block's bytes before the first run-length step are at most its level's block size; runs
// may make the output longer, and then it grows.
std::optional<std::string> decodeStream(std::string& input, std::size_t expected,
                                        std::size_t maxOutput) {
    LibraryDecoder library;
    if (!library.ready())
        return std::nullopt;
    bz_stream& s = library.stream();
    s.next_in = input.data();
    s.avail_in = static_cast<unsigned>(input.size());
    std::string output(std::min(maxOutput, expected), '\0');
    std::size_t produced = 0;
    int result = BZ_OK;
    while (result == BZ_OK) {
        if (produced == output.size()) {
            if (output.size() >= maxOutput)
                return std::nullopt;
            output.resize(std::min(maxOutput, output.size() * 2));
        }
        s.next_out = output.data() + produced;
        s.avail_out =
            static_cast<unsigned>(std::min<std::size_t>(output.size() - produced, 1u << 30));
        const unsigned room = s.avail_out;
        result = BZ2_bzDecompress(&s);
        produced += room - s.avail_out;
        if (result == BZ_OK && s.avail_in == 0 && s.avail_out > 0)
            return std::nullopt; // cut short
    }
    if (result != BZ_STREAM_END || s.avail_in != 0)
        return std::nullopt;
    output.resize(produced);
    return output;
}

} // namespace

std::optional<std::vector<std::string>>
decodeBlocksInParallel(std::string_view file, unsigned threads, std::size_t maxOutput) {
    const auto blocks = layOut(file);
    if (!blocks || blocks->size() < 2)
        return std::nullopt;
    const BitReader bits(file);
    std::vector<std::string> parts(blocks->size());
    std::atomic<std::size_t> next{0};
    std::atomic<std::size_t> total{0};
    std::atomic<bool> failed{false};
    auto work = [&] {
        for (std::size_t i; !failed && (i = next++) < blocks->size();) {
            std::string stream = standalone(bits, (*blocks)[i]);
            const std::size_t expected = std::size_t((*blocks)[i].level - '0') * 100000 + 4096;
            auto part = decodeStream(stream, expected, maxOutput);
            if (!part || (total += part->size()) > maxOutput)
                failed = true;
            else
                parts[i] = std::move(*part);
        }
    };
    std::vector<std::thread> helpers;
    for (unsigned t = 1; t < std::min<std::size_t>(threads, blocks->size()); ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& helper : helpers)
        helper.join();
    if (failed)
        return std::nullopt;
    return parts;
}

} // namespace palvex
