// Arbitrary bytes through the archive check of verify: it answers problems, never crashes, and
// decodes no more than its limit, however small the input and however much it unpacks to.
#include "platform/byte_stream.h"
#include "theme/theme_archive_check.h"

#include <cstdio>
#include <cstdlib>

namespace {

// Small, so that every bomb the fuzzer finds costs little time.
constexpr std::int64_t kLimit = 4 << 20;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    palvex::MemoryStream archive(std::vector<std::uint8_t>(data, data + size));
    palvex::MemoryStream tar;
    const palvex::theme::ArchiveCheck check =
        palvex::theme::checkThemeArchive(archive, tar, kLimit);
    if (tar.size() > kLimit || (check.tooLarge && check.problems.size() != 1)) {
        std::fprintf(stderr, "decoded %lld bytes past the limit\n",
                     static_cast<long long>(tar.size()));
        std::abort();
    }
    return 0;
}
