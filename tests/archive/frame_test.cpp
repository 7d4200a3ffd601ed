#include "archive/archive_errors.h"
#include "archive/tar.h"
#include "archive/un_tar.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <stdexcept>
#include <tuple>

namespace palvex::archive {
namespace {

using test::ScratchFolder;

struct Report {
    std::string fileName, extendedMsg, volumeID;
    int code;
    bool operator==(const Report&) const = default;
};

template <typename Component>
std::vector<Report>& recordErrors(Component& component, std::vector<Report>& reports) {
    component.OnError = [&reports](TZipCommon&, const std::string& f, const std::string& e,
                                   const std::string& v, int code) {
        reports.push_back({f, e, v, code});
    };
    return reports;
}

TEST(ReaderArchiveFile, AMissingFileGivesNoTypeAndNoName) {
    ScratchFolder scratch;
    TUnTar reader;
    reader.setArchiveFile(scratch / "missing.tar");
    EXPECT_EQ(reader.ArcType(), atNA);
    EXPECT_EQ(reader.ArchiveFile(), "");
    std::vector<Report> reports;
    recordErrors(reader, reports);
    EXPECT_EQ(reader.Extract(), 0);
    EXPECT_EQ(reports, (std::vector<Report>{{"", "", "", error_code::FileNotFound}}));

    reader.setArchiveFile(scratch.path()); // a folder is no file
    EXPECT_EQ(reader.ArcType(), atNA);
}

TEST(ReaderArchiveFile, TypeComesFromTheContent) {
    ScratchFolder scratch;
    const std::string header(reinterpret_cast<const char*>(test::headerFor("a", 0, '0').data()),
                             512);
    struct Case {
        std::string content;
        TArcType type;
    } const cases[] = {
        {header, atUnknown},          // 512 bytes: never tar
        {header + '\0', atTar},       // 513
        {std::string(19, 'x'), atNA}, // too short to be anything
        {std::string(600, 'x'), atUnknown},
    };
    int i = 0;
    for (const Case& c : cases) {
        TUnTar reader;
        reader.setArchiveFile(test::writeFile(scratch / ("f" + std::to_string(i++)), c.content));
        EXPECT_EQ(reader.ArcType(), c.type) << c.content.size();
    }
    // A volume label first: the header after it decides.
    test::TarBuilder labelled;
    labelled.file("LABEL", "", 'V').file("a.txt", "x").finish();
    TUnTar reader;
    reader.setArchiveFile(labelled.write(scratch / "labelled.tar"));
    EXPECT_EQ(reader.ArcType(), atTar);
}

TEST(WriterArchiveFile, ExtensionsMethodsAndDefaultExt) {
    TTar writer;
    EXPECT_EQ(writer.ArcType(), atTar);
    EXPECT_EQ(writer.DefaultExt(), ".tar");
    writer.setArchiveFile("C:/IMAGE/img");
    EXPECT_EQ(writer.ArchiveFile(), "C:/IMAGE/img.tar");
    writer.setArchiveFile("/w/img.bin");
    EXPECT_EQ(writer.ArchiveFile(), "/w/img.bin");

    writer.setCompressMethod(cmDeflate);
    EXPECT_EQ(writer.CompressMethod(), cmTarred);

    writer.setArchiveFile("/w/img.tar");
    writer.setDefaultExt("TARX");
    EXPECT_EQ(writer.DefaultExt(), ".tar");
    writer.setDefaultExt("");
    EXPECT_EQ(writer.DefaultExt(), ".TAR");
    EXPECT_EQ(writer.ArchiveFile(), "/w/img.TAR"); // the old default extension follows
    writer.setDefaultExt("arc");
    EXPECT_EQ(writer.ArchiveFile(), "/w/img.arc");
    writer.setArchiveFile("/w/other.zip");
    writer.setDefaultExt("tar");
    EXPECT_EQ(writer.ArchiveFile(), "/w/other.zip");
}

TEST(ExtractDir, GetsItsSeparatorOrTheArchivesFolder) {
    ScratchFolder scratch;
    TUnTar reader;
    reader.setExtractDir("/w/IMAGE");
    EXPECT_EQ(reader.ExtractDir(), "/w/IMAGE/");
    reader.setExtractDir("");
    EXPECT_EQ(reader.ExtractDir(), "");
    const std::string archive = test::TarBuilder().file("a", "x").finish().write(scratch / "t.tar");
    reader.setArchiveFile(archive);
    reader.setExtractDir("");
    EXPECT_EQ(reader.ExtractDir(), scratch.path() + "/");
}

// A relative folder is made absolute once, so the containment check and the output paths
// share one root and nothing is refused as lying outside.
TEST(ExtractDir, ARelativeFolderOrArchiveExtractsBelowTheCurrentFolder) {
    ScratchFolder scratch;
    test::TarBuilder().file("image/a.gif", "x").finish().write(scratch / "t.tar");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    for (const auto& [archive, folder, lands] :
         {std::tuple{"t.tar", "rel", "rel/image/a.gif"}, {"./t.tar", "", "image/a.gif"}}) {
        TUnTar reader;
        std::vector<int> codes;
        reader.OnError = [&](TZipCommon&, const std::string&, const std::string&,
                             const std::string&, int code) {
            codes.push_back(code);
        };
        reader.setArchiveFile(archive);
        reader.setExtractDir(folder);
        reader.FileSpec = {"*.*"};
        EXPECT_EQ(reader.Extract(), 1) << folder;
        EXPECT_TRUE(codes.empty()) << folder;
        EXPECT_EQ(test::readFile(scratch / lands), "x");
    }
    std::filesystem::current_path(previous);
}

TEST(ErrorReporting, NoHandlerExceptionLeavesARun) {
    ScratchFolder scratch;
    const std::string archive =
        test::TarBuilder().file("a.gif", "x").finish().write(scratch / "t.tar");
    const auto thrower = [](auto&&...) {
        throw std::runtime_error("handler");
    };
    for (int handler = 0; handler < 4; ++handler) {
        TUnTar reader;
        TTar writer;
        for (TZipCommon* component :
             {static_cast<TZipCommon*>(&reader), static_cast<TZipCommon*>(&writer)}) {
            if (handler == 0)
                component->OnActivate = thrower;
            if (handler == 1)
                component->OnDeactivate = thrower;
            if (handler == 2)
                component->OnElapsedTime = thrower;
            if (handler == 3)
                component->OnError = thrower;
        }
        reader.setArchiveFile(handler == 3 ? scratch / "missing.tar" : archive);
        reader.setExtractDir(scratch / "IMAGE");
        reader.FileSpec = {"*.*"};
        int count = -1;
        EXPECT_NO_THROW(count = reader.Extract()) << handler;
        EXPECT_EQ(count, handler == 3 ? 0 : 1) << handler;
        writer.setArchiveFile(scratch / ("out" + std::to_string(handler) + ".tar"));
        writer.FileSpec = {scratch / (handler == 3 ? "none/*.*" : "IMAGE/*.*")};
        EXPECT_NO_THROW(count = writer.Compress()) << handler;
        EXPECT_EQ(count, handler == 3 ? 0 : 1) << handler;
    }
}

TEST(Attributes, OneElementAtATime) {
    TTar writer;
    EXPECT_EQ(writer.Attributes, 0x01C3);
    writer.SetAttribute(16, true);
    writer.SetAttributeEx(16, true);
    EXPECT_EQ(writer.Attributes, 0x01C3);
    EXPECT_EQ(writer.AttributesEx, 0);
    for (TarqFileAttribute e :
         {fsZeroAttr, fsArchive, fsDirectory, fsHidden, fsReadOnly, fsSysFile}) {
        writer.SetAttribute(e, true);
        writer.SetAttributeEx(e, false);
    }
    EXPECT_EQ(writer.Attributes, 0x01FF & ~(1 << fsVolumeID));
    writer.SetAttribute(fsReadOnly, false);
    EXPECT_FALSE(writer.Attributes & (1 << fsReadOnly));
}

TEST(ErrorReporting, CancelTurnsEveryLaterReportIntoUserCanceled) {
    TUnTar reader;
    std::vector<Report> reports;
    recordErrors(reader, reports);
    reader.ErrorEvent("a", "b", "c", error_code::OpenError);
    reader.setCancel(true);
    reader.ErrorEvent("a", "", "c", error_code::WriteError);
    // Raises nothing while cancelled.
    EXPECT_NO_THROW(reader.RaiseError("a", "", "c", error_code::WriteError));
    ASSERT_EQ(reports.size(), 4u);
    EXPECT_EQ(reports[0].code, error_code::OpenError);
    EXPECT_EQ(reports[1].code, error_code::UserCanceled);
    EXPECT_EQ(reports[2].code, error_code::UserCanceled);
    EXPECT_EQ(reports[3].code, error_code::UserCanceled);
    reader.setCancel(false);
    try {
        reader.RaiseError("f", "", "v", error_code::WriteError);
        FAIL();
    } catch (const E_RAISE& e) {
        EXPECT_STREQ(e.what(), "Error writing to file");
    }
}

TEST(ErrorReporting, EveryCodeHasItsText) {
    const std::pair<int, const char*> texts[] = {
        {error_code::WriteError, "Error writing to file"},
        {error_code::CloseError, "Error closing file"},
        {error_code::CrcError, "File fails CRC check"},
        {error_code::InvalidDirectory, "Invalid directory"},
        {error_code::DiskFull, "Disk full"},
        {error_code::NotAccessible, "is not accessible"},
        {error_code::WriteProtected, "disk is write protected"},
        {error_code::FileNotFound, "File not found"},
        {error_code::OpenError, "Error opening file"},
        {error_code::UnsupportedType, "Invalid or unsupported archive type for this operation"},
        {error_code::NothingToAdd, "Nothing to do"},
        {error_code::EventNotAssigned, "Required event not assigned"},
        {error_code::PropertyNotAssigned, "Required property not assigned"},
        {error_code::UserCanceled, "User canceled"},
        {error_code::NothingToDo, "Nothing to do"},
        {error_code::CreateFolderQuestion, "Directory does not exist... Create?"},
    };
    for (const auto& [code, text] : texts)
        EXPECT_EQ(errorText(code), text) << code;
    EXPECT_EQ(errorText(1), "");
}

TEST(Progress, PercentagesRoundAndStayInRange) {
    EXPECT_EQ(percentOf(0, 10), 0);
    EXPECT_EQ(percentOf(-5, 10), 0);
    EXPECT_EQ(percentOf(200, 0), 0);
    EXPECT_EQ(percentOf(200, 1), 1); // 0.5 rounds up
    EXPECT_EQ(percentOf(3, 1), 33);
    EXPECT_EQ(percentOf(3, 2), 67);
    EXPECT_EQ(percentOf(200, 200), 100);
    EXPECT_EQ(percentOf(200, 400), 100);
    EXPECT_EQ(percentOf(200, -4), 0);
}

TEST(TempDir, AMissingFolderAnsweredNoOrYes) {
    ScratchFolder scratch;
    ::setenv("TMPDIR", scratch.path().c_str(), 1);
    const std::string system =
        scratch / ("palvex-image-changer-" + std::to_string(::getuid())) + "/";
    TTar writer;
    std::string asked;
    writer.AskYesNo = [&](const std::string& q) {
        asked = q;
        return false;
    };
    writer.setTempDir(scratch / "new/deeper");
    EXPECT_EQ(writer.TempDir(), system);
    EXPECT_EQ(asked, scratch / "new/deeper/" + "\r\rDirectory does not exist... Create?");

    writer.AskYesNo = [](const std::string&) {
        return true;
    };
    writer.setTempDir(scratch / "new/deeper");
    EXPECT_EQ(writer.TempDir(), scratch / "new/deeper/");

    TTar silent; // no one to ask: No
    silent.setTempDir(scratch / "other");
    EXPECT_EQ(silent.TempDir(), system);
    ::unsetenv("TMPDIR");
}

} // namespace
} // namespace palvex::archive
