#include "editor/drop_rules.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

namespace palvex::editor {
namespace {

TEST(DropRules, OneLocalFileOfTheRightKindAtTheRightPlace) {
    test::ScratchFolder scratch;
    for (const char* name :
         {"mi1.gif", "DESKTOP.JPG", "a.jpeg", "img.bz2", "theme.tar", "x.bmp", "notes.txt"})
        test::writeFile(scratch / name, "x");
    test::makeFolder(scratch / "folder.gif");
    const auto file = [&](const char* name) {
        return QUrl::fromLocalFile(QString::fromStdString(scratch / name));
    };
    struct Case {
        QList<QUrl> urls;
        bool onPreview;
        DropKind kind;
    } const cases[] = {
        {{file("mi1.gif")}, true, DropKind::Picture},
        {{file("DESKTOP.JPG")}, true, DropKind::Picture},
        {{file("a.jpeg")}, true, DropKind::Picture},
        {{file("mi1.gif")}, false, DropKind::Refused}, // a picture belongs on the preview
        {{file("x.bmp")}, true, DropKind::Refused},    // not a kind the change dialog offers
        {{file("notes.txt")}, true, DropKind::Refused},
        {{file("folder.gif")}, true, DropKind::Refused},
        {{file("missing.gif")}, true, DropKind::Refused},
        {{file("img.bz2")}, false, DropKind::Archive},
        {{file("theme.tar")}, true, DropKind::Archive},
        {{file("mi1.gif"), file("a.jpeg")}, true, DropKind::Refused},
        {{QUrl("https://example.org/mi1.gif")}, true, DropKind::Refused},
        {{}, true, DropKind::Refused},
    };
    for (const Case& c : cases) {
        const DropRequest request = dropRequest(c.urls, c.onPreview);
        const QString shown = c.urls.isEmpty() ? QString() : c.urls.front().toString();
        EXPECT_EQ(request.kind, c.kind) << shown.toStdString() << " " << c.onPreview;
        EXPECT_EQ(request.path.isEmpty(), c.kind == DropKind::Refused) << shown.toStdString();
    }
}

} // namespace
} // namespace palvex::editor
