#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace palvex {

// Decodes a whole bzip2 file held in memory with its blocks shared out among threads: the
// blocks of a bzip2 stream are independent, each with its own CRC, so a file of several
// blocks decodes in a fraction of the time one pass takes.
//
// Answers the decoded bytes of every block, in order, only when the file is laid out exactly as a
// run of complete streams, every block decoded, and every block and stream CRC matched; nothing
// otherwise (cut short, damaged, trailing bytes, a single block, more output than maxOutput). The
// caller then decodes in one pass, which is always right and names the error.
std::optional<std::vector<std::string>>
decodeBlocksInParallel(std::string_view file, unsigned threads, std::size_t maxOutput);

} // namespace palvex
