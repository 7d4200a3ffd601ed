#include "archive/path_rules.h"

#include <gtest/gtest.h>

namespace palvex::archive {
namespace {

TEST(StoredNames, EveryRuleOnATableOfPaths) {
    struct Case {
        TStoredDirNames rule;
        const char* path;
        const char* root;
        const char* defaultDir;
        const char* stored;
    } const cases[] = {
        {sdNone, "/w/IMAGE/image/desktop.jpg", "/w/IMAGE/", "", "desktop.jpg"},
        {sdNone, "/w/IMAGE/image/old/", "/w/IMAGE/", "", ""},
        {sdAbsolute, "/w/IMAGE/image/desktop.jpg", "/w/IMAGE/", "", "/w/IMAGE/image/desktop.jpg"},
        {sdAbsoluteNoDrv, "C:/IMAGE/a.jpg", "C:/IMAGE/", "", "/IMAGE/a.jpg"},
        {sdAbsoluteNoDrv, "//server/share/dir/f.txt", "", "", "/dir/f.txt"},
        {sdAbsoluteNoDrv, "/w/a.jpg", "", "", "/w/a.jpg"},
        {sdAbsoluteNoRoot, "C:/IMAGE/a.jpg", "", "", "IMAGE/a.jpg"},
        {sdAbsoluteNoRoot, "//server/share/dir/f.txt", "", "", "dir/f.txt"},
        {sdRelative, "/w/IMAGE/image/desktop.jpg", "/w/IMAGE/", "", "image/desktop.jpg"},
        {sdRelative, "/W/image/image/desktop.jpg", "/w/IMAGE/", "", "image/desktop.jpg"},
        {sdRelative, "/w/IMAGE/image/old/", "/w/IMAGE/", "", "image/old/"},
        {sdRelative, "/elsewhere/a.jpg", "/w/IMAGE/", "", "/elsewhere/a.jpg"},
        {sdRelative, "/w/a.jpg", "", "", "/w/a.jpg"},
        {sdRelativeStoreStart, "C:/IMAGE/image/x.jpg", "C:/IMAGE/", "", "IMAGE/image/x.jpg"},
        {sdExplorer_Auto, "/w/IMAGE/image/a.jpg", "/w/IMAGE/", "/w/IMAGE", "image/a.jpg"},
        {sdExplorer_Auto, "/w/IMAGE/image/a.jpg", "/w/IMAGE/image/", "/w/", "IMAGE/image/a.jpg"},
        {sdExplorer_UserDefineDefaultDir, "/x/a.jpg", "/x/", "/w/", "/x/a.jpg"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(storedNameFor(c.path, c.root, c.rule, c.defaultDir), c.stored)
            << c.rule << " " << c.path;
}

TEST(PathParts, FoldersNamesAndExtensions) {
    EXPECT_EQ(folderPart("/w/IMAGE/"), "/w/IMAGE/");
    EXPECT_EQ(namePart("/w/IMAGE/"), "");
    EXPECT_EQ(folderPart("C:x"), "C:");
    EXPECT_EQ(extensionOf("/a.b/img"), "");
    EXPECT_EQ(extensionOf("/a/theme.tar.bz2"), ".bz2");
    EXPECT_EQ(commonFolder("/w/IMAGE/a/", "/w/IMAGE/b/"), "/w/IMAGE/");
    EXPECT_EQ(commonFolder("/w/IMAGE/", "/W/image/x/"), "/w/IMAGE/");
}

} // namespace
} // namespace palvex::archive
