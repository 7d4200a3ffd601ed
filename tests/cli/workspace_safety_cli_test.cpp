// `clean` removes a workspace and nothing else, whatever happens to it while it runs.
#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palvex::test {
namespace {

namespace fs = std::filesystem;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// A user who may write into the workspace swaps one of its folders for a link to a folder
// outside, back and forth, while root's clean runs: nothing outside goes, in any of 20 runs.
TEST(CliClean, AFolderSwappedForALinkWhileItRunsIsNeverFollowed) {
    const bool root = ::getuid() == 0;
    if (root) {
        ASSERT_EQ(std::system("command -v setpriv >/dev/null"), 0)
            << "as root this test needs setpriv to swap the folder as an unprivileged user";
    }
    ScratchFolder scratch;
    ::chmod(scratch.path().c_str(), 0755);
    const std::string outside = scratch / "outside", workspace = scratch / "W";
    constexpr int kFiles = 500;
    for (int i = 0; i < kFiles; ++i)
        writeFile(outside + "/f" + std::to_string(i), "precious");
    const QString swap =
        q("while [ ! -e " + scratch / "stop" + " ]; do mv -T " + workspace + "/sub " + workspace +
          "/real; ln -s " + outside + " " + workspace + "/sub; rm -f " + workspace +
          "/sub; mv -T " + workspace + "/real " + workspace + "/sub; done 2>/dev/null");
    for (int run = 0; run < 20; ++run) {
        std::error_code ignored;
        fs::remove_all(workspace, ignored);
        fs::remove(scratch / "stop", ignored);
        writeFile(workspace + "/image/desktop.jpg", "x");
        for (int i = 0; i < kFiles; ++i)
            writeFile(workspace + "/sub/f" + std::to_string(i), "x");
        ::chmod(workspace.c_str(), 0777);
        QProcess swapper;
        if (root)
            swapper.start("setpriv",
                          {"--reuid=65534", "--regid=65534", "--clear-groups", "sh", "-c", swap});
        else
            swapper.start("sh", {"-c", swap});
        ASSERT_TRUE(swapper.waitForStarted());
        const CliResult result = runTheme({"clean", "--workspace", q(workspace)});
        writeFile(scratch / "stop", "");
        swapper.waitForFinished(10000);
        EXPECT_TRUE(result.exitCode == 0 || result.exitCode == 1) << result.err.toStdString();
        int left = 0;
        for ([[maybe_unused]] const auto& file : fs::directory_iterator(outside))
            ++left;
        ASSERT_EQ(left, kFiles) << "run " << run << ": " << result.err.toStdString();
    }
}

} // namespace
} // namespace palvex::test
