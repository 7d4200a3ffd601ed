#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Decodes a whole bzip2 file held in memory with its blocks shared out among threads: the
// blocks of a bzip2 stream are independent, each with its own CRC, so a file of several
// blocks decodes in a fraction of the time one pass takes.

// What a run may take and give. Memory counts everything held at once by all threads together:
// the output kept until every block is checked, each block's copy being decoded and the
// library's tables for it; so it does not grow with the number of cores.
struct BlockLimits {
    std::size_t memory;
    std::uint64_t output; // the most the file may decode to
};

struct BlockDecoding {
    enum class Outcome {
        Decoded,    // pieces hold the output, in order
        OverOutput, // the output passed limits.output; every thread stopped at once
        Stopped,    // the step asked to stop; every thread stopped at once
        // Not a plain run of complete streams, a single block, cut short, damaged, trailing
        // bytes, or more than limits.memory: the caller decodes in one pass, which is always
        // right and names the error.
        Declined,
    };
    Outcome outcome = Outcome::Declined;
    std::vector<std::string> pieces;
    std::uint64_t decodedBytes = 0; // what the blocks gave before the run ended
};

// Decodes the blocks of a whole bzip2 file held in memory; the decoded bytes are answered only
// when the file is laid out exactly as a run of complete streams, every block decoded, and every
// block and stream CRC matched.
//
// step, when given, is called on the caller's thread after each block it decodes with the
// number of blocks decoded so far and their total; false stops the run.
using BlockStep = std::function<bool(std::size_t done, std::size_t total)>;
BlockDecoding decodeBlocksInParallel(std::string_view file, unsigned threads,
                                     const BlockLimits& limits, const BlockStep& step = {});

} // namespace palvex
