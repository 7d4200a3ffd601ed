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

} // namespace
} // namespace palvex
