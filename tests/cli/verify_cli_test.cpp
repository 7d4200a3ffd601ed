#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"
#include "theme/slot_catalogue.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace palvex::test {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

TEST(CliVerify, TheSampleThemesPass) {
    const CliResult korvell = runTheme({"verify", "korvell", PALVEX_SAMPLE_KORVELL});
    EXPECT_EQ(korvell.exitCode, 0) << korvell.out.toStdString() << korvell.err.toStdString();
    ASSERT_EQ(korvell.lines().size(), 31);
    EXPECT_EQ(korvell.lines().filter("\tok\t").size(), 30);
    EXPECT_TRUE(korvell.lines()[0].startsWith("0\tDesktop\timage/desktop.jpg\tok\t"));
    EXPECT_EQ(korvell.lines().constLast(), "korvell: 30 of 30 slots ok, archive ok, 0 extra files");

    // The other model's theme has none of this model's files.
    const CliResult crossed = runTheme({"verify", "korvell", PALVEX_SAMPLE_KORVELL_PLUS});
    EXPECT_EQ(crossed.exitCode, 1);
    EXPECT_EQ(crossed.lines().filter("\tmissing\t").size(), 30);
}

// A sample workspace with one slot spoilt per case; verify names the slot and fails.
TEST(CliVerify, NamesTheSlotThatFailsAndExitsWithOne) {
    struct Case {
        const char* spoil; // shell command run in the workspace
        const char* line;  // the start of the slot's line
    } const cases[] = {
        {"rm image/mi2.gif", "5\t2. Comm\timage/mi2.gif\tmissing\t"},
        {"head -c 4000 /dev/zero > image/mi1.gif", "4\t1. User\timage/mi1.gif\tover-bytes\t"},
        {"echo junk > image/mi3.gif", "6\t3. System\timage/mi3.gif\tunreadable\t"},
        {"mv image/mi4.gif image/MI4.gif", "7\t4. Date/Time\timage/mi4.gif\tmissing\t"},
        // Cut short: readers give a partial picture without an error.
        {"head -c 5000 image/desktop.jpg > t && mv t image/desktop.jpg",
         "0\tDesktop\timage/desktop.jpg\tunreadable\t4.88 kb H:210 W:320, limits 45.00 kb H:210 "
         "W:320; Premature end of JPEG file"},
        // Past the GIF's palette, which a sample of many colours makes long.
        {"head -c 600 image/mi5.gif > t && mv t image/mi5.gif",
         "8\t5. PenDrive\timage/mi5.gif\tunreadable\t0.59 kb H:55 W:55, limits 3.00 kb H:55 "
         "W:55; Premature end of GIF file"},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        const QString workspace = q(scratch / "W");
        ASSERT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", workspace}).exitCode,
                  0);
        ASSERT_EQ(shell("cd " + workspace.toStdString() + " && " + c.spoil), 0);
        const CliResult result = runTheme({"verify", "korvell", "--workspace", workspace});
        EXPECT_EQ(result.exitCode, 1) << c.spoil;
        EXPECT_EQ(result.lines().filter(c.line).size(), 1) << result.out.toStdString();
        EXPECT_TRUE(result.lines().constLast().startsWith("korvell: 29 of 30 slots ok"))
            << result.out.toStdString();
    }
}

TEST(CliVerify, JsonSaysWhatTheLinesSay) {
    ScratchFolder scratch;
    const QString workspace = q(scratch / "W");
    writeBytes(workspace + "/image/en/menu5.bmp", monochromeBmp(221, 300));
    writeBytes(workspace + "/image/en/one.gif", gifPicture(128, 128));
    const CliResult lines = runTheme({"verify", "korvell-plus", "--workspace", workspace});
    const CliResult json = runTheme({"verify", "korvell-plus", "--workspace", workspace, "--json"});
    EXPECT_EQ(json.exitCode, lines.exitCode);
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8(), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out.toStdString();
    EXPECT_FALSE(root["ok"].toBool());
    EXPECT_EQ(root["summary"].toString(), lines.lines().constLast());
    const QJsonArray slots_ = root["slots"].toArray();
    ASSERT_EQ(slots_.size(), 20);
    for (int i = 0; i < slots_.size(); ++i) {
        const QStringList fields = lines.lines()[i].split('\t');
        const QJsonObject slot = slots_[i].toObject();
        EXPECT_EQ(QString::number(slot["index"].toInt()), fields[0]);
        EXPECT_EQ(slot["label"].toString(), fields[1]);
        EXPECT_EQ(slot["path"].toString(), fields[2]);
        EXPECT_EQ(slot["status"].toString(), fields[3]);
    }
    EXPECT_EQ(slots_[6].toObject()["width"].toInt(), 221);
    EXPECT_EQ(slots_[6].toObject()["status"].toString(), "over-pixels");
    EXPECT_EQ(slots_[19].toObject()["status"].toString(), "ok");
}

// GNU tar stores a name over 100 bytes in a long-name header, which a terminal cannot read.
TEST(CliVerify, AnArchiveWithALongNameFailsTheArchiveCheck) {
    ScratchFolder scratch;
    const std::string longName = "image/" + std::string(101, 'x') + ".gif";
    ASSERT_EQ(shell("cd " + scratch.path() + " && mkdir W && cd W && bzip2 -dc " +
                    PALVEX_SAMPLE_KORVELL + " | tar -xf - && touch " + longName +
                    " && tar --format=gnu -cjf ../long.bz2 image"),
              0);
    const CliResult result = runTheme({"verify", "korvell", q(scratch / "long.bz2")});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.lines().filter("\tok\t").size(), 30);
    EXPECT_EQ(result.lines().filter(QRegularExpression("^archive\t.*GNU long name")).size(), 1)
        << result.out.toStdString();
    EXPECT_TRUE(result.lines().constLast().contains("archive: ")) << result.out.toStdString();
}

// Names made to forge result lines or drive the terminal: every text output shows them escaped,
// and a name that is not UTF-8 is still listed.
TEST(CliNames, ReachTheOutputEscapedWhereverTheyAppear) {
    const struct {
        const char* what;
        std::string name;
        QString shown;    // as the archive holds it
        QString unpacked; // as the unpack writes it (stray bytes read in code page 437)
    } cases[] = {
        {"a newline", "image/a\nkorvell: 30 of 30 slots ok, archive ok, 0 extra files",
         "image/a\\nkorvell: 30 of 30 slots ok, archive ok, 0 extra files",
         "image/a\\nkorvell: 30 of 30 slots ok, archive ok, 0 extra files"},
        {"a carriage return", "image/b\rUnpacked Files :30", "image/b\\rUnpacked Files :30",
         "image/b\\rUnpacked Files :30"},
        {"an escape sequence", "image/\x1b[2Jc.gif", "image/\\x1b[2Jc.gif", "image/\\x1b[2Jc.gif"},
        {"a byte that is not UTF-8", "image/d\xff.gif", "image/d\\xff.gif",
         QStringLiteral("image/d\u00a0.gif")},
    };
    // One line per slot, archive finding or extra file, then the summary; no raw control
    // character anywhere.
    const QRegularExpression line(
        "^(\\d+\t[^\t]+\t[^\t]+\t[a-z-]+\t[^\t]*|(archive|extra)\t[^\t]+|korvell: [^\t]+)$");
    const QRegularExpression control("[\\x00-\\x08\\x0b-\\x1f\\x7f]");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder scratch;
        const std::string tar = TarBuilder()
                                    .file(c.name, "x")
                                    .file(c.name + "L", "", '2') // refused, so the log names it
                                    .finish()
                                    .write(scratch / "odd.tar");
        ASSERT_EQ(shell("bzip2 '" + tar + "'"), 0);
        const QString archive = q(tar + ".bz2"), workspace = q(scratch / "W");

        const CliResult unpacked = runTheme({"unpack", archive, "--workspace", workspace});
        EXPECT_EQ(unpacked.lines().filter(QRegularExpression("^Unpacked Files :")),
                  QStringList{"Unpacked Files :1"})
            << unpacked.out.toStdString();
        EXPECT_TRUE(unpacked.out.contains("/" + c.unpacked + "L (")) << unpacked.out.toStdString();

        const CliResult verified = runTheme({"verify", "korvell", archive});
        writeFile(scratch / ("W/" + c.name), "made in the workspace itself");
        const CliResult listed = runTheme({"verify", "korvell", "--workspace", workspace});
        for (const CliResult* run : {&unpacked, &verified, &listed})
            EXPECT_FALSE(run->out.contains(control) || run->err.contains(control))
                << run->out.toStdString() << run->err.toStdString();
        for (const CliResult* run : {&verified, &listed}) {
            const QStringList lines = run->out.split('\n', Qt::SkipEmptyParts);
            EXPECT_EQ(lines.size(), lines.filter(line).size()) << run->out.toStdString();
            EXPECT_EQ(lines.filter(QRegularExpression("^korvell: ")).size(), 1);
            EXPECT_TRUE(lines.constLast().startsWith("korvell: 0 of 30 slots ok"));
        }
        EXPECT_TRUE(
            verified.lines().contains("archive\t" + c.shown + ": the name is not plain ASCII"))
            << verified.out.toStdString();
        EXPECT_TRUE(verified.lines().contains("extra\t" + c.unpacked))
            << verified.out.toStdString();
        EXPECT_TRUE(listed.lines().contains("extra\t" + c.shown)) << listed.out.toStdString();
    }
}

QByteArray contentOf(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

// The Korvell sample unpacked into folder, every slot file then made to declare 5 792 x 5 792
// (a few hundred bytes each, 128 MB each decoded), packed again into folder.bz2.
QString archiveOfHugeSlots(const QString& folder) {
    EXPECT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", folder}).exitCode, 0);
    for (const theme::Slot& slot : theme::slotCatalogue(theme::TerminalModel::Korvell)) {
        const QString path = folder + "/" + slot.relativePath;
        writeBytes(path, declaringSize(contentOf(path), {5792, 5792}));
    }
    EXPECT_EQ(shell("cd " + folder.toStdString() + " && tar -cjf ../huge.bz2 image"), 0);
    return folder + "/../huge.bz2";
}

// sheet finds what verify finds: the same slots, the same archive problems, the same status.
TEST(CliSheet, AgreesWithVerify) {
    ScratchFolder scratch;
    const std::string longName = "image/" + std::string(101, 'x') + ".gif";
    ASSERT_EQ(shell("cd " + scratch.path() + " && mkdir L && cd L && bzip2 -dc " +
                    PALVEX_SAMPLE_KORVELL + " | tar -xf - && touch " + longName +
                    " && tar --format=gnu -cjf ../long.bz2 image"),
              0);
    struct Case {
        const char* name;
        QString archive;
        int exitCode;
        int overPixels; // slots refused by their declared height and width
    } const cases[] = {
        {"the sample", PALVEX_SAMPLE_KORVELL, 0, 0},
        {"a long name", q(scratch / "long.bz2"), 1, 0},
        {"huge slots", archiveOfHugeSlots(q(scratch / "H")), 1, 30},
    };
    for (const Case& c : cases) {
        const CliResult verify = runTheme({"verify", "korvell", c.archive});
        const CliResult sheet = runTheme({"sheet", "korvell", q(scratch / "s.png"), c.archive});
        EXPECT_EQ(verify.exitCode, c.exitCode) << c.name << verify.out.toStdString();
        EXPECT_EQ(sheet.exitCode, c.exitCode) << c.name << sheet.err.toStdString();
        EXPECT_EQ(verify.lines().filter("\tover-pixels\t").size(), c.overPixels) << c.name;
        EXPECT_EQ(sheet.lines().filter(QRegularExpression("^archive\t|\tover-pixels\t")),
                  verify.lines().filter(QRegularExpression("^archive\t|\tover-pixels\t")))
            << c.name;
        EXPECT_TRUE(sheet.lines().contains(verify.lines().constLast())) << c.name;
        EXPECT_EQ(QImage(q(scratch / "s.png")).size(), QSize(1200, 32 + 5 * 190)) << c.name;
    }
    // Reported by the dimensions their headers declare, none decoded.
    EXPECT_TRUE(runTheme({"verify", "korvell", q(scratch / "huge.bz2")})
                    .lines()[0]
                    .contains("kb H:5792 W:5792, limits 45.00 kb H:210 W:320; over H:210 W:320"));
}

TEST(CliSheet, DrawsOneCellPerSlotAndMarksTheBadOnes) {
    ScratchFolder scratch;
    const QString workspace = q(scratch / "W");
    ASSERT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL_PLUS, "--workspace", workspace}).exitCode,
              0);
    ASSERT_EQ(shell("rm " + workspace.toStdString() + "/image/en/fail.gif"), 0);
    const QString sheet = q(scratch / "sheet.png");
    const CliResult result = runTheme({"sheet", "korvell-plus", sheet, "--workspace", workspace});
    // As verify: a missing slot fails.
    ASSERT_EQ(result.exitCode, 1) << result.err.toStdString();
    const QImage image(sheet);
    // 5 columns of 200 pixels; a 32-pixel title, then 4 rows of 190.
    EXPECT_EQ(image.size(), QSize(1000, 32 + 4 * 190));
    const QColor mark(0xd0, 0x00, 0x00);
    const QPoint failCell(0 * 200 + 1, 32 + 3 * 190 + 1); // slot 15, row 3, column 0
    const QPoint oneCell(4 * 200 + 1, 32 + 3 * 190 + 1);  // slot 19
    EXPECT_EQ(image.pixelColor(failCell), mark);
    EXPECT_NE(image.pixelColor(oneCell), mark);
}

// A theme against itself, against its workspace after one fit, and against a workspace with a
// slot gone and a file added.
TEST(CliDiff, ListsEachSlotAsTheSameChangedOrOnOneSideOnly) {
    ScratchFolder scratch;
    const QString fitted = q(scratch / "F"), pruned = q(scratch / "P");
    for (const QString& folder : {fitted, pruned})
        ASSERT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", folder}).exitCode, 0);
    const QString photo = writeBytes(q(scratch / "photo.jpg"), jpegPicture(640, 420));
    ASSERT_EQ(runTheme({"fit", "korvell", "0", photo, "--workspace", fitted}).exitCode, 0);
    ASSERT_EQ(shell("cd " + pruned.toStdString() +
                    " && rm image/mi2.gif && echo notes > image/notes.txt"),
              0);
    struct Case {
        const char* name;
        QString b;
        int exitCode;
        QStringList differences; // the lines that are not "same", up to the summary
    } const cases[] = {
        {"itself", PALVEX_SAMPLE_KORVELL, 0, {}},
        {"one fit", fitted, 1, {"0\tDesktop\timage/desktop.jpg\tchanged\tA: "}},
        {"pruned",
         pruned,
         1,
         {"5\t2. Comm\timage/mi2.gif\tonly-in-A\tA: ", "extra\tonly-in-B\timage/notes.txt"}},
    };
    for (const Case& c : cases) {
        const CliResult result = runTheme({"diff", "korvell", PALVEX_SAMPLE_KORVELL, c.b});
        EXPECT_EQ(result.exitCode, c.exitCode) << c.name << result.err.toStdString();
        QStringList lines = result.lines();
        ASSERT_FALSE(lines.isEmpty()) << c.name;
        const QString summary = lines.takeLast();
        EXPECT_EQ(lines.filter("\tsame").size(), 30 - (c.name == QString("itself") ? 0 : 1));
        const QStringList others =
            lines.filter(QRegularExpression("^(?!\\d+\t[^\t]+\t[^\t]+\tsame$)"));
        ASSERT_EQ(others.size(), c.differences.size()) << c.name << result.out.toStdString();
        for (int i = 0; i < others.size(); ++i)
            EXPECT_TRUE(others[i].startsWith(c.differences[i])) << others[i].toStdString();
        EXPECT_TRUE(summary.startsWith("korvell: ")) << summary.toStdString();
    }
    const CliResult changed = runTheme({"diff", "korvell", PALVEX_SAMPLE_KORVELL, fitted});
    EXPECT_TRUE(
        changed.out.contains(QRegularExpression("\tchanged\tA: [0-9.]+ kb H:210 W:320\tB: [0-9.]+ "
                                                "kb H:\\d+ W:\\d+\tsimilarity 0\\.\\d{4}\n")))
        << changed.out.toStdString();
}

TEST(CliDiff, DrawsTheSlotsThatDifferSideBySideAndSaysItInJson) {
    ScratchFolder scratch;
    const QString workspace = q(scratch / "W");
    ASSERT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", workspace}).exitCode, 0);
    ASSERT_EQ(shell("cd " + workspace.toStdString() + " && rm image/mi2.gif image/mi3.gif"), 0);
    const QString sheet = q(scratch / "diff.png");
    const CliResult drawn =
        runTheme({"diff", "korvell", PALVEX_SAMPLE_KORVELL, workspace, "--sheet", sheet});
    EXPECT_EQ(drawn.exitCode, 1) << drawn.err.toStdString();
    const QImage image(sheet);
    EXPECT_EQ(image.size(), QSize(2 * 200, 2 * 32 + 2 * 190)); // A and B, two rows
    const QColor mark(0xd0, 0x00, 0x00);
    EXPECT_NE(image.pixelColor(1, 2 * 32 + 1), mark);       // A's mi2.gif is there
    EXPECT_EQ(image.pixelColor(200 + 1, 2 * 32 + 1), mark); // B's is missing

    const CliResult json =
        runTheme({"diff", "korvell", PALVEX_SAMPLE_KORVELL, workspace, "--json"});
    const QJsonObject root = QJsonDocument::fromJson(json.out.toUtf8()).object();
    EXPECT_FALSE(root["same"].toBool());
    EXPECT_EQ(root["summary"].toString(), drawn.lines().constLast());
    EXPECT_EQ(root["slots"].toArray()[5].toObject()["difference"].toString(), "only-in-A");
    EXPECT_EQ(root["slots"].toArray()[5].toObject()["b"].toObject()["status"].toString(),
              "missing");

    struct Usage {
        QStringList arguments;
        const char* message;
    } const usages[] = {
        {{"diff", "korvell", PALVEX_SAMPLE_KORVELL, q(scratch / "none.bz2")}, "No such archive"},
        {{"diff", "korvell", PALVEX_SAMPLE_KORVELL, workspace, "--sheet", q(scratch / "d.bz2")},
         "must end in .png"},
        {{"diff", "korvell", PALVEX_SAMPLE_KORVELL}, "Usage:"},
    };
    for (const Usage& u : usages) {
        const CliResult result = runTheme(u.arguments);
        EXPECT_EQ(result.exitCode, 2) << u.message;
        EXPECT_TRUE(result.err.contains(u.message)) << result.err.toStdString();
    }
}

} // namespace
} // namespace palvex::test
