#include "archive/archive_errors.h"
#include "archive/un_tar.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace palvex::archive {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;
using test::TarBuilder;

// A reader set up as the unpack pipeline sets it, extracting below scratch/IMAGE.
class Untar : public ::testing::Test {
protected:
    Untar() {
        reader.TimeZone = test::utcZone();
        reader.OnError = [this](TZipCommon&, const std::string& f, const std::string& e,
                                const std::string&, int code) {
            errors.push_back(std::to_string(code) + " " + f + " " + e);
            codes.push_back(code);
            reasons.push_back(reader.ErrorReason());
        };
    }
    int extract(const TarBuilder& archive, const std::string& dir = "") {
        reader.setArchiveFile(archive.write(scratch / "in.tar"));
        reader.setExtractDir(dir.empty() ? workspace() : dir);
        reader.DateAttribute = daFileDate;
        reader.ConfirmOverwrites = false;
        reader.OverwriteMode = omOverwrite;
        reader.RestoreFileAttr = false;
        reader.CreateStoredDirs = true;
        reader.TranslateOemChar = true;
        reader.RecurseDirs = true;
        reader.FileSpec = {"*.*"};
        return reader.Extract();
    }
    std::string workspace() const { return scratch / "IMAGE"; }
    std::string in(const std::string& relative) const { return workspace() + "/" + relative; }

    ScratchFolder scratch;
    TUnTar reader;
    std::vector<std::string> errors;
    std::vector<int> codes;
    std::vector<std::string> reasons;
};

TarBuilder theme() {
    TarBuilder t;
    t.folder("image")
        .file("image/desktop.jpg", "JPEG!")
        .folder("image/en")
        .file("image/en/menu5.bmp", std::string(700, 'b'))
        .file("README", "read me")
        .finish();
    return t;
}

TEST_F(Untar, ThePipelinesSettingsWriteEveryFileAndFolderAndCountFiles) {
    EXPECT_EQ(extract(theme()), 3);
    EXPECT_EQ(test::readFile(in("image/desktop.jpg")), "JPEG!");
    EXPECT_EQ(test::readFile(in("image/en/menu5.bmp")), std::string(700, 'b'));
    EXPECT_EQ(test::readFile(in("README")), "read me");
    struct stat st {};
    ::stat(in("README").c_str(), &st);
    EXPECT_EQ(st.st_mtime, 1000000000); // the archive's time stamp, in its two-second form
    EXPECT_TRUE(errors.empty());
    EXPECT_EQ(extract(theme()), 3); // again, over what is there
    EXPECT_EQ(reader.FileCount(), 3);
}

TEST_F(Untar, EmptyFileSpecSelectsNothing) {
    reader.setArchiveFile(theme().write(scratch / "in.tar"));
    reader.setExtractDir(workspace());
    reader.FileSpec.clear();
    EXPECT_EQ(reader.Extract(), 0);
    EXPECT_FALSE(fs::exists(workspace()));
}

TEST_F(Untar, SkipModeWithoutConfirmationWritesNothing) {
    reader.OverwriteMode = omSkip;
    reader.setArchiveFile(theme().write(scratch / "in.tar"));
    reader.setExtractDir(workspace());
    reader.FileSpec = {"*.*"};
    EXPECT_EQ(reader.Extract(), 0);
    EXPECT_FALSE(fs::exists(in("README")));
}

TEST_F(Untar, AReadOnlyFileInTheWayIsNotReplaced) {
    test::writeFile(in("README"), "old");
    fs::permissions(in("README"), fs::perms::owner_write, fs::perm_options::remove);
    EXPECT_EQ(extract(theme()), 2);
    EXPECT_EQ(test::readFile(in("README")), "old");
    EXPECT_EQ(codes, std::vector<int>{error_code::OpenError});
}

TEST_F(Untar, ConfirmingWithoutAHandlerRefusesExistingFiles) {
    test::writeFile(in("README"), "old");
    reader.setArchiveFile(theme().write(scratch / "in.tar"));
    reader.setExtractDir(workspace());
    reader.FileSpec = {"*.*"};
    reader.CreateStoredDirs = true;
    reader.ConfirmOverwrites = true;
    EXPECT_EQ(reader.Extract(), 2);
    EXPECT_EQ(test::readFile(in("README")), "old");
    EXPECT_EQ(codes, std::vector<int>{error_code::EventNotAssigned});
    EXPECT_EQ(errors[0],
              std::to_string(error_code::EventNotAssigned) + " " + in("README") + " OnFileExists");
    EXPECT_EQ(reader.OverwriteMode, omSkip);
}

TEST_F(Untar, ConfirmingWithAHandlerCanRenameTheTarget) {
    test::writeFile(in("README"), "old");
    reader.OnFileExists = [this](TZipCommon&, const std::string&, std::string& newName,
                                 TOverwriteMode&) {
        newName = in("README.new");
    };
    reader.setArchiveFile(theme().write(scratch / "in.tar"));
    reader.setExtractDir(workspace());
    reader.FileSpec = {"*.*"};
    reader.ConfirmOverwrites = true;
    EXPECT_EQ(reader.Extract(), 3);
    EXPECT_EQ(test::readFile(in("README")), "old");
    EXPECT_EQ(test::readFile(in("README.new")), "read me");
}

TEST_F(Untar, FolderRulesForExtractDirAndStoredFolders) {
    EXPECT_EQ(extract(TarBuilder().file("a.txt", "a").finish(), workspace()), 1); // no "/"
    EXPECT_TRUE(fs::exists(in("a.txt")));
    EXPECT_FALSE(fs::exists(scratch / "IMAGEa.txt"));

    reader.UseStoredDirs = false;
    reader.setArchiveFile(theme().write(scratch / "in.tar"));
    reader.setExtractDir(scratch / "flat");
    reader.FileSpec = {"*.*"};
    reader.CreateStoredDirs = false;
    EXPECT_EQ(reader.Extract(), 3);
    EXPECT_TRUE(fs::exists(scratch / "flat/desktop.jpg"));
    EXPECT_TRUE(fs::exists(scratch / "flat/menu5.bmp"));
}

TEST_F(Untar, FoldersAreMadeForFilesEvenWithoutCreateStoredDirs) {
    reader.setArchiveFile(
        TarBuilder().folder("empty").file("deep/er/a.txt", "a").finish().write(scratch / "in.tar"));
    reader.setExtractDir(workspace());
    reader.FileSpec = {"*.*"};
    reader.CreateStoredDirs = false;
    EXPECT_EQ(reader.Extract(), 1);
    EXPECT_FALSE(fs::exists(in("empty")));
    EXPECT_TRUE(fs::exists(in("deep/er/a.txt")));
}

TEST_F(Untar, OddArchivesAreReadAsTheFormatSays) {
    TarBuilder odd;
    archive::TarHeader noChecksum = test::headerFor("ghost.txt", 0, '0');
    std::fill_n(noChecksum.begin() + 148, 7, '0');
    odd.file("first.txt", "1")
        .zeros(3)                               // zero blocks between entries
        .raw(noChecksum)                        // a checksum field of "0000000": no entry
        .file(std::string(100, 'n'), "hundred") // a full name field without a NUL
        .finish();
    EXPECT_EQ(extract(odd), 2);
    EXPECT_EQ(test::treeOf(workspace()),
              (std::map<std::string, std::string>{{"first.txt", "1"},
                                                  {std::string(100, 'n'), "hundred"}}));
}

TEST_F(Untar, AnArchiveShorterThanABlockHasNoEntries) {
    test::writeFile(scratch / "short.tar", std::string(300, 'x'));
    reader.setArchiveFile(scratch / "short.tar");
    reader.FileSpec = {"*.*"};
    EXPECT_EQ(reader.Extract(), 0);
    EXPECT_TRUE(errors.empty());
}

TEST_F(Untar, NewestDateGoesToEveryFile) {
    TarBuilder t;
    t.file("old.txt", "o", '0', 1000000000).file("new.txt", "n", '0', 1100000000).finish();
    reader.DateAttribute = daMaxFileDate;
    reader.setArchiveFile(t.write(scratch / "in.tar"));
    reader.setExtractDir(workspace());
    reader.FileSpec = {"*.*"};
    EXPECT_EQ(reader.Extract(), 2);
    struct stat st {};
    ::stat(in("old.txt").c_str(), &st);
    EXPECT_EQ(st.st_mtime, 1100000000);
}

TEST_F(Untar, NamesAreReadFromCodePage437) {
    EXPECT_EQ(extract(TarBuilder().file("caf\x82.txt", "x").finish()), 1);
    EXPECT_TRUE(fs::exists(in("caf\xC3\xA9.txt")));
}

// Every way a stored name could reach outside the extraction folder.
TEST_F(Untar, NothingIsWrittenOutsideTheExtractionFolder) {
    const std::string outside = test::writeFile(scratch / "x", "precious");
    test::writeFile(scratch / "target/keep.txt", "precious");
    test::makeFolder(workspace());
    fs::create_directory_symlink(scratch / "target", in("planted"));
    fs::create_symlink(outside, in("file-link"));

    TarBuilder t;
    t.file("../x", "evil")
        .file("a/../../x", "evil")
        .file("..\\x", "evil")
        .file("planted/keep.txt", "evil")
        .file("planted/new.txt", "evil")
        .file("file-link", "evil")
        .file("/abs/x", "rebased")
        .file("C:/x", "rebased")
        .file("C:y", "rebased")
        .finish();
    EXPECT_EQ(extract(t), 3);
    EXPECT_EQ(test::readFile(outside), "precious");
    EXPECT_EQ(test::readFile(scratch / "target/keep.txt"), "precious");
    EXPECT_FALSE(fs::exists(scratch / "target/new.txt"));
    EXPECT_EQ(test::readFile(in("abs/x")), "rebased");
    EXPECT_EQ(test::readFile(in("x")), "rebased");
    EXPECT_EQ(test::readFile(in("y")), "rebased");
    EXPECT_EQ(codes, std::vector<int>(6, error_code::OpenError));
    // The event's extended message stays empty; why is told beside it.
    for (std::size_t i = 0; i < errors.size(); ++i) {
        EXPECT_EQ(errors[i].back(), ' ') << errors[i];
        EXPECT_FALSE(reasons[i].empty()) << errors[i];
    }
}

TEST_F(Untar, ADotFolderEntryIsTheExtractionFolderItselfNotOutsideIt) {
    // GNU tar writes "./" first when asked to pack "." of a folder.
    EXPECT_EQ(extract(TarBuilder().folder("./").file("./image/a.gif", "a").finish()), 1);
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_EQ(test::readFile(in("image/a.gif")), "a");
}

TEST_F(Untar, ArchivesMadeByGnuTarInEveryFormat) {
    test::writeFile(scratch / "src/image/desktop.jpg", "jpeg data");
    test::writeFile(scratch / "src/image/en/mainpic/02.gif", std::string(5000, 'g'));
    for (const char* format : {"gnu", "ustar", "posix", "oldgnu", "v7"}) {
        const std::string archive = scratch / (std::string(format) + ".tar");
        ASSERT_EQ(test::shell("tar --format=" + std::string(format) + " -cf " + archive + " -C " +
                              scratch / "src" + " image"),
                  0);
        const std::string target = scratch / ("out-" + std::string(format));
        reader.setArchiveFile(archive);
        reader.setExtractDir(target);
        reader.FileSpec = {"*.*"};
        reader.CreateStoredDirs = true;
        EXPECT_EQ(reader.Extract(), 2) << format;
        EXPECT_EQ(test::treeOf(target), (std::map<std::string, std::string>{
                                            {"image/desktop.jpg", "jpeg data"},
                                            {"image/en/mainpic/02.gif", std::string(5000, 'g')}}))
            << format;
    }
}

TEST_F(Untar, CancelStopsTheRunAndIsReportedOnce) {
    TarBuilder t;
    for (int i = 0; i < 5; ++i)
        t.file("f" + std::to_string(i), std::string(100, 'x'));
    reader.OnBegin = [](TZipCommon& sender, const std::string&, int count, bool&) {
        if (count == 2)
            sender.setCancel(true);
    };
    extract(t.finish());
    EXPECT_EQ(std::count(codes.begin(), codes.end(), error_code::UserCanceled), 1);
    EXPECT_TRUE(fs::exists(in("f0")));
    EXPECT_FALSE(fs::exists(in("f2")));
}

} // namespace
} // namespace palvex::archive
