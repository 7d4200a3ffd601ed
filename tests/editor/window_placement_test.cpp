#include "editor/window_placement.h"

#include <gtest/gtest.h>

// Where gtest looks for it: beside QRect.
void PrintTo(const QRect& r, std::ostream* out) {
    *out << r.x() << "," << r.y() << " " << r.width() << "x" << r.height();
}

namespace palvex::editor {
namespace {

// The Korvell Plus editor as drawn (1014 x 783, at least 697 x 397) and the Korvell editor
// (553 x 414), under a window manager's frame or none, on laptop and desktop screens.
TEST(WindowPlacement, InsideTheAvailableAreaWithTheTitleBarOnScreen) {
    const QSize plus(1014, 783), plusLeast(697, 397), korvell(553, 414);
    const QMargins frame(4, 28, 4, 4), none;
    struct Case {
        const char* what;
        QSize wanted, minimum;
        QMargins frame;
        QRect available, client;
    } const cases[] = {
        {"1366x768: shorter, from the top",
         plus,
         plusLeast,
         frame,
         {0, 0, 1366, 768},
         {176, 28, 1014, 736}},
        {"1366x768 under a top panel",
         plus,
         plusLeast,
         frame,
         {0, 27, 1366, 741},
         {176, 55, 1014, 709}},
        {"1024x600", plus, plusLeast, frame, {0, 0, 1024, 600}, {5, 28, 1014, 568}},
        {"800x600: narrower too", plus, plusLeast, frame, {0, 0, 800, 600}, {4, 28, 792, 568}},
        {"640x360, below the least size: hangs off right and bottom",
         plus,
         plusLeast,
         frame,
         {0, 0, 640, 360},
         {4, 28, 697, 397}},
        {"room enough, on a second screen: centred as drawn",
         korvell,
         {},
         none,
         {1920, 0, 1920, 1080},
         {2603, 333, 553, 414}},
        {"room enough under a frame", korvell, {}, frame, {0, 0, 1024, 600}, {235, 105, 553, 414}},
    };
    for (const Case& c : cases) {
        const QRect client = placeWindow(c.wanted, c.minimum, c.frame, c.available);
        EXPECT_EQ(client, c.client) << c.what;
        const QRect outer = client.marginsAdded(c.frame);
        EXPECT_GE(outer.top(), c.available.top()) << c.what;
        EXPECT_GE(outer.left(), c.available.left()) << c.what;
        if (c.minimum.width() + 8 <= c.available.width()) {
            EXPECT_TRUE(c.available.contains(outer)) << c.what;
        }
    }
}

} // namespace
} // namespace palvex::editor
