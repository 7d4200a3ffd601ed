#include "archive/archive_errors.h"
#include "archive/entry_refusals.h"
#include "archive/tar.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <utime.h>

namespace palvex::archive {
namespace {

namespace fs = std::filesystem;
using test::ScratchFolder;

void setTime(const std::string& path, std::time_t when) {
    struct utimbuf times {
        when, when
    };
    ::utime(path.c_str(), &times);
}

// A writer set up as the compile pipeline sets it, packing scratch/IMAGE into IMAGE/img.tar.
class TarWriter : public ::testing::Test {
protected:
    TarWriter() {
        ::setenv("TMPDIR", scratch.path().c_str(), 1);
        test::makeFolder(workspace());
    }
    ~TarWriter() override { ::unsetenv("TMPDIR"); }

    int compile() {
        writer.TimeZone = test::utcZone();
        writer.OnError = [this](TZipCommon&, const std::string& f, const std::string& e,
                                const std::string&, int code) {
            errors.push_back(std::to_string(code) + " " + f + " " + e);
        };
        writer.setArchiveFile(archive());
        writer.DateAttribute = daFileDate;
        writer.StoredDirNames = sdRelative;
        writer.RecurseDirs = true;
        writer.Switch = swAdd;
        writer.StoreEmptySubDirs = true;
        writer.ExcludeSpec.clear();
        writer.FileSpec = {workspace() + "/"};
        for (TarqFileAttribute e :
             {fsZeroAttr, fsArchive, fsDirectory, fsHidden, fsReadOnly, fsSysFile})
            writer.SetAttribute(e, true);
        for (TarqFileAttribute e :
             {fsZeroAttr, fsArchive, fsDirectory, fsHidden, fsReadOnly, fsSysFile})
            writer.SetAttributeEx(e, false);
        return writer.Compress();
    }
    std::string workspace() const { return scratch / "IMAGE"; }
    std::string archive() const { return workspace() + "/img.tar"; }
    std::string in(const std::string& relative) const { return workspace() + "/" + relative; }
    // "name size mode mtime" per member, as Python's tarfile reads the archive.
    std::string pythonListing(const std::string& tar) const {
        std::string out;
        test::shell("python3 -c \"import tarfile,sys\nfor m in tarfile.open(sys.argv[1]): "
                    "print(m.name, m.size, oct(m.mode), m.mtime, m.type.decode())\" " +
                        tar + " | sort",
                    &out);
        return out;
    }
    std::string gnuListing(const std::string& tar) const {
        std::string out;
        test::shell("tar --numeric-owner --utc -tvf " + tar + " | awk '{print $1, $3, $6}' | sort",
                    &out);
        return out;
    }

    ScratchFolder scratch;
    TTar writer;
    std::vector<std::string> errors;
};

TEST_F(TarWriter, GoldenBytesOfAOneFileArchive) {
    test::writeFile(in("a.txt"), "hello");
    setTime(in("a.txt"), 1000000000);
    ASSERT_EQ(compile(), 1);
    const std::string bytes = test::readFile(archive());
    ASSERT_EQ(bytes.size(), 10240u);
    auto field = [&](std::size_t offset, std::size_t width) {
        return bytes.substr(offset, width);
    };
    EXPECT_EQ(field(0, 100), "a.txt" + std::string(95, '\0'));
    EXPECT_EQ(field(100, 8), std::string("0100444\0", 8));
    EXPECT_EQ(field(108, 8), std::string("0000002\0", 8));
    EXPECT_EQ(field(116, 8), std::string("0000002\0", 8));
    EXPECT_EQ(field(124, 12), std::string("00000000005\0", 12));
    EXPECT_EQ(field(136, 12), std::string("07346545000\0", 12));
    EXPECT_EQ(field(156, 1), "0");
    EXPECT_EQ(field(157, 100), std::string(100, '\0'));
    EXPECT_EQ(field(257, 8), std::string("ustar  \0", 8));
    EXPECT_EQ(field(265, 32), "root" + std::string(28, '\0'));
    EXPECT_EQ(field(297, 32), "root" + std::string(28, '\0'));
    EXPECT_EQ(field(329, 183), std::string(183, '\0'));
    unsigned sum = 0;
    for (std::size_t i = 0; i < 512; ++i)
        sum += i >= 148 && i < 156 ? ' ' : static_cast<unsigned char>(bytes[i]);
    char expected[9];
    std::snprintf(expected, sizeof expected, "%07o", sum);
    EXPECT_EQ(field(148, 8), std::string(expected) + '\0');
    EXPECT_EQ(field(512, 5), "hello");
    EXPECT_EQ(field(517, 10240 - 517), std::string(10240 - 517, '\0'));
    EXPECT_EQ(pythonListing(archive()), "a.txt 5 0o100444 1000000000 0\n");
}

TEST_F(TarWriter, NamesAreStoredInCodePage437) {
    test::writeFile(in("caf\xC3\xA9.txt"), "x");
    ASSERT_EQ(compile(), 1);
    EXPECT_EQ(test::readFile(archive()).substr(0, 9), std::string("caf\x82.txt\0", 9));
}

// A date the header cannot hold is stored as the nearest one it can, and named in a warning.
TEST_F(TarWriter, DatesBeyondTheHeaderGoToItsEndsWithAWarning) {
    const std::pair<const char*, std::time_t> dates[] = {
        {"1975.gif", 157766400},
        {"2107.gif", 4354732800}, // out of reach
        {"2100.gif", 4107542400},
        {"2001.gif", 1000000000}, // within it
    };
    for (const auto& [name, modified] : dates) {
        test::writeFile(in(name), "x");
        setTime(in(name), modified);
    }
    std::vector<std::string> warnings;
    writer.OnWarning = [&](TZipCommon&, const std::string& file, const std::string& text) {
        warnings.push_back(fs::path(file).filename().string() + ": " + text);
    };
    ASSERT_EQ(compile(), 4);
    EXPECT_EQ(pythonListing(archive()), "1975.gif 1 0o100444 315532800 0\n"
                                        "2001.gif 1 0o100444 1000000000 0\n"
                                        "2100.gif 1 0o100444 4107542400 0\n"
                                        "2107.gif 1 0o100444 4294967294 0\n");
    std::sort(warnings.begin(), warnings.end());
    EXPECT_EQ(warnings, (std::vector<std::string>{
                            "1975.gif: a tar header cannot hold its date; it is stored as "
                            "1980-01-01 00:00:00",
                            "2107.gif: a tar header cannot hold its date; it is stored as "
                            "2106-02-07 06:28:14",
                        }));
}

// One zero block alone makes GNU tar warn of "A lone zero block"; none makes readers that
// want two complain of an archive cut short.
TEST_F(TarWriter, TwoZeroBlocksEndEveryArchiveThenTheRecordIsFilled) {
    struct Case {
        std::size_t data;
        std::size_t length;
    } const cases[] = {
        {10240 - 2 * 512, 20480}, // the data ends one block short of a record
        {10240 - 512, 20480},     // the data ends on the record
        {10240 - 3 * 512, 10240}, // two blocks are left for the zeros
    };
    for (const Case& c : cases) {
        fs::remove(archive());
        test::writeFile(in("a.bin"), std::string(c.data, 'x'));
        ASSERT_EQ(compile(), 1);
        const std::string bytes = test::readFile(archive());
        EXPECT_EQ(bytes.size(), c.length) << c.data;
        EXPECT_EQ(bytes.substr(512 + c.data), std::string(c.length - 512 - c.data, '\0'));
        std::string said;
        EXPECT_EQ(test::shell("tar -tf " + archive() + " 2>&1", &said), 0);
        EXPECT_EQ(said, "a.bin\n") << c.data;
    }
}

TEST_F(TarWriter, EmptyFoldersGetEntriesOfTheirOwn) {
    test::writeFile(in("image/desktop.jpg"), "jpg");
    test::makeFolder(in("image/old"));
    test::makeFolder(in("nested/only/empty"));
    test::makeFolder(in("notempty/locked"));
    fs::permissions(in("notempty/locked"), fs::perms::owner_write, fs::perm_options::remove);
    // Each empty folder is handed over on its own: nested, nested/only, nested/only/empty.
    ASSERT_EQ(compile(), 6);
    const std::string listing = pythonListing(archive());
    EXPECT_NE(listing.find("image/old 0 0o40555"), std::string::npos) << listing;
    EXPECT_NE(listing.find("nested 0 0o40555"), std::string::npos) << listing;
    EXPECT_NE(listing.find("nested/only/empty 0 0o40555"), std::string::npos) << listing;
    // A folder holding a folder with other attributes (read-only here) is not empty.
    EXPECT_EQ(listing.find("notempty 0"), std::string::npos) << listing;
    EXPECT_NE(listing.find("notempty/locked 0"), std::string::npos) << listing;
    EXPECT_NE(listing.find("image/desktop.jpg 3 0o100444"), std::string::npos) << listing;
    std::string raw = test::readFile(archive());
    EXPECT_NE(raw.find(std::string("image/old/\0", 11)), std::string::npos);
}

TEST_F(TarWriter, PeersReadWhatWeWriteAlike) {
    test::writeFile(in("image/desktop.jpg"), std::string(12345, 'd'));
    test::writeFile(in("image/en/mainpic/02.gif"), std::string(513, 'g'));
    test::writeFile(in("image/empty.gif"), "");
    test::makeFolder(in("image/old"));
    for (const char* f :
         {"image/desktop.jpg", "image/en/mainpic/02.gif", "image/empty.gif", "image/old"})
        setTime(in(f), 1234567890);
    ASSERT_EQ(compile(), 4);
    EXPECT_EQ(pythonListing(archive()), "image/desktop.jpg 12345 0o100444 1234567890 0\n"
                                        "image/empty.gif 0 0o100444 1234567890 0\n"
                                        "image/en/mainpic/02.gif 513 0o100444 1234567890 0\n"
                                        "image/old 0 0o40555 1234567890 5\n");
    EXPECT_EQ(gnuListing(archive()),
              "-r--r--r-- 0 image/empty.gif\n-r--r--r-- 12345 image/desktop.jpg\n"
              "-r--r--r-- 513 image/en/mainpic/02.gif\ndr-xr-xr-x 0 image/old/\n");
    const std::string out = scratch / "gnu-out";
    test::makeFolder(out);
    ASSERT_EQ(test::shell("tar -xf " + archive() + " -C " + out), 0);
    EXPECT_EQ(test::readFile(out + "/image/desktop.jpg"), std::string(12345, 'd'));
    EXPECT_EQ(test::readFile(out + "/image/en/mainpic/02.gif"), std::string(513, 'g'));
}

TEST_F(TarWriter, NothingToDoLeavesTheArchiveUntouched) {
    test::writeFile(in("a.txt"), "a");
    ASSERT_EQ(compile(), 1);
    // Second run: the archive exists, so a.txt is carried, and img.tar itself is gathered.
    ASSERT_EQ(compile(), 1);
    const std::string listing = pythonListing(archive());
    EXPECT_NE(listing.find("a.txt 1"), std::string::npos) << listing;
    EXPECT_NE(listing.find("img.tar 10240"), std::string::npos) << listing;

    // Nothing new: every gathered file equals its stored copy.
    const std::string before = test::readFile(archive());
    TTar third;
    third.TimeZone = test::utcZone();
    std::vector<int> codes;
    third.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                        int code) {
        codes.push_back(code);
    };
    third.setArchiveFile(archive());
    third.FileSpec = {workspace() + "/a.txt"};
    EXPECT_EQ(third.Compress(), 0);
    EXPECT_EQ(codes, std::vector<int>{error_code::NothingToAdd});
    EXPECT_EQ(test::readFile(archive()), before);
}

TEST_F(TarWriter, AChangedFileWithoutAReplaceHandlerKeepsTheOldCopy) {
    test::writeFile(in("a.txt"), "first");
    ASSERT_EQ(compile(), 1);
    test::writeFile(in("a.txt"), "second!");
    compile();
    EXPECT_NE(std::find_if(errors.begin(), errors.end(),
                           [](const std::string& e) {
                               return e.find(std::to_string(error_code::EventNotAssigned) +
                                             " a.txt OnReplaceFile") == 0;
                           }),
              errors.end());
    const std::string out = scratch / "x";
    test::makeFolder(out);
    test::shell("tar -xf " + archive() + " -C " + out + " a.txt");
    EXPECT_EQ(test::readFile(out + "/a.txt"), "first");
}

TEST_F(TarWriter, ReplaceHandlerBringsTheNewCopyIn) {
    test::writeFile(in("a.txt"), "first");
    ASSERT_EQ(compile(), 1);
    test::writeFile(in("a.txt"), "second!");
    writer.OnReplaceFile = [](TZipCommon&, const std::string&, const std::string&, const DateTime&,
                              const DateTime&, std::int64_t, std::int64_t, int, int,
                              bool& replace) {
        replace = true;
    };
    compile();
    const std::string out = scratch / "x";
    test::makeFolder(out);
    test::shell("tar -xf " + archive() + " -C " + out + " a.txt");
    EXPECT_EQ(test::readFile(out + "/a.txt"), "second!");
}

// Every entry the writer cannot store whole is named with its reason, never stored in part,
// and the entries beside it stay whole.
TEST_F(TarWriter, EachEntryThatCannotBeStoredIsNamedWithItsReason) {
    const std::string longName = std::string(60, 'd') + "/" + std::string(45, 'f');
    const std::string big(200000, 'b'); // more than one copy chunk
    auto resize = [this](const std::string& file, std::size_t size) {
        writer.OnProgress = [this, file, size](TZipCommon&, std::uint8_t, std::uint8_t) {
            fs::resize_file(in(file), size);
        };
    };
    // Gathered as a file, then put something else in its place just before it is opened.
    auto swap = [this](std::function<void(const std::string&)> replace) {
        test::writeFile(in("swap.gif"), "x");
        writer.OnBegin = [this, replace](TZipCommon&, const std::string& name, int, bool&) {
            if (name == in("swap.gif")) {
                fs::remove(name);
                replace(name);
            }
        };
    };
    struct Case {
        const char* what;
        std::function<void()> make;
        std::string path; // relative to the workspace
        std::string reason;
        int code;
    } const cases[] = {
        {"link to a folder",
         [&] { fs::create_directory_symlink(scratch / "outside", in("linked")); }, "linked/",
         refusal::Link, error_code::OpenError},
        {"link to a file",
         [&] { fs::create_symlink(scratch / "outside/secret.txt", in("link.txt")); }, "link.txt",
         refusal::Link, error_code::OpenError},
        {"FIFO", [&] { ASSERT_EQ(::mkfifo(in("pipe.gif").c_str(), 0644), 0); }, "pipe.gif",
         refusal::Special, error_code::OpenError},
        {"file swapped for a FIFO",
         [&] { swap([](const std::string& p) { ::mkfifo(p.c_str(), 0644); }); }, "swap.gif",
         refusal::Special, error_code::OpenError},
        {"file swapped for a link",
         [&] {
             swap([&](const std::string& p) {
                 fs::create_symlink(scratch / "outside/secret.txt", p);
             });
         },
         "swap.gif", refusal::Link, error_code::OpenError},
        {"unreadable folder",
         [&] {
             test::makeFolder(in("locked"));
             test::writeFile(in("locked/x.gif"), "x");
             writer.ListFolder = [](const std::string& folder) {
                 auto entries = platform::listDirectory(folder);
                 for (auto& e : entries)
                     e.readable = e.name != "locked";
                 return entries;
             };
         },
         "locked/", refusal::UnreadableFolder, error_code::OpenError},
        {"name over 100 bytes", [&] { test::writeFile(in(longName), "x"); }, longName,
         refusal::NameTooLong, error_code::WriteError},
        {"backslash name", [&] { test::writeFile(in("x\\..\\..\\evil.gif"), "x"); },
         "x\\..\\..\\evil.gif", refusal::NameBackslash, error_code::WriteError},
        {"name outside code page 437", [&] { test::writeFile(in("\xE6\x97\xA5.gif"), "x"); },
         "\xE6\x97\xA5.gif", refusal::NameNotOem, error_code::WriteError},
        {"file over 4 GiB - 1 byte", // sparse: no disk space is taken
         [&] {
             test::writeFile(in("huge.bin"), "");
             fs::resize_file(in("huge.bin"), kMaxEntrySize + 1);
         },
         "huge.bin", refusal::TooLarge, error_code::WriteError},
        {"file that shrinks while packed",
         [&] {
             test::writeFile(in("0.gif"), big);
             resize("0.gif", 1000);
         },
         "0.gif", refusal::SizeChanged, error_code::WriteError},
        {"file that grows while packed",
         [&] {
             test::writeFile(in("0.gif"), big);
             resize("0.gif", big.size() + 1);
         },
         "0.gif", refusal::SizeChanged, error_code::WriteError},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(workspace());
        test::makeFolder(workspace());
        test::writeFile(scratch / "outside/secret.txt", "secret");
        test::writeFile(in(".hidden.gif"), "dot files are files");
        errors.clear();
        writer.ListFolder = platform::listDirectory;
        writer.OnBegin = nullptr;
        c.make();
        EXPECT_EQ(compile(), 1);
        EXPECT_EQ(errors, std::vector<std::string>{std::to_string(c.code) + " " + in(c.path) + " " +
                                                   c.reason});
        // Only the dot file went in, whole, behind whatever was cut back.
        EXPECT_EQ(pythonListing(archive()).substr(0, 12), ".hidden.gif ") << c.what;
        EXPECT_EQ(test::readFile(archive()).substr(512, 19), "dot files are files");
        writer.OnProgress = nullptr;
    }
}

TEST_F(TarWriter, ASameSizeFileTwoSecondsNewerIsOfferedForReplacement) {
    test::writeFile(in("a.txt"), "first");
    setTime(in("a.txt"), 1000000000);
    ASSERT_EQ(compile(), 1);
    test::writeFile(in("a.txt"), "again");
    setTime(in("a.txt"), 1000000002);
    int asked = 0;
    writer.OnReplaceFile = [&](TZipCommon&, const std::string&, const std::string&, const DateTime&,
                               const DateTime&, std::int64_t, std::int64_t, int, int,
                               bool& replace) {
        ++asked;
        replace = true;
    };
    compile();
    EXPECT_EQ(asked, 1);
    const std::string out = scratch / "x";
    test::makeFolder(out);
    test::shell("tar -xf " + archive() + " -C " + out + " a.txt");
    EXPECT_EQ(test::readFile(out + "/a.txt"), "again");
}

TEST_F(TarWriter, AFileReachedByTwoPassesGoesInOnce) {
    test::writeFile(in("sub/a.txt"), "a");
    TTar twice;
    twice.setArchiveFile(scratch / "twice.tar");
    twice.StoredDirNames = sdAbsolute;
    twice.FileSpec = {workspace() + "/", in("sub/")};
    EXPECT_EQ(twice.Compress(), 1);
    const std::string listing = pythonListing(scratch / "twice.tar");
    EXPECT_EQ(std::count(listing.begin(), listing.end(), '\n'), 1) << listing;
}

// A cancelled run does no work: it writes nothing, fires no end events and leaves no file.
TEST_F(TarWriter, ACancelledRunLeavesTheArchiveAndNoTemporaryFile) {
    test::writeFile(in("a.txt"), "old");
    ASSERT_EQ(compile(), 1);
    const std::string before = test::readFile(archive());
    test::writeFile(in("b.bin"), std::string(300000, 'b'));
    struct Case {
        const char* what;
        std::function<void()> arrange;
    } const cases[] = {
        {"during the data copy",
         [&] {
             writer.OnProgress = [](TZipCommon& w, std::uint8_t, std::uint8_t) {
                 w.setCancel(true);
             };
         }},
        {"when the temporary file is to move",
         [&] {
             writer.OnTmpFileMoveBegin = [](ByteStream&, const std::string&, const std::string&,
                                            bool& cancel) {
                 cancel = true;
             };
         }},
        {"while an in-memory archive is copied into place",
         [&] {
             writer.CompressionMethod = cmInMemory;
             writer.OnTmpFileProgress = [&](ByteStream&, std::uint8_t, std::uint8_t) {
                 writer.setCancel(true);
             };
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writer.OnProgress = nullptr;
        writer.OnTmpFileMoveBegin = nullptr;
        writer.OnTmpFileProgress = nullptr;
        writer.CompressionMethod = cmTempFile;
        int ends = 0;
        writer.OnDeactivate = [&](TZipCommon&) {
            ++ends;
        };
        writer.OnElapsedTime = [&](TZipCommon&, float) {
            ++ends;
        };
        c.arrange();
        EXPECT_EQ(compile(), 0);
        EXPECT_EQ(ends, 0);
        EXPECT_EQ(test::readFile(archive()), before);
        EXPECT_TRUE(fs::is_empty(writer.TempDir()));
        EXPECT_EQ(std::distance(fs::directory_iterator(workspace()), fs::directory_iterator()),
                  3); // a.txt, b.bin, img.tar: no staging file left beside the archive
    }
}
TEST_F(TarWriter, TarGzipCompressesTheFinishedTarIntoTheGzFile) {
    test::writeFile(in("image/a.gif"), std::string(70000, 'a'));
    test::writeFile(in("b.txt"), "b");
    TTar gzipping;
    gzipping.setCompressMethod(cmTarGzip);
    gzipping.setArchiveFile(scratch / "theme.tar.gz");
    gzipping.FileSpec = {workspace() + "/"};
    std::vector<int> codes;
    gzipping.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                           int code) {
        codes.push_back(code);
    };
    EXPECT_EQ(gzipping.Compress(), 2);
    EXPECT_TRUE(codes.empty());
    std::string listing;
    ASSERT_EQ(test::shell("gzip -dc " + scratch / "theme.tar.gz" +
                              " | tar -tvf - | awk "
                              "'{print $3, $6}' | sort",
                          &listing),
              0);
    EXPECT_EQ(listing, "1 b.txt\n70000 image/a.gif\n");
    EXPECT_EQ(
        test::shell("gzip -dc " + scratch / "theme.tar.gz" + " | cmp - " + scratch / "theme.tar"),
        0);
}

TEST_F(TarWriter, AMissingArchiveFolderIsReported) {
    writer.OnError = nullptr;
    std::vector<int> codes;
    TTar lost;
    lost.OnError = [&](TZipCommon&, const std::string&, const std::string& ext, const std::string&,
                       int code) {
        codes.push_back(code);
        EXPECT_EQ(ext, scratch / "no/such/");
    };
    lost.setArchiveFile(scratch / "no/such/img.tar");
    lost.FileSpec = {workspace() + "/"};
    EXPECT_EQ(lost.Compress(), 0);
    EXPECT_EQ(codes, std::vector<int>{error_code::InvalidDirectory});
}

TEST_F(TarWriter, DeleteRemovesTheSelectedEntriesOnly) {
    test::writeFile(in("a.gif"), "a");
    test::writeFile(in("b.jpg"), "b");
    test::writeFile(in("a/x.gif"), "a");
    test::writeFile(in("b/x.gif"), "b");
    ASSERT_EQ(compile(), 4);
    TTar nested;
    nested.TimeZone = test::utcZone();
    nested.setArchiveFile(archive());
    nested.Switch = swDelete;
    nested.FileSpec = {"b/x.gif"};
    EXPECT_EQ(nested.Compress(), 1);
    EXPECT_EQ(pythonListing(archive()).find("b/x.gif"), std::string::npos);
    EXPECT_NE(pythonListing(archive()).find("a/x.gif 1"), std::string::npos);
    TTar remover;
    remover.TimeZone = test::utcZone();
    remover.setArchiveFile(archive());
    remover.Switch = swDelete;
    remover.FileSpec = {"*.gif"};
    std::vector<std::string> deleted;
    remover.OnDeleteFile = [&](TZipCommon&, const std::string& name, int, int) {
        deleted.push_back(name);
    };
    EXPECT_EQ(remover.Compress(), 2);
    EXPECT_EQ(deleted, (std::vector<std::string>{"a.gif", "a/x.gif"}));
    EXPECT_EQ(pythonListing(archive()).find("a.gif"), std::string::npos);
    EXPECT_NE(pythonListing(archive()).find("b.jpg 1"), std::string::npos);
}

TEST_F(TarWriter, MoveDeletesTheSourcesThatWentIn) {
    test::writeFile(in("src/a.txt"), "a");
    TTar mover;
    mover.TimeZone = test::utcZone();
    mover.setArchiveFile(scratch / "moved.tar");
    mover.Switch = swMove;
    mover.DeleteOptions = doFinal;
    mover.FileSpec = {in("src/")};
    EXPECT_EQ(mover.Compress(), 1);
    EXPECT_FALSE(fs::exists(in("src/a.txt")));
    EXPECT_NE(pythonListing(scratch / "moved.tar").find("a.txt 1"), std::string::npos);
}

TEST_F(TarWriter, RefreshWithoutAnArchiveHasNothingToDo) {
    TTar refresher;
    std::vector<int> codes;
    refresher.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                            int code) {
        codes.push_back(code);
    };
    refresher.setArchiveFile(archive());
    refresher.Switch = swRefresh;
    refresher.FileSpec = {workspace() + "/"};
    EXPECT_EQ(refresher.Compress(), 0);
    EXPECT_EQ(codes, std::vector<int>{error_code::NothingToDo});
    EXPECT_FALSE(fs::exists(archive()));
}

TEST_F(TarWriter, AMissingTempDirFallsBackToTheSystemsFolder) {
    test::writeFile(in("a.txt"), "a");
    writer.setTempDir(scratch / "gone");
    fs::remove_all(scratch / "gone");
    EXPECT_EQ(compile(), 1);
    EXPECT_EQ(writer.TempDir(),
              scratch / ("palvex-image-changer-" + std::to_string(::getuid())) + "/");
    EXPECT_TRUE(fs::is_empty(writer.TempDir())); // the temporary archive went into place
}

} // namespace
} // namespace palvex::archive
