#include "tests/pictures/editor_fixture.h"
#include "theme/file_functions.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>

namespace palvex::test {
namespace {

using theme::TerminalModel;

QByteArray contentOf(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// One row per limit group: a slot of the group, its name, and its limits.
struct GroupCase {
    const char* group;
    TerminalModel model;
    int slot;
    const char* name;
    int maxBytes;
    int maxHeight;
    int maxWidth;
    const char* sizeText;
};

const GroupCase kGroups[] = {
    {"A", TerminalModel::Korvell, 0, "desktop.gif", 46080, 210, 320, "45.00"},
    {"B", TerminalModel::Korvell, 3, "shutdown.gif", 30720, 210, 320, "30.00"},
    {"C", TerminalModel::Korvell, 4, "mi1.gif", 3072, 55, 55, "3.00"},
    {"P", TerminalModel::KorvellPlus, 4, "itembg.gif", 307200, 600, 800, "300.00"},
    {"Q", TerminalModel::KorvellPlus, 6, "menu5.gif", 204800, 300, 220, "200.00"},
    {"R", TerminalModel::KorvellPlus, 7, "menu6.gif", 20480, 128, 128, "20.00"},
};

class LimitCheck : public ::testing::TestWithParam<GroupCase> {
protected:
    LimitCheck() : editor(GetParam().model, ui, ui, QString::fromStdString(scratch / "IMAGE")) {
        ui.slot = GetParam().slot;
        ui.fileName = GetParam().name; // the previewed slot's name, as the label holds it
    }
    QString picture(const QByteArray& bytes) {
        return writeBytes(QString::fromStdString(scratch / "pick/") + GetParam().name, bytes);
    }
    QString sizeMessage() const {
        return QString("Error, max size for %1 is %2kb").arg(GetParam().name, GetParam().sizeText);
    }
    QString dimensionMessage() const {
        return QString("Error, max dimension for %1 is H:%2 W:%3")
            .arg(GetParam().name)
            .arg(GetParam().maxHeight)
            .arg(GetParam().maxWidth);
    }

    ScratchFolder scratch;
    RecordingUi ui;
    pictures::ThemeEditor editor;
};

TEST_P(LimitCheck, ExactlyAtTheSizeLimitPassesOneByteMoreFails) {
    const GroupCase& g = GetParam();
    EXPECT_TRUE(editor.slotEditor().checkImageFile(picture(gifPicture(16, 16, g.maxBytes))));
    EXPECT_TRUE(ui.errors().isEmpty());
    EXPECT_FALSE(editor.slotEditor().checkImageFile(picture(gifPicture(16, 16, g.maxBytes + 1))));
    EXPECT_EQ(ui.errors(), QStringList{sizeMessage()});
}

TEST_P(LimitCheck, ExactlyAtTheHeightAndWidthPassesOnePixelMoreFails) {
    const GroupCase& g = GetParam();
    EXPECT_TRUE(editor.slotEditor().checkImageFile(picture(gifPicture(g.maxWidth, g.maxHeight))));
    EXPECT_FALSE(
        editor.slotEditor().checkImageFile(picture(gifPicture(g.maxWidth, g.maxHeight + 1))));
    EXPECT_FALSE(
        editor.slotEditor().checkImageFile(picture(gifPicture(g.maxWidth + 1, g.maxHeight))));
    EXPECT_EQ(ui.errors(), QStringList({dimensionMessage(), dimensionMessage()}));
    EXPECT_TRUE(ui.measured.isNull()); // refused by its header, never decoded
}

TEST_P(LimitCheck, TheSizeTestComesBeforeTheDimensionTest) {
    const GroupCase& g = GetParam();
    EXPECT_FALSE(
        editor.slotEditor().checkImageFile(picture(gifPicture(g.maxWidth + 1, 4, g.maxBytes + 1))));
    EXPECT_EQ(ui.errors(), QStringList{sizeMessage()});
    EXPECT_TRUE(ui.measured.isNull()); // never decoded
}

INSTANTIATE_TEST_SUITE_P(EveryGroup, LimitCheck, ::testing::ValuesIn(kGroups),
                         [](const auto& info) { return std::string(info.param.group); });

class SlotChange : public EditorFixture {};

TEST_F(SlotChange, AcceptedPictureIsCopiedLoggedAndPreviewedAgain) {
    const QString slotFile = writeBytes(inWorkspace("image/mi1.gif"), gifPicture(40, 40));
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    const QByteArray replacement = gifPicture(55, 55, 3072);
    const QString picked = writeBytes(outside("pick/mi1.gif"), replacement);
    const auto pickedDate = std::filesystem::file_time_type(std::chrono::hours(24 * 11000));
    std::filesystem::last_write_time(picked.toStdString(), pickedDate);
    ui.pictures.enqueue(picked);
    ui.events.clear();

    editor.slotEditor().changePicture();
    EXPECT_EQ(ui.logLines(),
              QStringList({"Replaced image mi1.gif", "Retrieving mi1.gif details..."}));
    EXPECT_TRUE(ui.errors().isEmpty());
    EXPECT_EQ(contentOf(slotFile), replacement);
    EXPECT_EQ(std::filesystem::last_write_time(slotFile.toStdString()), pickedDate);
    EXPECT_EQ(ui.dimension, "H:55\tW:55");
    EXPECT_EQ(ui.busyDepth, 0);
}

TEST_F(SlotChange, NamesCompareWithLetterCase) {
    const QByteArray original = jpegPicture(32, 21);
    const QString slotFile = writeBytes(inWorkspace("image/desktop.jpg"), original);
    ASSERT_EQ(select(0), pictures::SlotEditor::PreviewResult::Shown);
    ui.pictures.enqueue(writeBytes(outside("pick/Desktop.jpg"), jpegPicture(32, 21)));

    editor.slotEditor().changePicture();
    EXPECT_EQ(ui.errors(), QStringList{"File name must be same !"});
    EXPECT_EQ(contentOf(slotFile), original);
}

// Each refusal keeps its box as it was and logs the picture under its own name, escaped, with
// its kb, height and width against the slot's limits.
TEST_F(SlotChange, ARefusalLogsThePictureAgainstTheSlotsLimits) {
    writeBytes(inWorkspace("image/mi1.gif"), gifPicture(40, 40));
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    const QString limits = "; mi1.gif takes at most 3.00 kb H:55 W:55";
    struct Case {
        const char* name;
        QByteArray bytes;
        QString box;
        QString line;
    } const cases[] = {
        {"MI1.gif", gifPicture(40, 40, 2048), "File name must be same !",
         "Refused picture MI1.gif : 2.00 kb H:40 W:40" + limits},
        {"mi1.gif", gifPicture(40, 40, 3584), "Error, max size for mi1.gif is 3.00kb",
         "Refused picture mi1.gif : 3.50 kb H:40 W:40" + limits},
        {"mi1.gif", gifPicture(56, 55, 2048), "Error, max dimension for mi1.gif is H:55 W:55",
         "Refused picture mi1.gif : 2.00 kb H:55 W:56" + limits},
        {"mi1\n.gif", "no picture", "File name must be same !",
         "Refused picture mi1\\n.gif : 0.01 kb" + limits},
    };
    for (const Case& c : cases) {
        ui.events.clear();
        EXPECT_FALSE(editor.slotEditor().replaceCurrentSlot(
            writeBytes(outside(QString("pick/") + c.name), c.bytes)));
        EXPECT_EQ(ui.events, QStringList({"error: " + c.box, "log: " + c.line}));
    }
}

TEST_F(SlotChange, NothingHappensWithoutAPreviewedSlotOrWhenCancelled) {
    ui.pictures.enqueue(writeBytes(outside("pick/desktop.jpg"), jpegPicture(4, 4)));
    editor.slotEditor().changePicture(); // no current slot file yet
    editor.slotEditor().changePicture(); // dialog cancelled
    EXPECT_TRUE(ui.events.isEmpty());
}

// A slot whose file is missing or cannot be decoded is repaired by a change of it, not of the
// slot previewed before; the undo takes the repair back, removing a file that was not there.
TEST_F(SlotChange, AMissingOrDamagedSlotFileIsTheTargetAndTheUndoTakesItBack) {
    struct Case {
        const char* what;
        std::optional<QByteArray> before; // none: missing
        const char* undone;
    };
    const Case cases[] = {
        {"missing", std::nullopt, "Removed image mi1.gif"},
        {"damaged", QByteArray("GIF89a cut short"), "Restored image mi1.gif"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove_all(workspace.toStdString());
        const QByteArray desktopBytes = jpegPicture(32, 21);
        const QString desktop = writeBytes(inWorkspace("image/desktop.jpg"), desktopBytes);
        const QString slotFile = inWorkspace("image/mi1.gif");
        if (c.before)
            writeBytes(slotFile, *c.before);
        ASSERT_EQ(select(0), pictures::SlotEditor::PreviewResult::Shown);
        select(4);
        // A refusal names the slot picked, not the one the window still shows.
        ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), gifPicture(56, 55)));
        editor.slotEditor().changePicture();
        EXPECT_EQ(ui.errors(), QStringList{"Error, max dimension for mi1.gif is H:55 W:55"});
        const QByteArray replacement = gifPicture(55, 55);
        ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), replacement));
        ui.events.clear();

        editor.slotEditor().changePicture();
        EXPECT_TRUE(ui.errors().isEmpty()) << ui.errors().join('\n').toStdString();
        EXPECT_EQ(contentOf(slotFile), replacement);
        EXPECT_EQ(contentOf(desktop), desktopBytes);
        EXPECT_TRUE(editor.session().changed);

        ui.slot = 0;
        EXPECT_TRUE(editor.slotEditor().undoChange());
        EXPECT_EQ(ui.slot, 4);
        EXPECT_TRUE(ui.logLines().contains(c.undone));
        EXPECT_EQ(QFileInfo::exists(slotFile), c.before.has_value());
        EXPECT_EQ(contentOf(slotFile), c.before.value_or(QByteArray()));
    }
}

TEST_F(SlotChange, AnUndecodablePictureIsReportedAndNotCopied) {
    const QByteArray original = gifPicture(40, 40);
    const QString slotFile = writeBytes(inWorkspace("image/mi1.gif"), original);
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), "GIF89a but nothing after"));

    editor.slotEditor().changePicture();
    ASSERT_EQ(ui.errors().size(), 1);
    EXPECT_TRUE(ui.errors()[0].startsWith("Load Image Error : "));
    EXPECT_EQ(contentOf(slotFile), original);
    EXPECT_FALSE(ui.logLines().join('\n').contains("Replaced image"));
}

TEST_F(SlotChange, AHugeWidthIsComparedInFullAndNotWrappedTo16Bits) {
    RecordingUi plusUi;
    pictures::ThemeEditor plus(TerminalModel::KorvellPlus, plusUi, plusUi, workspace);
    plusUi.slot = 7; // "Customize", 128 x 128; 65 591 would wrap to 55
    plusUi.fileName = "menu6.bmp";
    const QString wide = writeBytes(outside("pick/menu6.bmp"), monochromeBmp(65591, 1));
    ASSERT_LT(theme::fileSize(wide), 20480);
    EXPECT_FALSE(plus.slotEditor().checkImageFile(wide));
    EXPECT_EQ(plusUi.errors(), QStringList{"Error, max dimension for menu6.bmp is H:128 W:128"});
}

// The change writes the last slot previewed, so that slot's limits hold, not those of what
// the list shows by now: a typed entry selects no slot and would fall to the widest group.
TEST_F(SlotChange, TheLimitsAreThoseOfTheSlotFileReplaced) {
    const QByteArray original = gifPicture(55, 55);
    const QString slotFile = writeBytes(inWorkspace("image/mi1.gif"), original);
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    ui.slot = -1;
    EXPECT_FALSE(editor.slotEditor().replaceCurrentSlot(
        writeBytes(outside("pick/mi1.gif"), gifPicture(128, 128))));
    EXPECT_EQ(ui.errors(), QStringList{"Error, max dimension for mi1.gif is H:55 W:55"});
    EXPECT_EQ(contentOf(slotFile), original);
}

TEST_F(SlotChange, ALinkAtTheSlotFileIsReplacedNotWrittenThrough) {
    const QByteArray precious = gifPicture(30, 30);
    const QString target = writeBytes(outside("elsewhere/mi1.gif"), precious);
    makeFolder(scratch / "IMAGE/image");
    std::filesystem::create_symlink(target.toStdString(), scratch / "IMAGE/image/mi1.gif");
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    const QByteArray replacement = gifPicture(50, 50);
    ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), replacement));

    editor.slotEditor().changePicture();
    EXPECT_EQ(contentOf(target), precious);
    EXPECT_EQ(contentOf(inWorkspace("image/mi1.gif")), replacement);
}

TEST(ReplaceFile, AFailedCopyGivesTheReasonAndLeavesTheTarget) {
    ScratchFolder scratch;
    const QString source = writeBytes(QString::fromStdString(scratch / "a.gif"), "new");
    QString reason;
    EXPECT_FALSE(
        theme::replaceFile(source, QString::fromStdString(scratch / "no/such/a.gif"), &reason));
    EXPECT_FALSE(reason.isEmpty());
    EXPECT_FALSE(theme::replaceFile(QString::fromStdString(scratch / "missing.gif"),
                                    QString::fromStdString(scratch / "b.gif"), &reason));
    EXPECT_FALSE(std::filesystem::exists(scratch / "b.gif"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(scratch.path()),
                            std::filesystem::directory_iterator()),
              1); // no staging file left behind
}

} // namespace
} // namespace palvex::test
