#include "tests/cli/cli_runner.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <unistd.h>

namespace palvex::test {
namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

TEST(CliSlots, ListsEverySlotWithItsPathAndLimits) {
    const CliResult korvell = runTheme({"slots", "korvell"});
    ASSERT_EQ(korvell.exitCode, 0) << korvell.err.toStdString();
    ASSERT_EQ(korvell.lines().size(), 30);
    EXPECT_EQ(korvell.lines()[0], "0\tDesktop\timage/desktop.jpg\t45.00\t210\t320");
    EXPECT_EQ(korvell.lines()[27], "27\t3.6 Reset\timage/mi37.gif\t3.00\t55\t55");
    EXPECT_EQ(korvell.lines()[21], "21\t2.5  Wireless\timage/single.gif\t3.00\t55\t55");

    const CliResult plus = runTheme({"slots", "korvell-plus"});
    ASSERT_EQ(plus.lines().size(), 20);
    EXPECT_EQ(plus.lines()[13], "13\tWaitCursor\timage/en/mainpic/02.gif\t20.00\t128\t128");
    EXPECT_EQ(plus.lines()[6], "6\tSystem\timage/en/menu5.bmp\t200.00\t300\t220");
}

TEST(CliErrors, GoToStderrWithANonZeroStatus) {
    struct Case {
        QStringList arguments;
        const char* message;
    } const cases[] = {
        {{"slots", "k9"}, "Unknown model"},
        {{"slots"}, "Usage: palvex-theme slots MODEL"},
        {{"frobnicate"}, "Unknown command"},
        {{"show", "korvell", "99"}, "Unknown slot"},
        {{"show", "korvell", "desktop"}, "Unknown slot"},
        {{}, "Commands:"},
        {{"slots", "korvell", "--json"}, "--json does not apply to slots"},
        {{"slots", "korvell", "--max-size", "5"}, "--max-size does not apply to slots"},
        {{"verify", "korvell", "--max-size", "0"}, "--max-size takes a number of bytes above 0"},
        {{"fit", "korvell", "--folder", "D", "--output", "x.jpg"}, "give one or the other"},
    };
    for (const Case& c : cases) {
        const CliResult result = runTheme(c.arguments);
        EXPECT_NE(result.exitCode, 0) << c.arguments.join(' ').toStdString();
        EXPECT_TRUE(result.out.isEmpty()) << result.out.toStdString();
        EXPECT_TRUE(result.err.contains(c.message)) << result.err.toStdString();
    }
}

TEST(CliClean, RemovesTheWorkspaceGivenAndNothingOutside) {
    ScratchFolder scratch;
    const std::string kept = writeFile(scratch / "outside/keep.txt", "precious");
    writeFile(scratch / "W/image/desktop.jpg", "x");
    std::filesystem::create_directory_symlink(scratch / "outside", scratch / "W/image/link");

    const CliResult result = runTheme({"clean", "--workspace", q(scratch / "W")});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_FALSE(std::filesystem::exists(scratch / "W"));
    EXPECT_EQ(readFile(kept), "precious");
    EXPECT_EQ(runTheme({"clean", "--workspace", q(scratch / "W")}).exitCode, 0);
}

// A workspace made by hand: a 320 x 210 desktop picture and a 55 x 55 icon of 3 072 bytes.
class CliSlotCommands : public ::testing::Test {
protected:
    CliSlotCommands() {
        desktop = jpegPicture(320, 210);
        writeBytes(workspace + "/image/desktop.jpg", desktop);
        writeBytes(workspace + "/image/mi1.gif", gifPicture(55, 55, 3072));
    }
    QString pick(const QString& name, const QByteArray& bytes) {
        return writeBytes(q(scratch / "P/") + name, bytes);
    }
    CliResult run(QStringList arguments) {
        return runTheme(arguments << "--workspace" << workspace);
    }

    ScratchFolder scratch;
    QString workspace = q(scratch / "W");
    QByteArray desktop;
};

TEST_F(CliSlotCommands, ShowPrintsTheDetailsOfASlotByLabelOrIndex) {
    for (const QString& slot : {QString("Desktop"), QString("0")}) {
        const CliResult result = run({"show", "korvell", slot});
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        ASSERT_EQ(result.lines().size(), 3);
        EXPECT_EQ(result.lines()[0], "FileName : desktop.jpg");
        EXPECT_TRUE(result.lines()[1].startsWith("FileSize : "));
        EXPECT_TRUE(result.lines()[1].endsWith(" kb"));
        EXPECT_EQ(result.lines()[2], "Dimension : H:210\tW:320");
    }
}

TEST_F(CliSlotCommands, ShowFailsQuietlyForAMissingFileAndLoudlyForABrokenOne) {
    const CliResult missing = run({"show", "korvell", "MainMenu"});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.isEmpty());

    writeBytes(workspace + "/image/mainmenu.jpg", "broken");
    const CliResult broken = run({"show", "korvell", "MainMenu"});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_TRUE(broken.out.isEmpty());
    EXPECT_TRUE(broken.err.startsWith("Load Image Error : ")) << broken.err.toStdString();
}

TEST_F(CliSlotCommands, CheckAppliesTheNameSizeAndDimensionRules) {
    struct Case {
        const char* name;
        QByteArray bytes;
        int exitCode;
        const char* message;
    } const cases[] = {
        {"mi1.gif", gifPicture(55, 55, 3072), 0, ""},
        {"mi1.gif", gifPicture(55, 55, 3073), 1, "Error, max size for mi1.gif is 3.00kb"},
        {"mi1.gif", gifPicture(55, 56), 1, "Error, max dimension for mi1.gif is H:55 W:55"},
        {"Mi1.gif", gifPicture(55, 55), 1, "File name must be same !"},
        {"mi1.gif", "no picture", 1, "Load Image Error : "},
        {"mi1.gif", gifPicture(55, 55).left(300), 1,
         "Load Image Error : Premature end of GIF file"},
    };
    for (const Case& c : cases) {
        const CliResult result = run({"check", "korvell", "4", pick(c.name, c.bytes)});
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message;
        if (*c.message)
            EXPECT_TRUE(result.err.startsWith(c.message)) << result.err.toStdString();
        else
            EXPECT_TRUE(result.err.isEmpty()) << result.err.toStdString();
        QFile::remove(q(scratch / "P/") + c.name);
    }
}

TEST_F(CliSlotCommands, CheckRefusesAHugeWidthThatWouldWrapTo16Bits) {
    const CliResult result =
        run({"check", "korvell-plus", "Customize", pick("menu6.bmp", monochromeBmp(65591, 1))});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err.trimmed(), "Error, max dimension for menu6.bmp is H:128 W:128");
}

TEST_F(CliSlotCommands, ChangeCopiesThePictureAndLogsLikeTheWindow) {
    const QByteArray replacement = gifPicture(50, 50, 3000);
    const CliResult result = run({"change", "korvell", "1. User", pick("mi1.gif", replacement)});
    EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
    EXPECT_EQ(result.lines(),
              QStringList({"Replaced image mi1.gif", "Retrieving mi1.gif details..."}));
    QFile slotFile(workspace + "/image/mi1.gif");
    ASSERT_TRUE(slotFile.open(QIODevice::ReadOnly));
    EXPECT_EQ(slotFile.readAll(), replacement);

    const CliResult refused =
        run({"change", "korvell", "Desktop", pick("desktop.jpg", jpegPicture(321, 210))});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err.trimmed(), "Error, max dimension for desktop.jpg is H:210 W:320");
    ASSERT_EQ(refused.lines().size(), 1);
    EXPECT_TRUE(refused.lines()[0].startsWith("Refused picture desktop.jpg : "));
    EXPECT_TRUE(refused.lines()[0].endsWith(
        " kb H:210 W:321; desktop.jpg takes at most 45.00 kb H:210 W:320"));
}

// A picture over the readers' memory budget, and one this user may not read, say so in each
// command that reads pictures, with no warning of Qt's own beside it. As root, whom permission
// bits do not stop, the rows of a locked file are skipped.
TEST_F(CliSlotCommands, PicturesTooLargeToDecodeOrNotReadableSaySo) {
    const QString tooLarge = "The picture is too large to decode: H:60000 W:60000 takes ";
    const QString denied = "Permission denied: this user may not read the picture";
    const QByteArray huge = declaringSize(gifPicture(8, 8), {60000, 60000});
    const QString slotFile = workspace + "/image/mi1.gif";
    enum Locked { Nothing, TheSlotFile, ThePicked };
    struct Case {
        QStringList arguments; // "PICKED" stands for the picture picked
        QByteArray slotBytes;
        Locked locked;
        QString message;
    } const cases[] = {
        {{"show", "korvell", "4"}, huge, Nothing, tooLarge},
        {{"fit", "korvell", "4", "PICKED"}, gifPicture(55, 55), Nothing, tooLarge},
        {{"show", "korvell", "4"}, gifPicture(55, 55), TheSlotFile, denied},
        {{"check", "korvell", "4", "PICKED"}, gifPicture(55, 55), ThePicked, denied},
        {{"change", "korvell", "4", "PICKED"}, gifPicture(55, 55), ThePicked, denied},
        {{"fit", "korvell", "4", "PICKED"}, gifPicture(55, 55), ThePicked, denied},
        {{"verify", "korvell"}, gifPicture(55, 55), TheSlotFile, denied},
        {{"sheet", "korvell", q(scratch / "s.png")}, gifPicture(55, 55), TheSlotFile, denied},
    };
    int skipped = 0;
    for (const Case& c : cases) {
        const QString story = c.arguments.join(' ') + " " + c.message;
        writeBytes(slotFile, c.slotBytes);
        const QString picked = pick("mi1.gif", c.message == tooLarge ? huge : gifPicture(50, 50));
        const QString locked = c.locked == TheSlotFile ? slotFile : picked;
        QFile::setPermissions(locked, c.locked == Nothing ? QFile::ReadOwner | QFile::WriteOwner
                                                          : QFile::Permissions());
        if (QFile file(locked); c.locked != Nothing && file.open(QIODevice::ReadOnly)) {
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
            ++skipped;
            continue;
        }
        QStringList arguments = c.arguments;
        arguments.replaceInStrings("PICKED", picked);
        const CliResult result = run(arguments);
        QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner);
        EXPECT_EQ(result.exitCode, 1) << story.toStdString();
        EXPECT_TRUE((result.out + result.err).contains(c.message))
            << story.toStdString() << "\n"
            << (result.out + result.err).toStdString();
        EXPECT_FALSE(result.err.contains(QRegularExpression("(^|\n)Q\\w+::")))
            << story.toStdString() << "\n"
            << result.err.toStdString();
    }
    if (skipped > 0)
        GTEST_SKIP() << skipped << " rows of a locked file skipped: this user reads any file";
}

// What a new user does: unpack a sample, look at a slot, change it, compile.
TEST(CliPipelines, UnpackShowChangeCompileASample) {
    ScratchFolder scratch;
    const QString workspace = q(scratch / "W");
    const CliResult unpacked =
        runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", workspace});
    ASSERT_EQ(unpacked.exitCode, 0) << unpacked.err.toStdString();
    EXPECT_EQ(unpacked.lines(), QStringList({"Unpacking img.bz2...", "Unpacked Files :30"}));

    const CliResult shown = runTheme({"show", "korvell", "Desktop", "--workspace", workspace});
    EXPECT_EQ(shown.lines().value(2), "Dimension : H:210\tW:320");

    const QByteArray picture = jpegPicture(300, 200);
    const QString chosen = writeBytes(q(scratch / "pick/desktop.jpg"), picture);
    EXPECT_EQ(runTheme({"change", "korvell", "Desktop", chosen, "--workspace", workspace}).exitCode,
              0);

    const QString output = q(scratch / "OUT.bz2");
    const CliResult compiled = runTheme({"compile", output, "--workspace", workspace});
    EXPECT_EQ(compiled.exitCode, 0) << compiled.err.toStdString();
    EXPECT_EQ(compiled.lines(), QStringList({"Compiling img.bz2...", "Process Done!"}));
    EXPECT_EQ(std::system(("bzip2 -t " + output.toStdString()).c_str()), 0);
    EXPECT_EQ(std::system(("bzip2 -dc " + output.toStdString() +
                           " | tar -xOf - image/desktop.jpg > " + (scratch / "back.jpg"))
                              .c_str()),
              0);
    EXPECT_EQ(QByteArray::fromStdString(readFile(scratch / "back.jpg")), picture);
}

TEST(CliPipelines, FailuresSayWhyAndExitWithOne) {
    ScratchFolder scratch;
    const QString workspace = q(scratch / "W");
    const QString fake = q(writeFile(scratch / "img.bz2", "not bzip2"));
    const CliResult bad = runTheme({"unpack", fake, "--workspace", workspace});
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_EQ(bad.err.trimmed(), "Error unpacking the img.bz2.");

    const CliResult missing =
        runTheme({"unpack", q(scratch / "none.bz2"), "--workspace", workspace});
    EXPECT_EQ(missing.exitCode, 1);

    TarBuilder escaping;
    escaping.file("../outside.txt", "x").file("image/ok.gif", "y").finish();
    const CliResult refused = runTheme(
        {"unpack", q(escaping.write(scratch / "evil.tar")), "--workspace", q(scratch / "W2")});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.lines().value(0).startsWith("Error opening file : "))
        << refused.out.toStdString();
    EXPECT_EQ(refused.lines().value(1), "Unpacked Files :1");
    EXPECT_FALSE(std::filesystem::exists(scratch / "outside.txt"));

    const QString kept = q(writeFile(scratch / "out.bz2", "precious"));
    const CliResult nothing = runTheme({"compile", kept, "--workspace", workspace});
    EXPECT_EQ(nothing.exitCode, 1);
    EXPECT_EQ(nothing.lines().constLast(), "Compile img.bz2 error : Nothing to do");
    EXPECT_EQ(readFile(kept.toStdString()), "precious");
}

// Each hostile input unpacked from a shell: exit 1, a line that says why, no junk left behind.
TEST(CliPipelines, HostileArchivesExitWithOneSayWhyAndLeaveNoJunk) {
    ScratchFolder scratch;
    qputenv("TMPDIR", QByteArray::fromStdString(scratch.path()));
    std::string cut =
        TarBuilder().file("image/a.gif", "a").file("image/b.gif", std::string(3000, 'b')).bytes();
    cut.resize(cut.size() - 2000);
    // A few kilobytes of bzip2 must not fill a disk: over the cap, nothing is written.
    const std::string bomb = TarBuilder().file("image/z.gif", std::string(30000, 'z')).bytes();
    const struct {
        const char* story;
        std::string content;
        bool compress;
        QStringList options;
        std::string says;
        std::map<std::string, std::string> left;
    } rows[] = {
        {"an empty img.bz2", "", false, {}, "Error unpacking the img.bz2.", {}},
        {"neither bzip2 nor tar", "hello", false, {}, "Error unpacking the img.bz2.", {}},
        {"bzip2 of what is no tar",
         std::string(20000, 'A'),
         true,
         {},
         "Error unpacking the img.bz2.",
         {}},
        {"cut inside a file's data",
         cut,
         true,
         {},
         "File fails CRC check : " + scratch / "W/image/b.gif" +
             " (the archive ends inside this entry's data)",
         {{"image/a.gif", "a"}}},
        {"over --max-size",
         bomb,
         true,
         {"--max-size", "20000"},
         "The archive unpacks to more than 20000 bytes",
         {}},
        {"a plain tar over --max-size",
         bomb,
         false,
         {"--max-size", "20000"},
         "The archive unpacks to more than 20000 bytes",
         {}},
    };
    for (const auto& row : rows) {
        std::filesystem::remove_all(scratch / "W");
        const std::string archive = writeFile(scratch / "in.tar", row.content);
        if (row.compress)
            ASSERT_EQ(shell("bzip2 -c " + archive + " > " + scratch / "img.bz2"), 0);
        else
            std::filesystem::rename(archive, scratch / "img.bz2");
        const CliResult result = runTheme(
            QStringList{"unpack", q(scratch / "img.bz2"), "--workspace", q(scratch / "W")} +
            row.options);
        EXPECT_EQ(result.exitCode, 1) << row.story;
        EXPECT_TRUE((result.out + result.err).contains(q(row.says)))
            << row.story << ": " << (result.out + result.err).toStdString();
        EXPECT_EQ(treeOf(scratch / "W"), row.left) << row.story;
        const std::string temporary =
            scratch / ("palvex-image-changer-" + std::to_string(::getuid()));
        EXPECT_TRUE(!std::filesystem::exists(temporary) || std::filesystem::is_empty(temporary))
            << row.story;
    }
    qunsetenv("TMPDIR");
}

// Every theme archive is called img.bz2: two unpacks at once must still not share a file.
TEST(CliPipelines, TwoUnpacksAtOnceEachGetOnlyTheirOwnArchive) {
    ScratchFolder scratch;
    for (const char* side : {"a", "b"}) {
        TarBuilder tar;
        for (int i = 0; i < 20; ++i)
            tar.file("image/p" + std::to_string(i) + ".gif", std::string(20000 + i, side[0]));
        tar.finish().write(scratch / (std::string(side) + ".tar"));
        makeFolder(scratch / side);
        ASSERT_EQ(shell("bzip2 -c " + scratch / side + ".tar > " + scratch / side + "/img.bz2"), 0);
    }
    const std::string theme = PALVEX_THEME;
    auto unpack = [&](const std::string& side) {
        return "TMPDIR=" + scratch.path() + " " + theme + " unpack " + scratch / side +
               "/img.bz2 --workspace " + scratch / ("W" + side) + " >/dev/null; echo " + side +
               "=$?";
    };
    for (int attempt = 0; attempt < 10; ++attempt) {
        std::filesystem::remove_all(scratch / "Wa");
        std::filesystem::remove_all(scratch / "Wb");
        std::string statuses;
        shell("(" + unpack("a") + ") & (" + unpack("b") + ") & wait", &statuses);
        EXPECT_NE(statuses.find("a=0"), std::string::npos) << attempt;
        EXPECT_NE(statuses.find("b=0"), std::string::npos) << attempt;
        for (const char* side : {"a", "b"}) {
            const auto tree = treeOf(scratch / ("W" + std::string(side)));
            ASSERT_EQ(tree.size(), 20u) << attempt << side;
            for (const auto& [path, content] : tree)
                EXPECT_EQ(content.front(), side[0]) << attempt << path;
        }
    }
}

// A run killed while it unpacks leaves its decoded tar in the private temporary folder, and no
// file half written in the workspace; the next command, whichever it is, removes the tar.
TEST(CliPipelines, AKilledUnpackLeavesNothingOnceTheNextCommandStarts) {
    ScratchFolder scratch;
    qputenv("TMPDIR", QByteArray::fromStdString(scratch.path()));
    // Nearly a gigabyte of holes in a tar of a few blocks: quick to decode, slow to write.
    const std::string tar =
        TarBuilder()
            .file("PaxHeaders.1/s",
                  test::paxRecords({{"GNU.sparse.major", "1"},
                                    {"GNU.sparse.minor", "0"},
                                    {"GNU.sparse.name", "image/hole.bin"},
                                    {"GNU.sparse.realsize", "1000000000"}}),
                  'x')
            .file("GNUSparseFile.1/hole.bin", "1\n999999999\n1\n" + std::string(498, '\0') + "x")
            .finish()
            .write(scratch / "in.tar");
    ASSERT_EQ(shell("bzip2 -k " + tar), 0);
    const std::string temporary = scratch / ("palvex-image-changer-" + std::to_string(::getuid()));
    auto decodedTars = [&] {
        std::vector<std::filesystem::path> found;
        if (std::filesystem::exists(temporary))
            for (const auto& entry : std::filesystem::directory_iterator(temporary))
                if (entry.is_regular_file() && entry.file_size() == std::filesystem::file_size(tar))
                    found.push_back(entry.path());
        return found;
    };

    // verify unpacks into a folder of its own, which a killed run leaves as well.
    const QStringList commands[] = {{"unpack", q(tar + ".bz2"), "--workspace", q(scratch / "W")},
                                    {"verify", "korvell", q(tar + ".bz2")}};
    for (const QStringList& command : commands) {
        QProcess run;
        run.start(QStringLiteral(PALVEX_THEME), command);
        ASSERT_TRUE(run.waitForStarted());
        while (decodedTars().empty() && !run.waitForFinished(2)) {
        }
        run.kill();
        run.waitForFinished();
        ASSERT_EQ(run.exitStatus(), QProcess::CrashExit) << "it ended before it was killed";
        ASSERT_EQ(decodedTars().size(), 1u);
        const auto folders = std::count_if(std::filesystem::directory_iterator(temporary),
                                           std::filesystem::directory_iterator(),
                                           [](const auto& entry) { return entry.is_directory(); });
        EXPECT_EQ(folders, command[0] == "verify" ? 1 : 0);

        EXPECT_EQ(runTheme({"slots", "korvell"}).exitCode, 0);
        EXPECT_TRUE(std::filesystem::is_empty(temporary)) << command[0].toStdString();
    }
    // Killed before or while it wrote the file: at most its folder is there, no part of it.
    for (const auto& [path, content] : treeOf(scratch / "W"))
        EXPECT_EQ(content, "<folder>") << path;
    qunsetenv("TMPDIR");
}

// A full disk, made with a small file system in a user namespace of the test's own.
TEST(CliPipelines, AFullDiskStopsTheUnpackAndLeavesNoPartialFile) {
    ScratchFolder scratch;
    const std::string mount = scratch / "small";
    makeFolder(mount);
    std::string random;
    ASSERT_EQ(shell("head -c 200000 /dev/urandom", &random), 0);
    TarBuilder()
        .file("image/a.gif", "a")
        .file("image/big.gif", random)
        .file("image/z.gif", "z")
        .finish()
        .write(scratch / "in.tar");
    ASSERT_EQ(shell("bzip2 -k " + scratch / "in.tar"), 0);
    const std::string script =
        "export TMPDIR=" + scratch.path() + "; mount -t tmpfs -o size=64k tmpfs " + mount + " && " +
        PALVEX_THEME + " unpack " + scratch / "in.tar.bz2" + " --workspace " + mount +
        "/W; echo \"unpack=$?\"; find " + mount + "/W -type f";
    ASSERT_EQ(std::system("unshare -r -m true"), 0)
        << "this test needs user namespaces (unshare -r -m) to mount a small file system";
    std::string output;
    shell("unshare -r -m sh -c '" + script + "' 2>&1", &output);
    EXPECT_NE(output.find("Disk full : "), std::string::npos) << output;
    EXPECT_NE(output.find("no room left for " + mount + "/W/image/big.gif"), std::string::npos)
        << output;
    EXPECT_NE(output.find("unpack=1"), std::string::npos) << output;
    EXPECT_EQ(output.substr(output.find("unpack=1") + 9), mount + "/W/image/a.gif\n") << output;
}

// A workspace on a read-only file system, mounted in a user namespace of the test's own:
// nothing can be unpacked into it, but it compiles.
TEST(CliPipelines, AReadOnlyWorkspaceIsReportedNotCrashedOn) {
    ScratchFolder scratch;
    const std::string mount = scratch / "ro";
    makeFolder(mount);
    const std::string theme = PALVEX_THEME;
    const std::string script =
        "export TMPDIR=" + scratch.path() + "; mount -t tmpfs tmpfs " + mount + " && mkdir -p " +
        mount + "/W/image && echo x > " + mount + "/W/image/desktop.jpg && mount -o remount,ro " +
        mount + " && " + theme + " unpack " + PALVEX_SAMPLE_KORVELL + " --workspace " + mount +
        "/W; echo \"unpack=$?\"; " + theme + " compile " + scratch / "out.bz2" + " --workspace " +
        mount + "/W; echo \"compile=$?\"";
    std::string output;
    ASSERT_EQ(std::system("unshare -r -m true"), 0)
        << "this test needs user namespaces (unshare -r -m) to mount a read-only folder";
    shell("unshare -r -m sh -c '" + script + "' 2>&1", &output);
    EXPECT_NE(output.find("Error opening file : " + mount + "/W/image/desktop.jpg"),
              std::string::npos)
        << output;
    EXPECT_NE(output.find("Unpacked Files :0"), std::string::npos) << output;
    EXPECT_NE(output.find("unpack=1"), std::string::npos) << output;
    // The compile writes nothing into the workspace, so a read-only one compiles.
    EXPECT_NE(output.find("Process Done!\ncompile=0"), std::string::npos) << output;
    std::string listing;
    shell("bzip2 -dc " + scratch / "out.bz2" + " | tar -tf -", &listing);
    EXPECT_EQ(listing, "image/desktop.jpg\n");
}

TEST(CliVersion, AnswersWithTheVersion) {
    const CliResult result = runTheme({"--version"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("palvex-theme ")) << result.out.toStdString();
}

} // namespace
} // namespace palvex::test
