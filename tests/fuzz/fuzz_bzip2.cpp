// Arbitrary bytes through the decoder: errors are raised as the project's exception, never
// a crash. The output is counted, not kept, so that a small input that unpacks big costs
// no memory.
#include "bzip2/bzip2_coder.h"
#include "platform/exception.h"

namespace {

class CountingSink final : public palvex::ByteStream {
public:
    std::int64_t read(void*, std::int64_t) override { return 0; }
    std::int64_t write(const void*, std::int64_t count) override {
        written_ += count;
        return count;
    }
    std::int64_t seek(std::int64_t, Origin) override { return written_; }
    std::int64_t size() const override { return written_; }
    std::int64_t position() const override { return written_; }
    void truncate() override {}

private:
    std::int64_t written_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    palvex::MemoryStream source(std::vector<std::uint8_t>(data, data + size));
    CountingSink sink;
    try {
        palvex::Tbzip2().DecompressStream(source, sink);
    } catch (const palvex::Exception&) {
    }
    return 0;
}
