#include "platform/tree_removal.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <gtest/gtest.h>

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

TEST(TreeRemoval, AMissingFolderIsNotAnError) {
    ScratchFolder scratch;
    EXPECT_FALSE(removeTree(scratch / "missing"));
    EXPECT_FALSE(removeTree(""));
}

} // namespace
} // namespace palvex::platform
