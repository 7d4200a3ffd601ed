#include "platform/byte_stream.h"
#include "platform/exception.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace palvex {
namespace {

TEST(FileStream, ReadsWritesSeeksAndTruncates) {
    test::ScratchFolder scratch;
    FileStream out(scratch / "f.bin", FileStream::Mode::Create);
    out.writeAll("hello world", 11);
    EXPECT_EQ(out.size(), 11);
    EXPECT_EQ(out.seek(6, ByteStream::Origin::Begin), 6);
    char buffer[16] = {};
    EXPECT_EQ(out.read(buffer, 16), 5);
    EXPECT_STREQ(buffer, "world");
    EXPECT_EQ(out.read(buffer, 16), 0);
    out.seek(5, ByteStream::Origin::Begin);
    out.truncate();
    EXPECT_EQ(out.size(), 5);
}

TEST(FileStream, OpenFailuresNameTheFileAndTheReason) {
    test::ScratchFolder scratch;
    const std::string missing = scratch / "no/such.tar";
    try {
        FileStream in(missing, FileStream::Mode::OpenRead);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()),
                  "Cannot open file \"" + missing + "\". No such file or directory");
    }
    try {
        FileStream out(missing, FileStream::Mode::Create);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Cannot create file \"" + missing + "\". ", 0), 0u);
    }
    EXPECT_THROW(FileStream(scratch.path(), FileStream::Mode::OpenRead), Exception);
}

TEST(MemoryStream, GrowsOnWriteAndReadsFromItsPosition) {
    MemoryStream stream;
    stream.writeAll("abc", 3);
    stream.seek(5, ByteStream::Origin::Begin);
    stream.writeAll("z", 1);
    EXPECT_EQ(stream.size(), 6);
    EXPECT_EQ(stream.bytes()[3], 0); // a gap is zero-filled
    stream.seek(-2, ByteStream::Origin::End);
    char buffer[4] = {};
    EXPECT_EQ(stream.read(buffer, 4), 2);
    EXPECT_EQ(buffer[1], 'z');
    EXPECT_THROW(stream.seek(-1, ByteStream::Origin::Begin), Exception);
}

TEST(BufferedWriter, GathersWritesAndKeepsPositionsTrue) {
    MemoryStream target;
    {
        BufferedWriter out(target, 8);
        out.writeAll("abc", 3);
        EXPECT_EQ(out.position(), 3);
        EXPECT_EQ(out.size(), 3);
        EXPECT_EQ(target.size(), 0); // still gathered
        out.writeAll("defgh", 5);    // just fills the buffer
        EXPECT_EQ(target.size(), 0);
        out.writeAll("0123456789", 10); // flushes, then goes straight through
        EXPECT_EQ(target.size(), 18);
        out.writeAll("xy", 2);
        EXPECT_EQ(out.position(), 20);
        out.seek(5, ByteStream::Origin::Begin); // flushes first
        out.truncate();
        EXPECT_EQ(out.size(), 5);
        out.writeAll("Z", 1);
    } // the rest goes out on destruction
    EXPECT_EQ(std::string(target.bytes().begin(), target.bytes().end()), "abcdeZ");
}

// A stream that takes nothing, like a full disk.
class FullDisk final : public ByteStream {
public:
    std::int64_t read(void*, std::int64_t) override { return 0; }
    std::int64_t write(const void*, std::int64_t) override { return 0; }
    std::int64_t seek(std::int64_t, Origin) override { return 0; }
    std::int64_t size() const override { return 0; }
    std::int64_t position() const override { return 0; }
    void truncate() override {}
};

TEST(BufferedWriter, AFailedFlushIsAnError) {
    FullDisk disk;
    BufferedWriter out(disk, 64);
    EXPECT_EQ(out.write("abc", 3), 3);
    EXPECT_THROW(out.flush(), Exception);
    EXPECT_THROW(out.writeAll(std::string(100, 'x').data(), 100), Exception);
}

} // namespace
} // namespace palvex
