#include "tests/pictures/editor_fixture.h"

#include <QLocale>
#include <stdexcept>

namespace palvex::test {
namespace {

using Result = pictures::SlotEditor::PreviewResult;

class SlotPreview : public EditorFixture {};

// A JPEG padded to exactly totalBytes by a comment segment after its start marker.
QByteArray jpegOfSize(int width, int height, int totalBytes) {
    QByteArray jpeg = jpegPicture(width, height);
    const int length = totalBytes - int(jpeg.size()) - 2; // the marker is not counted
    if (length < 2 || length > 0xFFFF)
        throw std::runtime_error("no comment segment gives that size");
    QByteArray segment("\xFF\xFE");
    segment.append(char(length >> 8)).append(char(length & 0xFF)).append(length - 2, ' ');
    return jpeg.insert(2, segment);
}

TEST_F(SlotPreview, ShowsNameSizeAndDimensionsAndBecomesTheCurrentSlotFile) {
    const QByteArray jpeg = jpegOfSize(320, 210, 12345);
    ASSERT_EQ(jpeg.size(), 12345);
    const QString desktop = writeBytes(inWorkspace("image/desktop.jpg"), jpeg);

    EXPECT_EQ(select(0), Result::Shown);
    EXPECT_EQ(ui.events, QStringList({"log: Retrieving desktop.jpg details...", "busy", "idle"}));
    EXPECT_EQ(ui.fileName, "desktop.jpg");
    EXPECT_EQ(ui.fileSize, "12" + QLocale::system().decimalPoint() + "06 kb");
    EXPECT_EQ(ui.dimension, "H:210\tW:320");
    EXPECT_EQ(ui.shown.size(), QSize(320, 210));
    EXPECT_EQ(ui.measured.size(), QSize(320, 210));
    EXPECT_EQ(editor.slotEditor().currentSlotFile(), desktop);
}

// The window shows the previous slot still, but a change goes to the slot picked, to repair it;
// no slot picked (typed text) keeps the target.
TEST_F(SlotPreview, AMissingSlotFileChangesNothingShownButBecomesTheTarget) {
    writeBytes(inWorkspace("image/desktop.jpg"), jpegPicture(32, 21));
    ASSERT_EQ(select(0), Result::Shown);
    const QStringList before = ui.events;

    EXPECT_EQ(select(1), Result::NoFile);
    EXPECT_EQ(select(-1), Result::NoFile);
    EXPECT_EQ(ui.events, before);
    EXPECT_EQ(ui.fileName, "desktop.jpg");
    EXPECT_EQ(editor.slotEditor().currentSlotFile(), inWorkspace("image/mainmenu.jpg"));
}

TEST_F(SlotPreview, AnUndecodableSlotFileIsLoggedKeepsTheLabelsAndBecomesTheTarget) {
    writeBytes(inWorkspace("image/desktop.jpg"), jpegPicture(32, 21));
    writeBytes(inWorkspace("image/mainmenu.jpg"), "this is no JPEG");
    ASSERT_EQ(select(0), Result::Shown);
    const QString size = ui.fileSize;
    ui.events.clear();

    EXPECT_EQ(select(1), Result::Failed);
    ASSERT_EQ(ui.events.size(), 4);
    EXPECT_EQ(ui.events[0], "log: Retrieving mainmenu.jpg details...");
    EXPECT_EQ(ui.events[1], "busy");
    EXPECT_TRUE(ui.events[2].startsWith("log: Load Image Error : ")) << ui.events[2].toStdString();
    EXPECT_GT(ui.events[2].size(), QString("log: Load Image Error : ").size());
    EXPECT_EQ(ui.events[3], "idle");
    EXPECT_EQ(ui.fileName, "desktop.jpg");
    EXPECT_EQ(ui.fileSize, size);
    EXPECT_EQ(ui.dimension, "H:21\tW:32");
    EXPECT_EQ(editor.slotEditor().currentSlotFile(), inWorkspace("image/mainmenu.jpg"));
}

TEST_F(SlotPreview, AFolderWhereTheSlotFileShouldBeIsNoFile) {
    makeFolder((scratch / "IMAGE/image/desktop.jpg"));
    EXPECT_EQ(select(0), Result::NoFile);
    EXPECT_TRUE(ui.events.isEmpty());
}

} // namespace
} // namespace palvex::test
