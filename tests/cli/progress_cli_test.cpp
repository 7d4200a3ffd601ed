// The progress line of a long compile: on stderr when that is a terminal, never in a pipe.
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>
#include <random>

namespace palvex::test {
namespace {

// Incompressible bytes: the compile of 32 MB of them lasts well over a second.
std::string noise(std::size_t bytes) {
    std::mt19937 engine(5);
    std::string data(bytes, '\0');
    for (char& c : data)
        c = static_cast<char>(engine());
    return data;
}

TEST(ProgressLine, OnlyOnATerminalAndOnlyForWorkOverASecond) {
    ScratchFolder scratch;
    writeFile(scratch / "long/image/desktop.jpg", noise(32 << 20));
    writeFile(scratch / "short/image/desktop.jpg", "x");
    const struct {
        const char* workspace;
        bool terminal;
        bool progress;
    } rows[] = {
        {"long", false, false},
        {"long", true, true},
        {"short", true, false},
    };
    for (const auto& row : rows) {
        const std::string compile = std::string(PALVEX_THEME) + " compile '" + scratch / "out.bz2" +
                                    "' --workspace '" + scratch / row.workspace + "'";
        // script(1) runs the command on a terminal of its own and passes on what it shows.
        const std::string command =
            row.terminal ? "script -qec \"" + compile + "\" /dev/null" : compile + " 2>&1";
        std::string shown;
        ASSERT_EQ(shell(command, &shown), 0) << row.workspace;
        EXPECT_NE(shown.find("Process Done!"), std::string::npos) << shown;
        EXPECT_EQ(shown.find("\rCompiling ") != std::string::npos, row.progress)
            << row.workspace << (row.terminal ? " on a terminal" : " in a pipe");
    }
}

} // namespace
} // namespace palvex::test
