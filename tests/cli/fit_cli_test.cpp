#include "tests/cli/cli_runner.h"
#include "tests/support/fit_pictures.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// A workspace unpacked from a sample theme and a 1200 x 800 logo, as a technician has them.
class CliFit : public ::testing::Test {
protected:
    void unpack(const char* sample) {
        const CliResult unpacked = runTheme({"unpack", sample, "--workspace", workspace});
        ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err.toStdString();
    }
    CliResult run(QStringList arguments) {
        return runTheme(arguments << "--workspace" << workspace);
    }

    ScratchFolder scratch;
    QString workspace = q(scratch / "W");
    QString logo = writeBytes(q(scratch / "P/logo.png"), pngBytes(logoPicture(1200, 800)));
};

TEST_F(CliFit, FitsALogoIntoASlotOfEachLimitGroupThatItsCheckThenPasses) {
    struct Case {
        const char* model;
        const char* sample;
        const char* slot;
        const char* path;
    } const cases[] = {
        {"korvell", PALVEX_SAMPLE_KORVELL, "0", "image/desktop.jpg"},
        {"korvell", PALVEX_SAMPLE_KORVELL, "ShutDown", "image/shutdown.jpg"},
        {"korvell", PALVEX_SAMPLE_KORVELL, "4", "image/mi1.gif"},
        {"korvell-plus", PALVEX_SAMPLE_KORVELL_PLUS, "itembg.jpg", "image/en/itembg.jpg"},
        {"korvell-plus", PALVEX_SAMPLE_KORVELL_PLUS, "System", "image/en/menu5.bmp"},
        {"korvell-plus", PALVEX_SAMPLE_KORVELL_PLUS, "7", "image/en/menu6.bmp"},
        {"korvell-plus", PALVEX_SAMPLE_KORVELL_PLUS, "WaitCursor", "image/en/mainpic/02.gif"},
    };
    for (const Case& c : cases) {
        unpack(c.sample);
        const QString name = QFileInfo(c.path).fileName();
        const QString slotFile = workspace + "/" + c.path;
        const QByteArray before = contentOf(slotFile);
        const CliResult fitted = run({"fit", c.model, c.slot, logo});
        ASSERT_EQ(fitted.exitCode, 0) << c.path << fitted.err.toStdString();
        ASSERT_EQ(fitted.lines().size(), 3) << fitted.out.toStdString();
        EXPECT_TRUE(fitted.lines()[0].startsWith("Fitted " + name + " : H:")) << c.path;
        EXPECT_EQ(fitted.lines()[1], "Replaced image " + name);
        EXPECT_EQ(fitted.lines()[2], "Retrieving " + name + " details...");
        EXPECT_NE(contentOf(slotFile), before) << c.path;
        EXPECT_EQ(run({"check", c.model, c.slot, slotFile}).exitCode, 0) << c.path;
    }
}

TEST_F(CliFit, OutputWritesABaselineJpegAndLeavesTheWorkspaceAlone) {
    unpack(PALVEX_SAMPLE_KORVELL);
    const QByteArray desktop = contentOf(workspace + "/image/desktop.jpg");
    const QString output = q(scratch / "X.jpg");
    const CliResult result = run({"fit", "korvell", "desktop.jpg", logo, "--output", output});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.startsWith("Fitted X.jpg : H:210 W:315, ")) << result.out.toStdString();
    const QByteArray written = contentOf(output);
    EXPECT_LE(written.size(), 45 * 1024);
    EXPECT_TRUE(jpegMarkers(written).contains(0xC0));
    EXPECT_FALSE(jpegMarkers(written).contains(0xC2));
    EXPECT_EQ(contentOf(workspace + "/image/desktop.jpg"), desktop);

    const CliResult filled = run({"fit", "korvell", "0", logo, "--fill", "--output", output});
    EXPECT_EQ(QImage(output).size(), QSize(320, 210)) << filled.err.toStdString();
}

TEST_F(CliFit, AFolderFitsThePicturesNamedAfterSlotsAndNamesTheRest) {
    unpack(PALVEX_SAMPLE_KORVELL);
    const QString folder = q(scratch / "D/");
    writeBytes(folder + "mi1.png", pngBytes(logoPicture(300, 300)));
    writeBytes(folder + "desktop.png", pngBytes(photoPicture(640, 480)));
    writeBytes(folder + "unknown.png", pngBytes(logoPicture(10, 10)));
    const CliResult result = run({"fit", "korvell", "--folder", folder});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_TRUE(result.out.contains("Fitted desktop.jpg : H:210 W:280, "));
    EXPECT_TRUE(result.out.contains("Fitted mi1.gif : H:55 W:55, "));
    EXPECT_TRUE(result.out.contains("unknown.png matches no slot"));
    EXPECT_TRUE(result.lines().constLast().startsWith("Fitted 2, failed 0, matched no slot 1"));

    writeBytes(folder + "mi2.jpg", "not a picture");
    const CliResult failed = run({"fit", "korvell", "--folder", folder});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.contains("mi2.jpg : Cannot read the picture"))
        << failed.err.toStdString();
}

TEST_F(CliFit, AnUnreadablePictureFailsAndChangesNothing) {
    unpack(PALVEX_SAMPLE_KORVELL);
    const QString slotFile = workspace + "/image/mi1.gif";
    const QByteArray before = contentOf(slotFile);
    const QString broken = writeBytes(q(scratch / "P/broken.png"), "\x89PNG cut short");
    const CliResult result = run({"fit", "korvell", "4", broken});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
    EXPECT_TRUE(result.err.startsWith("Cannot read the picture")) << result.err.toStdString();
    EXPECT_EQ(contentOf(slotFile), before);
}

} // namespace
} // namespace palvex::test
