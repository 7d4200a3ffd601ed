#include "pictures/theme_verification.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"
#include "theme/theme_archive_check.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

using pictures::SlotStatus;
using theme::TerminalModel;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// Slot 4 of model Korvell ("1. User", image/mi1.gif, 3 kb and 55 x 55 at most) in every state
// a workspace can leave it in.
TEST(ThemeVerification, GivesEachSlotItsStatus) {
    struct Case {
        const char* name;
        const char* file; // below image/, none when empty
        QByteArray bytes;
        SlotStatus status;
        const char* problem;
    } const cases[] = {
        {"at its limits", "mi1.gif", gifPicture(55, 55, 3072), SlotStatus::Ok, ""},
        {"absent", "", {}, SlotStatus::Missing, ""},
        {"one byte over", "mi1.gif", gifPicture(55, 55, 3073), SlotStatus::OverBytes,
         "over 3.00 kb"},
        {"one pixel too high", "mi1.gif", gifPicture(55, 56), SlotStatus::OverPixels,
         "over H:55 W:55"},
        {"not a picture", "mi1.gif", "no picture", SlotStatus::Unreadable, ""},
        {"named in capitals", "Mi1.gif", gifPicture(55, 55), SlotStatus::Missing,
         "Mi1.gif is there, but the name must be mi1.gif"},
        {"a folder", "mi1.gif/", {}, SlotStatus::Unreadable, "not a regular file"},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        const std::string file = scratch / (std::string("image/") + c.file);
        if (QByteArray(c.file).endsWith('/'))
            makeFolder(file);
        else if (*c.file)
            writeBytes(q(file), c.bytes);
        else
            makeFolder(scratch / "image");
        const pictures::SlotFinding finding =
            pictures::ThemeVerification(TerminalModel::Korvell, q(scratch.path())).verifySlot(4);
        EXPECT_EQ(finding.status, c.status) << c.name;
        if (*c.problem) {
            EXPECT_EQ(finding.problem, c.problem) << c.name;
        }
        EXPECT_EQ(finding.bytes.has_value(), !c.bytes.isEmpty() && c.status != SlotStatus::Missing)
            << c.name;
    }
}

TEST(ThemeVerification, ListsFilesOfNoSlotAsExtra) {
    ScratchFolder scratch;
    writeBytes(q(scratch / "image/mi1.gif"), gifPicture(55, 55));
    writeFile(scratch / "image/en/desktop.jpg", "other model");
    writeFile(scratch / ".hidden", "x");
    std::filesystem::create_symlink("mi1.gif", scratch / "image/link.gif");
    std::filesystem::create_symlink("en", scratch / "image/linked"); // listed, never entered
    // Two folders side by side below a third: the walk comes back up to enter the second.
    writeFile(scratch / "deep/d/d/x.gif", "x");
    writeFile(scratch / "deep/e/y.gif", "y");
    const pictures::ThemeFindings findings =
        pictures::ThemeVerification(TerminalModel::Korvell, q(scratch.path())).run();
    EXPECT_EQ(findings.extraFiles,
              QStringList({".hidden", "deep/d/d/x.gif", "deep/e/y.gif", "image/en/desktop.jpg",
                           "image/link.gif", "image/linked"}));
    EXPECT_EQ(findings.bySlot.size(), 30);
    EXPECT_EQ(findings.okCount(), 1);
}

// Archives as other tools write them: each must fail the check for the reason given.
TEST(ThemeArchiveCheck, RefusesWhatATerminalCannotRead) {
    const std::string name100(100, 'n');
    archive::TarHeader prefixed = headerFor(name100, 0, '0');
    std::copy_n("ustar", 6, prefixed.begin() + archive::tar_field::magic.offset);
    std::copy_n("image", 5, prefixed.begin() + archive::tar_field::prefix.offset);
    const std::string sum = archive::FormatOctal(archive::HeaderChecksum(prefixed), 8);
    std::copy(sum.begin(), sum.end(), prefixed.begin() + archive::tar_field::chksum.offset);
    archive::TarHeader damaged = headerFor("image/x.gif", 0, '0');
    damaged[0] ^= 1;

    struct Case {
        const char* name;
        TarBuilder tar;
        const char* problem; // empty: passes
    } const cases[] = {
        {"files and folders", TarBuilder().folder("image/").file("image/a.gif", "a"), ""},
        {"a 100-byte name", TarBuilder().file(name100, "a"), ""},
        {"a pax header", TarBuilder().file("pax", "30 path=x\n", 'x'),
         "pax: is a pax extended header"},
        {"a GNU long name", TarBuilder().file("././@LongLink", name100 + "n", 'L'),
         "is a GNU long name header"},
        {"a hard link", TarBuilder().file("image/h", "", '1'), "image/h: is a hard link"},
        {"a symbolic link", TarBuilder().file("image/s", "", '2'), "is a symbolic link"},
        {"a device", TarBuilder().file("image/d", "", '3'), "is a device"},
        {"a FIFO", TarBuilder().file("image/f", "", '6'), "image/f: is a FIFO"},
        {"a ustar prefix over 100 bytes", TarBuilder().raw(prefixed),
         "the name is longer than 100 bytes"},
        {"a name not ASCII", TarBuilder().file("image/caf\xc3\xa9.gif", "a"), "not plain ASCII"},
        {"a name with ..", TarBuilder().file("image/../x.gif", "a"), "holds \"..\""},
        {"a damaged header", TarBuilder().raw(damaged), "checksum is wrong"},
        {"nothing but the end", TarBuilder().zeros(2), "the tar archive holds no entries"},
        // A terminal stops at the first zero block: what follows is never read.
        {"a link after the end", TarBuilder().file("a.gif", "a").zeros(1).file("l", "", '2'), ""},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        TarBuilder tar = c.tar;
        tar.finish().write(scratch / "t.tar");
        ASSERT_EQ(shell("bzip2 -k " + scratch / "t.tar"), 0);
        const QStringList problems = theme::checkThemeArchive(q(scratch / "t.tar.bz2")).problems;
        if (!*c.problem)
            EXPECT_TRUE(problems.isEmpty()) << c.name << ": " << problems.join('|').toStdString();
        else
            EXPECT_TRUE(problems.join('|').contains(c.problem))
                << c.name << ": " << problems.join('|').toStdString();
    }
}

TEST(ThemeArchiveCheck, WantsExactlyOneBzip2StreamAndAWholeTar) {
    ScratchFolder scratch;
    TarBuilder().file("image/a.gif", std::string(3000, 'a')).finish().write(scratch / "t.tar");
    ASSERT_EQ(shell("cd " + scratch.path() +
                    " && bzip2 -k t.tar && cat t.tar.bz2 t.tar.bz2 > two.bz2"
                    " && cp t.tar.bz2 tail.bz2 && echo x >> tail.bz2"
                    " && head -c 1000 t.tar | bzip2 > cut.bz2 && head -c 60 t.tar.bz2 > short.bz2"),
              0);
    struct Case {
        const char* file;
        const char* problem;
    } const cases[] = {
        {"two.bz2", "more than one bzip2 stream"},
        {"tail.bz2", "data after the bzip2 stream"},
        {"cut.bz2", "the tar archive ends inside an entry"},
        {"short.bz2", "the bzip2 stream is cut short"},
        {"t.tar", "the archive is not bzip2 data"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(
            theme::checkThemeArchive(q(scratch / c.file)).problems.join('|').contains(c.problem))
            << c.file;
}

} // namespace
} // namespace palvex::test
