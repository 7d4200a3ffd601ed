#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

// The libraries the dynamic linker loads for a command, as LD_DEBUG=libs reports them.
std::string loadedLibraries(const std::string& program, const std::string& arguments) {
    std::string report;
    shell("LD_DEBUG=libs " + program + " " + arguments + " 2>&1 >/dev/null", &report);
    return report;
}

// The archive commands start with QtCore alone; a picture command brings QtGui with it,
// which shows that the check can see it.
TEST(CliFrontEnd, OnlyPictureCommandsLoadTheGuiLibrary) {
    ScratchFolder scratch;
    const std::string workspace = " --workspace " + scratch / "W";
    struct Case {
        std::string arguments;
        bool loadsGui;
    } const cases[] = {
        {std::string("unpack ") + PALVEX_SAMPLE_KORVELL + workspace, false},
        {"compile " + scratch / "out.bz2" + workspace, false},
        {"slots korvell", false},
        {"clean" + workspace, false},
        {std::string("verify korvell ") + PALVEX_SAMPLE_KORVELL, true},
    };
    for (const Case& c : cases) {
        const std::string report = loadedLibraries(PALVEX_THEME, c.arguments);
        ASSERT_NE(report.find("libQt6Core"), std::string::npos) << "no LD_DEBUG report";
        EXPECT_EQ(report.find("libQt6Gui") != std::string::npos, c.loadsGui) << c.arguments;
    }
}

// A name that is not UTF-8 would reach Qt as another name (its bad bytes replaced): the command
// refuses it and writes nothing under any name.
TEST(CliFrontEnd, AnArgumentThatIsNotUtf8IsRefused) {
    ScratchFolder scratch;
    const std::string workspace = " --workspace " + scratch / "W";
    const std::string bad = "\"" + scratch / "bad" + "$(printf '\\377')" + "\"";
    const std::string commands[] = {
        "compile " + bad + ".bz2" + workspace,
        "fit korvell 0 " + bad + ".png --output " + scratch / "out.jpg",
    };
    for (const std::string& arguments : commands) {
        std::string output;
        EXPECT_EQ(shell(std::string(PALVEX_THEME) + " " + arguments + " 2>&1", &output), 2)
            << arguments;
        EXPECT_NE(output.find("not valid UTF-8: "), std::string::npos) << output;
        EXPECT_NE(output.find("bad\\xff"), std::string::npos) << output;
        EXPECT_TRUE(std::filesystem::is_empty(scratch.path())) << arguments;
    }
}

// An installed tree: the program in bin/, the picture part where the install rule puts it.
TEST(CliFrontEnd, FindsThePicturePartInAnInstalledTree) {
    namespace fs = std::filesystem;
    ScratchFolder scratch;
    const fs::path bin = scratch / "prefix/bin";
    const fs::path part = scratch / ("prefix/" PALVEX_PICTURE_PART_DIR);
    fs::create_directories(bin);
    fs::create_directories(part);
    fs::copy_file(PALVEX_THEME, bin / "palvex-theme");
    const fs::path module = fs::path(PALVEX_THEME).parent_path() / "palvex-theme-pictures.so";
    fs::copy_file(module, part / module.filename());
    const std::string verify =
        (bin / "palvex-theme").string() + " verify korvell " + PALVEX_SAMPLE_KORVELL + " 2>&1";
    std::string output;
    EXPECT_EQ(shell(verify, &output), 0) << output;

    fs::remove(part / module.filename());
    EXPECT_EQ(shell(verify, &output), 2);
    EXPECT_NE(output.find("needs the picture part"), std::string::npos) << output;
    EXPECT_EQ(shell((bin / "palvex-theme").string() + " slots korvell >/dev/null"), 0);
}

} // namespace
} // namespace palvex::test
