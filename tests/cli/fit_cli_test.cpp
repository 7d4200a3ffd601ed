#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/fit_pictures.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

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

    // A colour profile the PNG reader only remarks on, after the header: nothing on stderr.
    QByteArray remarked = pngBytes(logoPicture(400, 300));
    remarked.insert(8 + 25, QByteArray("\x00\x00\x00\x0f\x69\x43\x43\x50\x78\x00\x00\x78\x9c"
                                       "\x63\x60\x18\x78\x00\x00\x00\x84\x00\x01\x46\x86\x1e\xe5",
                                       27));
    const CliResult quiet =
        run({"fit", "korvell", "0", writeBytes(q(scratch / "P/icc.png"), remarked), "--output",
             output});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.err.toStdString(), "");
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

// Root reads every file: as root, the run goes as an unprivileged user, with a copy of the
// program in the scratch folder (the build tree may lie where that user cannot go).
CliResult runAsUser(const ScratchFolder& scratch, const QStringList& arguments) {
    if (::getuid() != 0)
        return runTheme(arguments);
    namespace fs = std::filesystem;
    const fs::path built(PALVEX_THEME);
    const std::string program = scratch / "bin/palvex-theme";
    fs::create_directories(scratch / "bin");
    fs::copy_file(built, program);
    fs::copy_file(built.parent_path() / "palvex-theme-pictures.so",
                  scratch / "bin/palvex-theme-pictures.so");
    QProcess process;
    process.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "env",
                                         "-u", "LSAN_OPTIONS", "ASAN_OPTIONS=detect_leaks=0",
                                         "TMPDIR=" + q(scratch.path()), q(program)}
                                 << arguments);
    if (!process.waitForFinished(60000))
        return {-1, {}, "it hung, or setpriv is missing"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Every file of the folder is either fitted or named with the reason it is not; nothing out of
// the folder is read, and no slot is fitted twice.
TEST_F(CliFit, AFolderNamesEveryFileItLeavesAloneAndWhy) {
    namespace fs = std::filesystem;
    unpack(PALVEX_SAMPLE_KORVELL);
    const std::string folder = scratch / "D";
    const QByteArray picture = pngBytes(logoPicture(300, 300));
    const auto file = [&](const char* name) {
        writeBytes(q(folder + "/" + name), picture);
    };
    struct Case {
        const char* what;
        std::function<void()> make;
        const char* says; // a part of the output
        const char* slot; // below image/
        bool fitted;
    } const cases[] = {
        {"a name in capitals", [&] { file("MI11.PNG"); }, "Fitted mi11.gif : ", "mi11.gif", true},
        {"three pictures for one slot",
         [&] {
             file("mi1.bmp");
             file("mi1.jpg");
             file("mi1.png");
         },
         "mi1.bmp, mi1.jpg, mi1.png all match mi1.gif : none of them fitted", "mi1.gif", false},
        {"a FIFO", [&] { ::mkfifo((folder + "/mi2.png").c_str(), 0644); },
         "mi2.png : skipped, a FIFO, which could block", "mi2.gif", false},
        {"a folder", [&] { makeFolder(folder + "/mi3.png"); }, "mi3.png : skipped, a folder",
         "mi3.gif", false},
        {"a link out of the folder",
         [&] {
             writeBytes(q(scratch / "outside.png"), picture);
             fs::create_symlink(scratch / "outside.png", folder + "/mi4.png");
         },
         "mi4.png : skipped, a link out of the folder, not followed", "mi4.gif", false},
        {"a link within the folder",
         [&] {
             file("in/real.png");
             fs::create_symlink("in/real.png", folder + "/mi5.png");
         },
         "Fitted mi5.gif : ", "mi5.gif", true},
        {"an unreadable picture", [&] { file("mi6.png"); }, "mi6.png : skipped, it cannot be read",
         "mi6.gif", false},
    };
    std::map<std::string, QByteArray> before;
    for (const Case& c : cases) {
        c.make();
        before[c.slot] = contentOf(workspace + "/image/" + c.slot);
    }
    ASSERT_EQ(shell("chmod -R a+rwX '" + scratch.path() + "' && chmod 0 '" + folder + "/mi6.png'"),
              0);
    const CliResult result =
        runAsUser(scratch, {"fit", "korvell", "--folder", q(folder), "--workspace", workspace});
    const QString said = result.out + result.err;
    for (const Case& c : cases) {
        EXPECT_TRUE(said.contains(c.says)) << c.what << "\n" << said.toStdString();
        EXPECT_EQ(contentOf(workspace + "/image/" + c.slot) != before[c.slot], c.fitted) << c.what;
    }
    EXPECT_TRUE(said.contains("Fitted 2, failed 0, matched no slot 0, skipped 5, several for one "
                              "slot 3"))
        << said.toStdString();
    EXPECT_EQ(result.exitCode, 1); // the clash: no picture chosen for a slot asked for
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
