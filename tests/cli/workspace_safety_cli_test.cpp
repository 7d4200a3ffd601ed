// `clean` removes a workspace and nothing else; a workspace has one lock however it is spelled;
// a temporary folder that fails is named with the system's reason, never blamed on the archive.
#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <QLockFile>
#include <QProcess>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palvex::test {
namespace {

namespace fs = std::filesystem;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

bool userNamespaces() {
    return std::system("unshare -r -m true") == 0;
}

TEST(CliClean, RefusesWhatIsNoWorkspaceOfItsOwnAndRemovesNothing) {
    ScratchFolder scratch;
    writeFile(scratch / "W/image/desktop.jpg", "x");
    writeFile(scratch / "home/image/mi1.gif", "a home that even holds a slot file");
    writeFile(scratch / "top/home/notes.txt", "x");
    writeFile(scratch / "docs/letter.txt", "x");
    writeFile(scratch / "dir/sub/keep.txt", "x");
    writeFile(scratch / "file.txt", "x");
    fs::create_directory_symlink(scratch / "W", scratch / "link");
    const std::string home = scratch / "home";
    const struct {
        const char* story;
        std::string folder;
        std::string workspace;
        std::string home;
        const char* says;
    } rows[] = {
        {"an unset variable", scratch / "dir/sub", "", home, "--workspace is empty"},
        // Were this check gone, the home and current-folder checks would still hold.
        {"the root folder", scratch / "dir", "/", home, "it is the root folder"},
        {"the current folder", scratch / "W", ".", home, "it holds the current folder"},
        {"the current folder's parent", scratch / "W/image", "..", home,
         "it holds the current folder"},
        {"the home folder", scratch / "dir", home, home, "it is the home folder or holds it"},
        {"a folder that holds the home folder", scratch / "dir", scratch / "top",
         scratch / "top/home", "it is the home folder or holds it"},
        {"a folder without slot file or lock", scratch / "dir", scratch / "docs", home,
         "it holds no slot file of either model and no lock of this program"},
        {"a link to a workspace", scratch / "dir", scratch / "link", home, "it is a symbolic link"},
        {"a file", scratch / "dir", scratch / "file.txt", home, "it is not a folder"},
    };
    const auto before = treeOf(scratch.path());
    for (const auto& row : rows) {
        const CliResult result = runTheme({"clean", "--workspace", q(row.workspace)}, q(row.folder),
                                          {q("HOME=" + row.home)});
        EXPECT_EQ(result.exitCode, 1) << row.story;
        EXPECT_TRUE(result.out.isEmpty()) << row.story;
        EXPECT_EQ(result.err.count('\n'), 1) << row.story << ": " << result.err.toStdString();
        EXPECT_TRUE(result.err.contains(row.says)) << row.story << ": " << result.err.toStdString();
        EXPECT_EQ(treeOf(scratch.path()), before) << row.story;
    }
}

// `clean --workspace /` once emptied a whole test root, a file system mounted inside it too.
TEST(CliClean, NeverCrossesIntoAFileSystemMountedInside) {
    ASSERT_TRUE(userNamespaces()) << "this test needs user namespaces (unshare -r -m)";
    ScratchFolder scratch;
    const std::string workspace = scratch / "W";
    writeFile(workspace + "/image/desktop.jpg", "x");
    makeFolder(workspace + "/image/mounted");
    std::string output;
    shell("unshare -r -m sh -c 'mount -t tmpfs tmpfs " + workspace +
              "/image/mounted && echo precious > " + workspace + "/image/mounted/keep && " +
              PALVEX_THEME + " clean --workspace " + workspace + "; echo clean=$?; cat " +
              workspace + "/image/mounted/keep' 2>&1",
          &output);
    EXPECT_EQ(output, "Could not remove everything in " + workspace + ": " + workspace +
                          "/image/mounted is left (Invalid cross-device link).\nclean=1\n"
                          "precious\n");
    EXPECT_FALSE(fs::exists(workspace + "/image/desktop.jpg"));
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

TEST(CliLock, EverySpellingOfAWorkspaceMeetsOneLockAndWhatBlocksItIsNamed) {
    ScratchFolder scratch;
    const std::string real = scratch / "real", lock = scratch / "real.lock";
    makeFolder(real);
    fs::create_directory_symlink(real, scratch / "link");
    fs::create_directory_symlink(scratch.path(), scratch / "up");
    QLockFile held(q(lock));
    const struct {
        const char* story;
        std::function<void()> block;
        std::string workspace;
        std::string says;
    } rows[] = {
        {"held, spelled through a link to it", [&] { ASSERT_TRUE(held.tryLock(0)); },
         scratch / "link", "The workspace is in use by another program"},
        {"held, spelled through a linked parent", [&] { ASSERT_TRUE(held.tryLock(0)); },
         scratch / "up/real", "The workspace is in use by another program"},
        {"a folder at the lock's path", [&] { makeFolder(lock); }, real,
         "The workspace's lock " + lock + " is a folder, not a lock file"},
        {"a dangling link at the lock's path", [&] { fs::create_symlink(scratch / "gone", lock); },
         real, "The workspace's lock " + lock + " is a symbolic link, not a lock file"},
    };
    for (const auto& row : rows) {
        row.block();
        const CliResult result =
            runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", q(row.workspace)});
        EXPECT_EQ(result.exitCode, 1) << row.story;
        EXPECT_TRUE(result.err.startsWith(q(row.says)))
            << row.story << ": " << result.err.toStdString();
        EXPECT_TRUE(fs::is_empty(real)) << row.story;
        held.unlock();
        std::error_code ignored;
        fs::remove(lock, ignored);
    }
}

// Each fault made in a user namespace of the test's own, where this user is uid 0.
TEST(CliTemporaryFolder, FaultsAreNamedWithTheReasonAndNeverBlamedOnTheArchive) {
    ASSERT_TRUE(userNamespaces()) << "this test needs user namespaces (unshare -r -m)";
    ScratchFolder scratch;
    const std::string taken = scratch / "taken/palvex-image-changer-0";
    makeFolder(taken);
    // Another user's folder under our name: root hands it over; anyone else shows a folder of
    // root's, which in the namespace belongs to nobody.
    std::string giveAway = "mount --bind /usr/share " + taken;
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(taken.c_str(), 65534, 65534), 0);
        giveAway = "true";
    }
    const struct {
        const char* story;
        std::string prepare;
        std::string folder;
        std::string says; // empty: both commands succeed
        const char* reason = "";
    } rows[] = {
        {"a TMPDIR that does not exist", "true", scratch / "none",
         "Cannot use the temporary folder " + scratch / "none: No such file or directory"},
        {"a read-only TMPDIR",
         "mount -t tmpfs tmpfs " + scratch / "ro" + " && mount -o remount,ro " + scratch / "ro",
         scratch / "ro",
         "Cannot use the temporary folder " +
             scratch / "ro/palvex-image-changer-0: Read-only file system"},
        {"a full TMPDIR", "mount -t tmpfs -o size=64k tmpfs " + scratch / "full", scratch / "full",
         "Cannot write the temporary file " + scratch / "full/palvex-image-changer-0/arq",
         ": No space left on device"},
        {"our folder's name taken by another user", giveAway, scratch / "taken", ""},
    };
    makeFolder(scratch / "ro");
    makeFolder(scratch / "full");
    for (const auto& row : rows) {
        const std::string theme = "TMPDIR=" + row.folder + " " + PALVEX_THEME;
        std::string output;
        shell("unshare -r -m sh -c '" + row.prepare + " && " + theme + " unpack " +
                  PALVEX_SAMPLE_KORVELL + " --workspace " + scratch / "W" + "; echo unpack=$?; " +
                  theme + " verify korvell " + PALVEX_SAMPLE_KORVELL + "; echo verify=$?' 2>&1",
              &output);
        std::error_code ignored;
        fs::remove_all(scratch / "W", ignored);
        if (row.says.empty()) {
            EXPECT_NE(output.find("unpack=0"), std::string::npos) << row.story << output;
            EXPECT_NE(output.find("30 of 30 slots ok"), std::string::npos) << row.story << output;
            EXPECT_NE(output.find("verify=0"), std::string::npos) << row.story << output;
            EXPECT_TRUE(fs::is_empty(taken)) << row.story;
            continue;
        }
        EXPECT_NE(output.find("unpack=1"), std::string::npos) << row.story << output;
        EXPECT_NE(output.find("verify=1"), std::string::npos) << row.story << output;
        // Said by both commands.
        const std::size_t first = output.find(row.says);
        EXPECT_NE(first, std::string::npos) << row.story << output;
        EXPECT_NE(output.find(row.says, first + 1), std::string::npos) << row.story << output;
        EXPECT_NE(output.find(row.reason), std::string::npos) << row.story << output;
        EXPECT_EQ(output.find("Error unpacking"), std::string::npos) << row.story << output;
        EXPECT_EQ(output.find("slots ok"), std::string::npos) << row.story << output;
    }
}

} // namespace
} // namespace palvex::test
