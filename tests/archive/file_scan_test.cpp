#include "archive/file_scan.h"
#include "platform/file_attributes.h"

#include <gtest/gtest.h>
#include <map>

namespace palvex::archive {
namespace {

namespace attr = platform::attr;

// A made-up tree, so that attribute words the platform cannot produce can be tested.
struct FakeTree {
    std::map<std::string, std::vector<platform::DirectoryEntry>> folders;
    std::vector<platform::DirectoryEntry> operator()(const std::string& folder) const {
        auto it = folders.find(folder);
        return it == folders.end() ? std::vector<platform::DirectoryEntry>{} : it->second;
    }
};

std::vector<std::string> scanned(TarqFileScan& scan, const FakeTree& tree) {
    std::vector<std::string> found;
    scan.ListFolder = tree;
    scan.OnEntry = [&](const std::string& path, const platform::DirectoryEntry&) {
        found.push_back(path);
        return true;
    };
    scan.Scan();
    return found;
}

TEST(AttributeTest, TableOfWords) {
    struct Case {
        TarqFileAttributes set;
        std::uint32_t word;
        bool inclusion;
        bool passes;
    } const cases[] = {
        {kDefaultAttributes, attr::Normal, true, true},
        {kDefaultAttributes, 0, true, true},
        {kDefaultAttributes, attr::Normal | attr::Archive, true, true},
        {kDefaultAttributes, attr::Temporary, true, false},
        {kDefaultAttributes, attr::Temporary | attr::NotContentIndexed, true, true},
        {kDefaultAttributes, attr::Temporary | attr::NotContentIndexed, false, false},
        {kDefaultAttributes, attr::Hidden, true, false},
        {attributeSet({fsHidden}), attr::Hidden, true, true},
        {attributeSet({fsVolumeID}), 0x8, true, false},
        {attributeSet({fsDirectory}), attr::Directory, true, true},
        {attributeSet({fsSysFile}), attr::System, false, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(attributesPass(c.set, c.word, c.inclusion), c.passes) << std::hex << c.word;
}

TEST(FileScan, WalksDepthFirstInListingOrderTakingDotFilesAndRefusingWhatItCannotStore) {
    FakeTree tree;
    platform::DirectoryEntry fifo{"pipe.gif", attr::Archive, 0, 0, false};
    fifo.isSpecial = true;
    platform::DirectoryEntry locked{"locked", attr::Directory, 0, 0, false};
    locked.readable = false;
    tree.folders["/w/"] = {{"b.jpg", attr::Archive, 3, 0, false},
                           {"sub", attr::Directory, 0, 0, false},
                           {".hidden", attr::Archive | attr::Hidden, 1, 0, false},
                           {"link", attr::ReparsePoint | attr::Directory, 0, 0, true},
                           fifo,
                           locked,
                           {"a.gif", attr::Archive, 2, 0, false}};
    tree.folders["/w/sub/"] = {{"c.jpg", attr::Archive, 4, 0, false}};
    tree.folders["/w/link/"] = {{"never.jpg", attr::Archive, 4, 0, false}};
    tree.folders["/w/locked/"] = {{"never.jpg", attr::Archive, 4, 0, false}};
    TarqFileScan scan;
    scan.FileSpec = {"/w/"};
    scan.Attributes |= attributeSet({fsHidden});
    std::vector<std::string> refused;
    scan.OnRefused = [&](const std::string& path, const platform::DirectoryEntry&) {
        refused.push_back(path);
    };
    EXPECT_EQ(scanned(scan, tree),
              (std::vector<std::string>{"/w/b.jpg", "/w/sub/c.jpg", "/w/.hidden", "/w/a.gif"}));
    EXPECT_EQ(refused, (std::vector<std::string>{"/w/link/", "/w/pipe.gif", "/w/locked/"}));
    EXPECT_EQ(scan.FilesCount(), 4);
    EXPECT_EQ(scan.FilesSize(), 10);
}

TEST(FileScan, MasksMergeIntoPassesPerRoot) {
    FakeTree tree;
    tree.folders["/w/"] = {{"a.jpg", attr::Archive, 1, 0, false},
                           {"b.gif", attr::Archive, 1, 0, false},
                           {"README", attr::Archive, 1, 0, false}};
    std::vector<std::string> roots;
    TarqFileScan merged;
    merged.FileSpec = {"/w/*.jpg", "/w/*"};
    merged.OnRootDirChange = [&](const std::string& r) {
        roots.push_back(r);
    };
    EXPECT_EQ(scanned(merged, tree).size(), 3u); // "*" took the place of "*.jpg"
    EXPECT_EQ(roots, std::vector<std::string>{"/w/"});

    roots.clear();
    TarqFileScan byCase;
    byCase.FileSpec = {"/w/*.gif", "/W/*.jpg"};
    byCase.OnRootDirChange = [&](const std::string& r) {
        roots.push_back(r);
    };
    EXPECT_EQ(scanned(byCase, tree), (std::vector<std::string>{"/w/a.jpg", "/w/b.gif"}));
    EXPECT_EQ(roots.size(), 1u);

    TarqFileScan noDot;
    noDot.FileSpec = {"/w/*."};
    EXPECT_EQ(scanned(noDot, tree), std::vector<std::string>{"/w/README"});
}

TEST(FileScan, OnlyTheTemporaryBitIsNotGathered) {
    FakeTree tree;
    tree.folders["/w/"] = {{"temp.jpg", attr::Temporary, 1, 0, false},
                           {"normal.jpg", attr::Normal, 1, 0, false},
                           {"ro.jpg", attr::ReadOnly, 1, 0, false}};
    TarqFileScan scan;
    scan.FileSpec = {"/w/"};
    EXPECT_EQ(scanned(scan, tree), (std::vector<std::string>{"/w/normal.jpg", "/w/ro.jpg"}));
}

TEST(FileScan, HiddenFoldersAreHandedOverButNotEntered) {
    FakeTree tree;
    tree.folders["/w/"] = {{"secret", attr::Directory | attr::Hidden, 0, 0, false}};
    tree.folders["/w/secret/"] = {{"x.jpg", attr::Archive, 1, 0, false}};
    TarqFileScan scan;
    scan.FileSpec = {"/w/"};
    scan.Attributes |= attributeSet({fsDirectory});
    EXPECT_EQ(scanned(scan, tree), std::vector<std::string>{"/w/secret/"});
    TarqFileScan entering;
    entering.FileSpec = {"/w/"};
    entering.IncludeHiddenDirs = true;
    EXPECT_EQ(scanned(entering, tree), std::vector<std::string>{"/w/secret/x.jpg"});
}

TEST(FileScan, CancelStopsTheWalk) {
    FakeTree tree;
    tree.folders["/w/"] = {{"a", attr::Archive, 1, 0, false}, {"b", attr::Archive, 1, 0, false}};
    bool cancel = false;
    TarqFileScan scan;
    scan.FileSpec = {"/w/"};
    scan.CancelFlag = &cancel;
    scan.ListFolder = tree;
    int seen = 0;
    scan.OnEntry = [&](const std::string&, const platform::DirectoryEntry&) {
        cancel = ++seen == 1;
        return true;
    };
    scan.Scan();
    EXPECT_EQ(seen, 1);
}

} // namespace
} // namespace palvex::archive
