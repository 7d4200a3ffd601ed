#include "platform/tree_removal.h"
#include "tests/support/scratch_folder.h"

#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

namespace palvex::platform {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;
using test::writeFile;

TEST(TreeRemoval, RemovesReadOnlyAndHiddenFilesAndFoldersThenTheRoot) {
    ScratchFolder scratch;
    const std::string root = scratch / "IMAGE";
    writeFile(root + "/image/desktop.jpg", "jpg");
    writeFile(root + "/image/.hidden.gif", "gif");
    const std::string locked = writeFile(root + "/image/en/mainpic/02.gif", "gif");
    fs::permissions(locked, fs::perms::owner_write, fs::perm_options::remove);
    // A folder the owner may not write to still gives up its entries.
    fs::permissions(root + "/image/en", fs::perms::owner_write, fs::perm_options::remove);
    test::makeFolder(root + "/empty");

    EXPECT_TRUE(removeTree(root + "/")); // a trailing separator is fine
    EXPECT_FALSE(fs::exists(root));
}

TEST(TreeRemoval, RemovesALinkToAnOutsideFolderWithoutEnteringIt) {
    ScratchFolder scratch;
    const std::string outside = writeFile(scratch / "outside/keep.txt", "precious");
    const std::string outsideFile = writeFile(scratch / "single.txt", "also precious");
    const std::string root = scratch / "IMAGE";
    writeFile(root + "/a.jpg", "x");
    fs::create_directory_symlink(scratch / "outside", root + "/escape");
    fs::create_symlink(outsideFile, root + "/file-link");

    EXPECT_TRUE(removeTree(root));
    EXPECT_FALSE(fs::exists(root));
    EXPECT_EQ(test::readFile(outside), "precious");
    EXPECT_EQ(test::readFile(outsideFile), "also precious");
    EXPECT_TRUE(fs::exists(scratch / "outside"));
}

TEST(TreeRemoval, ARootThatIsALinkIsNeverEntered) {
    ScratchFolder scratch;
    const std::string kept = writeFile(scratch / "real/keep.txt", "precious");
    fs::create_directory_symlink(scratch / "real", scratch / "IMAGE");
    EXPECT_FALSE(removeTree(scratch / "IMAGE"));
    EXPECT_EQ(test::readFile(kept), "precious");
}

// Deeper than a path may be long and than a process may hold handles: the walk goes by folder
// handles, a bounded number of them open at once.
TEST(TreeRemoval, ATreeDeeperThanAPathAndTheHandleLimitGoesWhole) {
    ScratchFolder scratch;
    const std::string root = scratch / "IMAGE";
    test::makeFolder(root);
    int folder = ::open(root.c_str(), O_RDONLY | O_DIRECTORY);
    for (int depth = 0; depth < 1500 && folder >= 0; ++depth) { // 4 500 bytes of path
        ::mkdirat(folder, "dd", 0700);
        if (depth % 100 == 0)
            ::close(::openat(folder, "file", O_CREAT | O_WRONLY, 0600));
        const int deeper = ::openat(folder, "dd", O_RDONLY | O_DIRECTORY);
        ::close(folder);
        folder = deeper;
    }
    ASSERT_GE(folder, 0);
    ::close(folder);

    rlimit saved{};
    ::getrlimit(RLIMIT_NOFILE, &saved);
    rlimit few = saved;
    few.rlim_cur = 64;
    ::setrlimit(RLIMIT_NOFILE, &few);
    const TreeRemoval removal = removeTree(root);
    ::setrlimit(RLIMIT_NOFILE, &saved);
    EXPECT_TRUE(removal) << removal.leftBehind << ": " << std::strerror(removal.error);
    EXPECT_FALSE(fs::exists(root));
}

TEST(TreeRemoval, AMissingFolderIsNotAnError) {
    ScratchFolder scratch;
    EXPECT_FALSE(removeTree(scratch / "missing"));
    EXPECT_FALSE(removeTree(""));
}

} // namespace
} // namespace palvex::platform
