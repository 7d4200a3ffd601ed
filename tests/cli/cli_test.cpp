#include "tests/cli/cli_runner.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

TEST(CliSlots, ListsEverySlotWithItsPathAndLimits) {
    const CliResult korvell = runTheme({"slots", "korvell"});
    ASSERT_EQ(korvell.exitCode, 0) << korvell.err.toStdString();
    ASSERT_EQ(korvell.lines().size(), 30);
    EXPECT_EQ(korvell.lines()[0], "0\tDesktop\timage/desktop.jpg\t45.00\t210\t320");
    EXPECT_EQ(korvell.lines()[27], "27\t3.6 Reset\timage/mi37.gif\t3.00\t55\t55");
    EXPECT_EQ(korvell.lines()[21], "21\t2.5  Wireless\timage/single.gif\t3.00\t55\t55");

    const CliResult plus = runTheme({"slots", "korvell-plus"});
    ASSERT_EQ(plus.lines().size(), 20);
    EXPECT_EQ(plus.lines()[13], "13\tWaitCursor\timage/en/mainpic/02.gif\t20.00\t128\t128");
    EXPECT_EQ(plus.lines()[6], "6\tSystem\timage/en/menu5.bmp\t200.00\t300\t220");
}

TEST(CliErrors, GoToStderrWithANonZeroStatus) {
    struct Case {
        QStringList arguments;
        const char* message;
    } const cases[] = {
        {{"slots", "k9"}, "Unknown model"},
        {{"slots"}, "Usage: palvex-theme slots MODEL"},
        {{"frobnicate"}, "Unknown command"},
        {{"show", "korvell", "99"}, "Unknown slot"},
        {{"show", "korvell", "desktop"}, "Unknown slot"},
        {{}, "Commands:"},
    };
    for (const Case& c : cases) {
        const CliResult result = runTheme(c.arguments);
        EXPECT_NE(result.exitCode, 0) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
    }
}

TEST(CliClean, RemovesTheWorkspaceGivenAndNothingOutside) {
    ScratchFolder scratch;
    const std::string kept = writeFile(scratch / "outside/keep.txt", "precious");
    writeFile(scratch / "W/image/desktop.jpg", "x");
    std::filesystem::create_directory_symlink(scratch / "outside", scratch / "W/image/link");

    const CliResult result = runTheme({"clean", "--workspace", q(scratch / "W")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_FALSE(std::filesystem::exists(scratch / "W"));
    EXPECT_EQ(readFile(kept), "precious");
    EXPECT_EQ(runTheme({"clean", "--workspace", q(scratch / "W")}).exitCode, 0);
}

TEST(CliVersion, AnswersWithTheVersion) {
    const CliResult result = runTheme({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("palvex-theme ")) << result.out.toStdString();
}

} // namespace
} // namespace palvex::test
