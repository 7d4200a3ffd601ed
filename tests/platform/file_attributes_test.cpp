#include "platform/directory_listing.h"
#include "platform/file_attributes.h"
#include "platform/file_info.h"
#include "tests/support/scratch_folder.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::platform {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;
using test::writeFile;

class FileQueries : public ::testing::Test {
protected:
    ScratchFolder scratch;
};

TEST_F(FileQueries, AttributeWordTellsFoldersFilesReadOnlyHiddenAndLinks) {
    const std::string file = writeFile(scratch / "plain.jpg", "x");
    const std::string readOnly = writeFile(scratch / "locked.gif", "x");
    fs::permissions(readOnly, fs::perms::owner_write, fs::perm_options::remove);
    const std::string hidden = writeFile(scratch / ".hidden", "x");
    test::makeFolder(scratch / "folder");
    fs::create_directory_symlink(scratch / "folder", scratch / "folder-link");
    fs::create_symlink(scratch / "nowhere", scratch / "dangling");

    struct Case {
        std::string path;
        std::uint32_t word;
    } const cases[] = {
        {file, attr::Archive},
        {readOnly, attr::Archive | attr::ReadOnly},
        {hidden, attr::Archive | attr::Hidden},
        {scratch / "folder", attr::Directory},
        {scratch / "folder-link", attr::ReparsePoint | attr::Directory},
        {scratch / "dangling", attr::ReparsePoint | attr::Archive},
        {scratch / "missing", attr::NoEntry},
        {"", attr::NoEntry},
    };
    for (const Case& c : cases)
        EXPECT_EQ(attributeWord(c.path), c.word) << c.path;
}

TEST_F(FileQueries, ExistsAsFileOnlyForEntriesThatAreNotFolders) {
    writeFile(scratch / "a.jpg", "x");
    test::makeFolder(scratch / "dir");
    EXPECT_TRUE(existsAsFile(scratch / "a.jpg"));
    EXPECT_FALSE(existsAsFile(scratch / "dir"));
    EXPECT_FALSE(existsAsFile(scratch / "missing.jpg"));
    EXPECT_FALSE(existsAsFile(""));
}

TEST_F(FileQueries, SetNormalGivesTheOwnerWriteBack) {
    const std::string file = writeFile(scratch / "locked", "x");
    fs::permissions(file, fs::perms::owner_write, fs::perm_options::remove);
    ASSERT_TRUE(attributeWord(file) & attr::ReadOnly);
    EXPECT_TRUE(setNormalAttributes(file));
    EXPECT_EQ(attributeWord(file), attr::Archive);
    EXPECT_FALSE(setNormalAttributes(scratch / "missing"));
}

TEST(DisplayName, IsTheLastPartOfThePathWithItsExtension) {
    struct Case {
        const char* path;
        const char* name;
    } const cases[] = {
        {"/w/IMAGE/image/desktop.jpg", "desktop.jpg"},
        {"desktop.jpg", "desktop.jpg"},
        {"/w/IMAGE/image/en/mainpic/02.gif", "02.gif"},
        {"/w/folder/", "/w/folder/"}, // no name part: unchanged
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(displayName(c.path), c.name) << c.path;
}

TEST_F(FileQueries, FileSizeIsBytesOrMinusOneWhenNothingIsThere) {
    writeFile(scratch / "three", "abc");
    writeFile(scratch / "empty", "");
    test::makeFolder(scratch / "dir");
    EXPECT_EQ(fileSize(scratch / "three"), 3);
    EXPECT_EQ(fileSize(scratch / "empty"), 0);
    EXPECT_EQ(fileSize(scratch / "dir"), 0);
    EXPECT_EQ(fileSize(scratch / "missing"), -1);
    EXPECT_EQ(fileSize(""), -1);
}

TEST_F(FileQueries, ListingHoldsEveryEntryButDotAndDotDotAndFlagsLinks) {
    writeFile(scratch / "b.gif", "12345");
    writeFile(scratch / ".a", "");
    test::makeFolder(scratch / "sub");
    fs::create_symlink(scratch / "b.gif", scratch / "link");

    std::vector<DirectoryEntry> entries = listDirectory(scratch.path());
    std::sort(entries.begin(), entries.end(),
              [](const auto& l, const auto& r) { return l.name < r.name; });
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].name, ".a");
    EXPECT_TRUE(entries[0].attributes & attr::Hidden);
    EXPECT_EQ(entries[1].name, "b.gif");
    EXPECT_EQ(entries[1].size, 5);
    EXPECT_FALSE(entries[1].isLink);
    EXPECT_EQ(entries[2].name, "link");
    EXPECT_TRUE(entries[2].isLink);
    EXPECT_EQ(entries[3].name, "sub");
    EXPECT_EQ(entries[3].attributes, attr::Directory);
    EXPECT_TRUE(listDirectory(scratch / "missing").empty());
}

} // namespace
} // namespace palvex::platform
