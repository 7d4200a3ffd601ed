#include "bzip2/block_decoder.h"
#include "bzip2/bzip2_coder.h"
#include "bzip2/bzip2_decoding_stream.h"
#include "platform/exception.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <optional>
#include <random>

namespace palvex {
namespace {

std::vector<std::uint8_t> randomBytes(std::size_t count, unsigned seed = 7) {
    std::mt19937 engine(seed);
    std::vector<std::uint8_t> bytes(count);
    for (auto& b : bytes)
        b = static_cast<std::uint8_t>(engine());
    return bytes;
}

std::vector<std::uint8_t> compressed(const std::vector<std::uint8_t>& plain) {
    MemoryStream source(plain), destination;
    Tbzip2().CompressStream(source, destination);
    return destination.bytes();
}

std::vector<std::uint8_t> decompressed(const std::vector<std::uint8_t>& packed) {
    MemoryStream source(packed), destination;
    Tbzip2().DecompressStream(source, destination);
    return destination.bytes();
}

std::string decodeError(const std::vector<std::uint8_t>& packed) {
    try {
        decompressed(packed);
    } catch (const Exception& e) {
        return e.what();
    }
    return "no error";
}

TEST(Bzip2RoundTrip, GivesBackExactlyTheBytes) {
    std::vector<std::uint8_t> text;
    for (int i = 0; text.size() < 300000; ++i)
        for (char c : "image/desktop.jpg " + std::to_string(i))
            text.push_back(static_cast<std::uint8_t>(c));
    const std::vector<std::vector<std::uint8_t>> inputs = {
        {},
        {0x42},
        randomBytes(350000), // incompressible, more than three 100 000-byte blocks
        text,
    };
    for (const auto& plain : inputs) {
        const auto packed = compressed(plain);
        ASSERT_GE(packed.size(), 14u); // header and end-of-stream marker at least
        EXPECT_EQ(packed[0], 'B');
        EXPECT_EQ(packed[3], '1'); // block size 1 unless told otherwise
        EXPECT_EQ(decompressed(packed), plain) << plain.size();
    }
    EXPECT_LT(compressed(text).size(), text.size() / 10);
}

TEST(Bzip2Streams, SourceIsCodedFromItsStartAndOutputAppendedAtThePosition) {
    const auto plain = randomBytes(5000);
    MemoryStream source(plain);
    source.seek(1234, ByteStream::Origin::Begin);
    MemoryStream destination(std::vector<std::uint8_t>{'o', 'l', 'd'});
    destination.seek(0, ByteStream::Origin::End);
    Tbzip2().CompressStream(source, destination);
    const auto& out = destination.bytes();
    EXPECT_EQ(std::string(out.begin(), out.begin() + 3), "old");
    EXPECT_EQ(decompressed({out.begin() + 3, out.end()}), plain);
}

// What parallel compressors and "cat a.bz2 b.bz2" make, bzip2 itself decodes whole.
TEST(Bzip2Streams, StreamsLaidEndToEndDecodeAsOne) {
    const auto first = randomBytes(150000, 1), last = randomBytes(3000, 2);
    std::vector<std::uint8_t> packed = compressed(first), plain = first;
    for (const auto& part : {std::vector<std::uint8_t>{}, last}) {
        const auto more = compressed(part);
        packed.insert(packed.end(), more.begin(), more.end());
        plain.insert(plain.end(), part.begin(), part.end());
    }
    for (int kib : {1, 32}) {
        Tbzip2 coder;
        coder.setBufferSize(kib);
        MemoryStream source(packed), destination;
        coder.DecompressStream(source, destination);
        EXPECT_EQ(destination.bytes(), plain) << kib;
    }
    auto garbage = packed;
    garbage.insert(garbage.end(), {'B', 'Z', 'x', '9'});
    EXPECT_EQ(decodeError(garbage), "BZ_SEQUENCE_ERROR");
    const std::vector<std::uint8_t> cutInSecond(packed.begin(), packed.end() - 5);
    EXPECT_EQ(decodeError(cutInSecond), "BZ_UNEXPECTED_EOF");
}

// Blocks decoded side by side give exactly what one pass gives, or stand aside (nothing) so
// that the one pass runs and names the error.
TEST(Bzip2Blocks, SideBySideDecodingGivesTheOnePassResultOrStandsAside) {
    std::vector<std::uint8_t> text;
    for (int i = 0; text.size() < 700000; ++i)
        for (char c : "image/en/mainpic/" + std::to_string(i % 977) + ".gif ")
            text.push_back(static_cast<std::uint8_t>(c));
    const auto noise = randomBytes(350000);
    auto both = compressed(noise);
    for (const auto& part : {std::vector<std::uint8_t>{}, text}) {
        const auto more = compressed(part);
        both.insert(both.end(), more.begin(), more.end());
    }
    std::vector<std::uint8_t> bothPlain = noise;
    bothPlain.insert(bothPlain.end(), text.begin(), text.end());
    auto cut = compressed(noise);
    cut.resize(cut.size() - 3);
    auto trailing = compressed(noise);
    trailing.push_back('x');
    auto damaged = compressed(noise);
    damaged[damaged.size() / 2] ^= 0x10;

    using Outcome = BlockDecoding::Outcome;
    constexpr BlockLimits kAmple = {std::size_t(1) << 30, std::uint64_t(1) << 30};
    const struct {
        const char* story;
        std::vector<std::uint8_t> packed;
        std::optional<std::vector<std::uint8_t>> decoded;
        BlockLimits limits = kAmple;
        Outcome outcome = Outcome::Declined;
    } rows[] = {
        {"blocks of noise", compressed(noise), noise, kAmple, Outcome::Decoded},
        {"blocks of text, runs and all", compressed(text), text, kAmple, Outcome::Decoded},
        {"streams laid end to end, one empty", both, bothPlain, kAmple, Outcome::Decoded},
        {"one block gains nothing", compressed(randomBytes(5000)), std::nullopt},
        {"cut short", cut, std::nullopt},
        {"a byte after the end", trailing, std::nullopt},
        {"a damaged block", damaged, std::nullopt},
        {"more output than allowed",
         compressed(noise),
         std::nullopt,
         {1 << 30, 300000},
         Outcome::OverOutput},
        // The output kept and the blocks in work count together, whatever the threads.
        {"more memory than allowed", compressed(noise), std::nullopt, {1 << 20, 1 << 30}},
    };
    for (const auto& row : rows) {
        const std::string file(row.packed.begin(), row.packed.end());
        const BlockDecoding decoding = decodeBlocksInParallel(file, 2, row.limits);
        ASSERT_EQ(decoding.outcome, row.outcome) << row.story;
        if (row.decoded) {
            std::string decoded;
            for (const std::string& piece : decoding.pieces)
                decoded += piece;
            EXPECT_EQ(decoded, std::string(row.decoded->begin(), row.decoded->end())) << row.story;
        }
    }
}

// A few hundred bytes of bzip2 that decode to megabytes of zeros, against a limit of 1 MiB:
// every decoder refuses them and stops within a little of the limit, never after whole blocks
// of 5 MB (bzip2 -1 of zeros) or whole streams.
TEST(Bzip2Bombs, EveryDecoderStopsSoonAfterTheLimit) {
    constexpr std::int64_t kLimit = 1 << 20;
    const auto zeros = [](std::size_t size) {
        return compressed(std::vector<std::uint8_t>(size, 0));
    };
    const auto oneBlock = zeros(4 << 20);
    std::vector<std::uint8_t> endToEnd;
    for (int i = 0; i < 8; ++i)
        endToEnd.insert(endToEnd.end(), oneBlock.begin(), oneBlock.end());
    const struct {
        const char* story;
        std::vector<std::uint8_t> packed;
        bool sideBySide; // decoded side by side, not declined as a single block
    } bombs[] = {
        {"one stream of many blocks", zeros(20 << 20), true},
        {"one block", oneBlock, false},
        {"streams laid end to end", endToEnd, true},
    };
    const std::string overLimit = "more than " + std::to_string(kLimit) + " bytes";
    for (const auto& bomb : bombs) {
        SCOPED_TRACE(bomb.story);
        ASSERT_LT(bomb.packed.size(), 1000u);
        const std::string file(bomb.packed.begin(), bomb.packed.end());
        const BlockDecoding sideBySide = decodeBlocksInParallel(file, 2, {1 << 30, kLimit});
        EXPECT_EQ(sideBySide.outcome, bomb.sideBySide ? BlockDecoding::Outcome::OverOutput
                                                      : BlockDecoding::Outcome::Declined);
        EXPECT_LT(sideBySide.decodedBytes, std::uint64_t(2 * kLimit));

        for (const auto streams :
             {Bzip2DecodingStream::Streams::All, Bzip2DecodingStream::Streams::First}) {
            MemoryStream source(bomb.packed);
            Bzip2DecodingStream decoding(source, streams, kLimit);
            std::vector<char> buffer(100000);
            std::string error;
            try {
                while (decoding.read(buffer.data(), std::int64_t(buffer.size())) > 0) {
                }
            } catch (const Exception& e) {
                error = e.what();
            }
            EXPECT_EQ(error, overLimit);
            EXPECT_TRUE(decoding.limitReached());
            EXPECT_LE(decoding.decoded(), kLimit);
        }

        Tbzip2 coder;
        coder.setMaxOutput(kLimit);
        MemoryStream source(bomb.packed), destination;
        EXPECT_THROW(coder.DecompressStream(source, destination), Exception);
        EXPECT_TRUE(coder.OutputLimitReached());
        EXPECT_LE(destination.size(), kLimit);
    }
}

// A terminal reads the first stream only: what follows it is reported, never decoded.
TEST(Bzip2DecodingStream, FirstStreamOnlySaysWhatFollowsIt) {
    const auto plain = randomBytes(3000);
    const auto packed = compressed(plain);
    const auto followedBy = [&](std::vector<std::uint8_t> after) {
        std::vector<std::uint8_t> bytes = packed;
        bytes.insert(bytes.end(), after.begin(), after.end());
        return bytes;
    };
    using After = Bzip2DecodingStream::After;
    const struct {
        const char* story;
        std::vector<std::uint8_t> bytes;
        After after;
    } rows[] = {
        {"nothing", packed, After::Nothing},
        {"another stream", followedBy(compressed(randomBytes(10))), After::AnotherStream},
        {"a line of text", followedBy({'x', '\n'}), After::OtherData},
        {"two bytes of a stream's start", followedBy({'B', 'Z'}), After::OtherData},
    };
    for (const auto& row : rows) {
        MemoryStream source(row.bytes);
        Bzip2DecodingStream decoding(source, Bzip2DecodingStream::Streams::First);
        std::vector<std::uint8_t> decoded(plain.size() + 10);
        std::int64_t at = 0;
        for (std::int64_t got; (got = decoding.read(decoded.data() + at, 7)) > 0;)
            at += got;
        decoded.resize(static_cast<std::size_t>(at));
        EXPECT_EQ(decoded, plain) << row.story;
        EXPECT_EQ(decoding.completeStreams(), 1) << row.story;
        EXPECT_EQ(decoding.after(), row.after) << row.story;
    }
}

// The progress rises to the whole source; a cancel stops the run at the report that asked.
TEST(Bzip2Progress, RisesToTheWholeSourceAndACancelStopsTheRun) {
    const auto noise = randomBytes(350000);
    const struct {
        const char* story;
        bool compress;
        std::vector<std::uint8_t> input;
    } rows[] = {
        {"compress", true, noise},
        {"decode in one pass", false, compressed(randomBytes(90000))}, // a single block
        {"decode blocks side by side", false, compressed(noise)},
    };
    for (const auto& row : rows) {
        for (const bool cancel : {false, true}) {
            Tbzip2 coder;
            coder.setBufferSize(1);
            std::vector<std::int64_t> seen;
            coder.OnProgress = [&](std::int64_t done, std::int64_t total, bool& stop) {
                EXPECT_EQ(total, std::int64_t(row.input.size())) << row.story;
                seen.push_back(done);
                stop = cancel;
            };
            MemoryStream source(row.input), destination;
            std::string error = "none";
            try {
                if (row.compress)
                    coder.CompressStream(source, destination);
                else
                    coder.DecompressStream(source, destination);
            } catch (const Exception& e) {
                error = e.what();
            }
            EXPECT_EQ(error, cancel ? "Cancelled" : "none") << row.story;
            if (cancel) {
                EXPECT_EQ(seen.size(), 1u) << row.story;
            } else {
                EXPECT_GT(seen.size(), 1u) << row.story;
                EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end())) << row.story;
                EXPECT_EQ(seen.back(), std::int64_t(row.input.size())) << row.story;
            }
        }
    }
}

TEST(Bzip2Errors, NamedAfterTheLibrarysCode) {
    const auto good = compressed(randomBytes(20000));
    auto damaged = good;
    damaged[good.size() / 2] ^= 0xFF;
    auto trailing = good;
    trailing.push_back('x');
    const std::vector<std::uint8_t> truncated(good.begin(), good.begin() + good.size() / 2);
    const std::vector<std::uint8_t> endless(good.begin(), good.end() - 1);

    EXPECT_EQ(decodeError({'n', 'o', 't', ' ', 'b', 'z'}), "BZ_DATA_ERROR_MAGIC");
    EXPECT_EQ(decodeError(damaged), "BZ_DATA_ERROR");
    EXPECT_EQ(decodeError(trailing), "BZ_SEQUENCE_ERROR");
    // Cut short, the stream must not pass for a whole one.
    EXPECT_EQ(decodeError(truncated), "BZ_UNEXPECTED_EOF");
    EXPECT_EQ(decodeError(endless), "BZ_UNEXPECTED_EOF");
    EXPECT_EQ(decodeError({}), "no error");
}

TEST(Bzip2Errors, CheckResultPassesZeroToFourAndNamesTheRest) {
    for (int code = 0; code <= 4; ++code)
        EXPECT_EQ(Tbzip2::CheckResult(code), code);
    const std::pair<int, const char*> named[] = {
        {-1, "BZ_SEQUENCE_ERROR"}, {-2, "BZ_PARAM_ERROR"},      {-3, "BZ_MEM_ERROR"},
        {-4, "BZ_DATA_ERROR"},     {-5, "BZ_DATA_ERROR_MAGIC"}, {-6, "BZ_IO_ERROR"},
        {-7, "BZ_UNEXPECTED_EOF"}, {-8, "BZ_OUTBUFF_FULL"},     {-9, "BZ_UNKNOWN_ERROR"},
        {5, "BZ_UNKNOWN_ERROR"},
    };
    for (const auto& [code, name] : named) {
        try {
            Tbzip2::CheckResult(code);
            ADD_FAILURE() << code;
        } catch (const Exception& e) {
            EXPECT_STREQ(e.what(), name);
        }
    }
}

TEST(Bzip2Properties, OutOfRangeValuesAreIgnored) {
    Tbzip2 coder;
    EXPECT_EQ(coder.BlockSize(), 1);
    EXPECT_EQ(coder.BufferSize(), 32);
    for (int bad : {0, 10, -1})
        coder.setBlockSize(bad);
    for (int bad : {0, 4097})
        coder.setBufferSize(bad);
    EXPECT_EQ(coder.BlockSize(), 1);
    EXPECT_EQ(coder.BufferSize(), 32);
    coder.setBlockSize(9);
    coder.setBufferSize(1);
    EXPECT_EQ(coder.BlockSize(), 9);
    EXPECT_EQ(coder.BufferSize(), 1);

    // Tiny buffers: many hand-offs, same result.
    const auto plain = randomBytes(70000);
    MemoryStream source(plain), packed;
    coder.CompressStream(source, packed);
    EXPECT_EQ(packed.bytes()[3], '9');
    MemoryStream unpacked;
    coder.DecompressStream(packed, unpacked);
    EXPECT_EQ(unpacked.bytes(), plain);
}

} // namespace
} // namespace palvex
