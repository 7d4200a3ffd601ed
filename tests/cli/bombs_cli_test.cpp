#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <QRegularExpression>
#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A few hundred bytes of bzip2 holding tens of megabytes, against --max-size 1000000: unpack,
// verify and sheet each refuse it with the limit named (how soon their decoders stop is the
// bzip2 tests' table).
TEST(CliBombs, UnpackVerifyAndSheetRefuseWhatPassesTheLimit) {
    ScratchFolder scratch;
    TarBuilder().raw(headerFor("image/desktop.jpg", 50 << 20, '0')).write(scratch / "header");
    const struct {
        const char* story;
        std::string make; // a shell command writing bomb.bz2 in the scratch folder
    } bombs[] = {
        {"zeros in one stream of several blocks", "head -c 50M /dev/zero | bzip2 -9"},
        {"zeros in one block", "head -c 40M /dev/zero | bzip2 -9"},
        {"streams laid end to end",
         "head -c 5M /dev/zero | bzip2 -1 > one && cat one one one one one one"},
        {"a tar of one file of zeros", "(cat header; head -c 50M /dev/zero) | bzip2 -9"},
    };
    const QString limit = QStringLiteral("1000000");
    for (const auto& bomb : bombs) {
        SCOPED_TRACE(bomb.story);
        ASSERT_EQ(shell("cd " + scratch.path() + " && (" + bomb.make + ") > bomb.bz2"), 0);
        ASSERT_LT(std::filesystem::file_size(scratch / "bomb.bz2"), 1000u);
        const QString archive = q(scratch / "bomb.bz2");

        const CliResult unpacked =
            runTheme({"unpack", archive, "--workspace", q(scratch / "W"), "--max-size", limit});
        EXPECT_EQ(unpacked.exitCode, 1);
        EXPECT_TRUE(unpacked.out.contains("The archive unpacks to more than 1000000 bytes"))
            << unpacked.out.toStdString();
        EXPECT_TRUE(treeOf(scratch / "W").empty());

        const QString refused = "archive\tthe archive unpacks to more than 1000000 bytes";
        const CliResult verified = runTheme({"verify", "korvell", archive, "--max-size", limit});
        EXPECT_EQ(verified.exitCode, 1);
        EXPECT_EQ(verified.lines().filter(QRegularExpression("^archive\t")), QStringList{refused})
            << verified.out.toStdString();
        const CliResult sheet =
            runTheme({"sheet", "korvell", q(scratch / "s.png"), archive, "--max-size", limit});
        EXPECT_EQ(sheet.exitCode, 1);
        EXPECT_TRUE(sheet.lines().contains(refused)) << sheet.out.toStdString();
    }
}

} // namespace
} // namespace palvex::test
