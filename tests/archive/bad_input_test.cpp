#include "archive/archive_errors.h"
#include "archive/un_tar.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::archive {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;
using test::TarBuilder;
using test::withField;

// Each row: an archive no honest tool writes, what the reader must count, and that it
// neither crashes, hangs nor writes outside the extraction folder.
struct BadArchive {
    const char* story;
    std::string bytes;
    int count;
    std::vector<int> codes;
};

std::vector<BadArchive> badArchives() {
    const TarHeader plain = test::headerFor("a.txt", 4, '0');
    std::vector<BadArchive> rows;
    rows.push_back({"a size field of 8 GiB is refused, and the archive ends inside its data",
                    TarBuilder()
                        .raw(withField(plain, tar_field::size, "77777777777"))
                        .zeros(2)
                        .finish()
                        .bytes(),
                    0,
                    {error_code::OpenError, error_code::CrcError}});
    rows.push_back({"garbage in the size field counts only its octal digits",
                    TarBuilder().raw(withField(plain, tar_field::size, "zz4?")).finish().bytes(),
                    1,
                    {}});
    rows.push_back(
        {"a header announcing more data than the file holds writes nothing and says so",
         TarBuilder().raw(withField(plain, tar_field::size, "0000001000")).zeros(0).bytes() + "abc",
         0,
         {error_code::CrcError}});
    rows.push_back({"a one-byte file holds no entry", "x", 0, {}});
    rows.push_back({"an empty file holds no entry", "", 0, {}});
    rows.push_back({"random bytes hold nothing that can escape", std::string(4096, '\xA5'), 0, {}});
    return rows;
}

TEST(BadInput, EveryRowEndsWithinTheFolder) {
    for (const BadArchive& row : badArchives()) {
        ScratchFolder scratch;
        TUnTar reader;
        std::vector<int> codes;
        reader.OnError = [&](TZipCommon&, const std::string&, const std::string&,
                             const std::string&, int code) {
            codes.push_back(code);
        };
        reader.setArchiveFile(test::writeFile(scratch / "bad.tar", row.bytes));
        reader.setExtractDir(scratch / "IMAGE");
        reader.FileSpec = {"*.*"};
        EXPECT_EQ(reader.Extract(), row.count) << row.story;
        EXPECT_EQ(codes, row.codes) << row.story;
        for (const auto& entry : fs::directory_iterator(scratch.path()))
            EXPECT_TRUE(entry.path().filename() == "bad.tar" || entry.path().filename() == "IMAGE")
                << row.story << ": " << entry.path();
    }
}

TEST(BadInput, TenThousandEmptyEntries) {
    ScratchFolder scratch;
    TarBuilder many;
    for (int i = 0; i < 10000; ++i)
        many.file("e" + std::to_string(i), "");
    TUnTar reader;
    reader.setArchiveFile(many.finish().write(scratch / "many.tar"));
    reader.setExtractDir(scratch / "IMAGE");
    reader.FileSpec = {"*.*"};
    EXPECT_EQ(reader.Extract(), 10000);
}

TEST(BadInput, AFolderWhereAFileGoesAndTheReverse) {
    ScratchFolder scratch;
    test::makeFolder(scratch / "IMAGE/image/desktop.jpg");
    test::writeFile(scratch / "IMAGE/en", "a file where a folder must go");
    TUnTar reader;
    std::vector<int> codes;
    reader.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                         int code) {
        codes.push_back(code);
    };
    reader.setArchiveFile(TarBuilder()
                              .file("image/desktop.jpg", "x")
                              .file("en/menu5.bmp", "y")
                              .file("ok.gif", "z")
                              .finish()
                              .write(scratch / "in.tar"));
    reader.setExtractDir(scratch / "IMAGE");
    reader.FileSpec = {"*.*"};
    EXPECT_EQ(reader.Extract(), 1);
    EXPECT_EQ(codes, (std::vector<int>{error_code::OpenError, error_code::OpenError}));
    EXPECT_TRUE(fs::is_directory(scratch / "IMAGE/image/desktop.jpg"));
    EXPECT_EQ(test::readFile(scratch / "IMAGE/en"), "a file where a folder must go");
}

TEST(BadInput, ExcludedEntriesAreReportedAndNotWritten) {
    ScratchFolder scratch;
    TUnTar reader;
    std::vector<std::string> excluded;
    reader.OnExcludeFile = [&](TZipCommon&, const std::string& name) {
        excluded.push_back(name);
    };
    reader.setArchiveFile(TarBuilder()
                              .file("image/a.bmp", "x")
                              .file("image/b.gif", "y")
                              .finish()
                              .write(scratch / "in.tar"));
    reader.setExtractDir(scratch / "IMAGE");
    reader.FileSpec = {"*.*"};
    reader.ExcludeSpec = {"*.bmp"};
    EXPECT_EQ(reader.Extract(), 1);
    EXPECT_EQ(excluded, std::vector<std::string>{"image/a.bmp"});
    EXPECT_FALSE(fs::exists(scratch / "IMAGE/image/a.bmp"));
}

} // namespace
} // namespace palvex::archive
