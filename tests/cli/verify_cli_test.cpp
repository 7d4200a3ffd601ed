#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

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
        {"head -c 4000 /dev/zero > image/mi1.gif", "4\t1. User\timage/mi1.gif\ttoo-big\t"},
        {"echo junk > image/mi3.gif", "6\t3. System\timage/mi3.gif\tunreadable\t"},
        {"mv image/mi4.gif image/MI4.gif", "7\t4. Date/Time\timage/mi4.gif\tmissing\t"},
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
    EXPECT_EQ(slots_[6].toObject()["status"].toString(), "too-large");
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

TEST(CliSheet, DrawsOneCellPerSlotAndMarksTheBadOnes) {
    ScratchFolder scratch;
    const QString workspace = q(scratch / "W");
    ASSERT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL_PLUS, "--workspace", workspace}).exitCode,
              0);
    ASSERT_EQ(shell("rm " + workspace.toStdString() + "/image/en/fail.gif"), 0);
    const QString sheet = q(scratch / "sheet.png");
    const CliResult result = runTheme({"sheet", "korvell-plus", sheet, "--workspace", workspace});
    ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
    const QImage image(sheet);
    // 5 columns of 200 pixels; a 32-pixel title, then 4 rows of 190.
    EXPECT_EQ(image.size(), QSize(1000, 32 + 4 * 190));
    const QColor mark(0xd0, 0x00, 0x00);
    const QPoint failCell(0 * 200 + 1, 32 + 3 * 190 + 1); // slot 15, row 3, column 0
    const QPoint oneCell(4 * 200 + 1, 32 + 3 * 190 + 1);  // slot 19
    EXPECT_EQ(image.pixelColor(failCell), mark);
    EXPECT_NE(image.pixelColor(oneCell), mark);
}

} // namespace
} // namespace palvex::test
