#include "editor/drop_rules.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace palvex::editor {
namespace {

TEST(DropRules, OneLocalFileOfTheRightKindAtTheRightPlace) {
    test::ScratchFolder scratch;
    for (const char* name : {"mi1.gif", "DESKTOP.JPG", "a.jpeg", "img.bz2", "theme.tar",
                             "menu5.bmp", "logo.png", "notes.txt"})
        test::writeFile(scratch / name, "x");
    test::makeFolder(scratch / "folder.gif");
    const auto file = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString(scratch / name));
    };
    constexpr bool preview = true, beside = false, shift = true, plain = false;
    struct Case {
        QList<QUrl> urls;
        bool onPreview;
        bool shiftHeld;
        DropKind kind;
        DropRefusal refusal;
    } const cases[] = {
        {{file("mi1.gif")}, preview, plain, DropKind::Picture, DropRefusal::None},
        {{file("DESKTOP.JPG")}, preview, plain, DropKind::Picture, DropRefusal::None},
        {{file("a.jpeg")}, preview, plain, DropKind::Picture, DropRefusal::None},
        {{file("menu5.bmp")}, preview, plain, DropKind::Picture, DropRefusal::None},
        {{file("mi1.gif")}, beside, plain, DropKind::Refused, DropRefusal::NotOnPreview},
        {{file("logo.png")}, preview, plain, DropKind::Refused, DropRefusal::UnknownKind},
        {{file("notes.txt")}, preview, plain, DropKind::Refused, DropRefusal::UnknownKind},
        {{file("notes.txt")}, beside, plain, DropKind::Refused, DropRefusal::UnknownKind},
        // With Shift held any picture is fitted, but only on the preview.
        {{file("logo.png")}, preview, shift, DropKind::Fit, DropRefusal::None},
        {{file("mi1.gif")}, preview, shift, DropKind::Fit, DropRefusal::None},
        {{file("logo.png")}, beside, shift, DropKind::Refused, DropRefusal::NotOnPreview},
        {{file("folder.gif")}, preview, plain, DropKind::Refused, DropRefusal::NotAFile},
        {{file("missing.gif")}, preview, shift, DropKind::Refused, DropRefusal::NotAFile},
        {{file("img.bz2")}, beside, plain, DropKind::Archive, DropRefusal::None},
        {{file("img.bz2")}, preview, shift, DropKind::Archive, DropRefusal::None},
        {{file("theme.tar")}, preview, plain, DropKind::Archive, DropRefusal::None},
        {{file("mi1.gif"), file("a.jpeg")},
         preview,
         plain,
         DropKind::Refused,
         DropRefusal::NotOneFile},
        {{QUrl("https://example.org/mi1.gif")},
         preview,
         plain,
         DropKind::Refused,
         DropRefusal::NotLocal},
        {{}, preview, plain, DropKind::Refused, DropRefusal::NotOneFile},
    };
    for (const Case& c : cases) {
        const DropRequest request = dropRequest(c.urls, c.onPreview, c.shiftHeld);
        const QString shown = c.urls.isEmpty() ? QString() : c.urls.front().toString();
        const std::string row = shown.toStdString() + (c.onPreview ? " on" : " beside") +
                                " the preview" + (c.shiftHeld ? " with Shift" : "");
        EXPECT_EQ(request.kind, c.kind) << row;
        EXPECT_EQ(request.refusal, c.refusal) << row;
        EXPECT_EQ(request.path.isEmpty(), c.kind == DropKind::Refused) << row;
        // A refusal is one line that names the file.
        const QString line = refusalLine(c.urls, request.refusal);
        EXPECT_EQ(line.isEmpty(), c.kind != DropKind::Refused) << row;
        EXPECT_FALSE(line.contains(QLatin1Char('\n'))) << row;
        if (c.urls.size() == 1 && c.kind == DropKind::Refused) {
            EXPECT_TRUE(line.contains(c.urls.front().fileName())) << line.toStdString();
        }
    }
}

} // namespace
} // namespace palvex::editor
