// What peers and hostile archives put in a tar, and what lands in the extraction folder.
#include "archive/un_tar.h"
#include "platform/tree_removal.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/scratch_folder.h"

#include <fcntl.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace palvex::archive {
namespace {

namespace fs = std::filesystem;
using test::paxRecords;
using test::ScratchFolder;
using test::TarBuilder;
using test::withField;
using Tree = std::map<std::string, std::string>;

// Each row: an archive, the extraction folder afterwards (exactly), the count and the codes.
struct Row {
    const char* story;
    std::string archive;
    Tree tree;
    int count;
    std::vector<int> codes;
    Tree before = {}; // files in the folder before the run
};

void setUpLikeThePipeline(TUnTar& reader, const std::string& archive, const std::string& dir) {
    reader.TimeZone = test::utcZone();
    reader.setArchiveFile(archive);
    reader.setExtractDir(dir);
    reader.ConfirmOverwrites = false;
    reader.OverwriteMode = omOverwrite;
    reader.RestoreFileAttr = false;
    reader.CreateStoredDirs = true;
    reader.TranslateOemChar = true;
    reader.FileSpec = {"*.*"};
}

void expectRows(const std::vector<Row>& rows) {
    for (const Row& row : rows) {
        ScratchFolder scratch;
        const std::string workspace = scratch / "IMAGE";
        for (const auto& [path, content] : row.before)
            test::writeFile(workspace + "/" + path, content);
        TUnTar reader;
        std::vector<int> codes;
        reader.OnError = [&](TZipCommon&, const std::string&, const std::string& extended,
                             const std::string&, int code) {
            codes.push_back(code);
            EXPECT_EQ(extended, "") << row.story;
        };
        setUpLikeThePipeline(reader, test::writeFile(scratch / "in.tar", row.archive), workspace);
        EXPECT_EQ(reader.Extract(), row.count) << row.story;
        EXPECT_EQ(codes, row.codes) << row.story;
        EXPECT_EQ(test::treeOf(workspace), row.tree) << row.story;
        for (const auto& entry : fs::directory_iterator(scratch.path()))
            EXPECT_TRUE(entry.path().filename() == "in.tar" || entry.path().filename() == "IMAGE")
                << row.story << ": " << entry.path();
    }
}

TarHeader typed(const std::string& name, char type, const std::string& link = "") {
    return withField(test::headerFor(name, 0, type), tar_field::linkname, link);
}

const std::string kLongName =
    "image/" + std::string(120, 'p') + "/" + std::string(30, 'q') + ".gif";

TEST(UntarEntries, ExtensionRecordsAreMetadataOfTheNextMember) {
    std::string base256Size(12, '\0');
    base256Size[0] = '\x80';
    base256Size[11] = 4;
    expectRows({
        {"a pax path names the next member; no PaxHeaders file",
         TarBuilder()
             .file("PaxHeaders.1/short", paxRecords({{"path", kLongName}}), 'x')
             .file("short", "data")
             .finish()
             .bytes(),
         {{kLongName, "data"}},
         1,
         {}},
        {"a pax size and mtime replace the header's",
         TarBuilder()
             .file("PaxHeaders.1/sized", paxRecords({{"size", "5"}, {"mtime", "1.5"}}), 'x')
             .raw(test::headerFor("sized.gif", 0, '0'))
             .data("12345")
             .file("next.gif", "n")
             .finish()
             .bytes(),
         {{"sized.gif", "12345"}, {"next.gif", "n"}},
         2,
         {}},
        {"a global path holds for the members after it until one has its own",
         TarBuilder()
             .file("GlobalHead.1", paxRecords({{"path", "global.gif"}}), 'g')
             .file("m1", "1")
             .file("PaxHeaders.1/m2", paxRecords({{"path", "own.gif"}}), 'x')
             .file("m2", "2")
             .finish()
             .bytes(),
         {{"global.gif", "1"}, {"own.gif", "2"}},
         2,
         {}},
        {"GNU long names and link names; no @LongLink file",
         TarBuilder()
             .file("././@LongLink", kLongName + '\0', 'L')
             .file(kLongName.substr(0, 100), "data")
             .file("././@LongLink", kLongName + '\0', 'K')
             .raw(typed("copy.gif", '1', kLongName.substr(0, 100)))
             .finish()
             .bytes(),
         {{kLongName, "data"}, {"copy.gif", "data"}},
         2,
         {}},
        {"a POSIX prefix is joined to the name",
         TarBuilder()
             .raw(withField(withField(test::headerFor("name.gif", 4, '0'), tar_field::magic,
                                      std::string("ustar\0"
                                                  "00",
                                                  8)),
                            tar_field::prefix, "deep/er"))
             .data("abcd")
             .finish()
             .bytes(),
         {{"deep/er/name.gif", "abcd"}},
         1,
         {}},
        {"the old GNU magic has no prefix",
         TarBuilder()
             .raw(withField(test::headerFor("plain.gif", 4, '0'), tar_field::prefix, "junk"))
             .data("abcd")
             .finish()
             .bytes(),
         {{"plain.gif", "abcd"}},
         1,
         {}},
        {"a base-256 size is read whole",
         TarBuilder()
             .raw(withField(test::headerFor("b.gif", 0, '0'), tar_field::size, base256Size))
             .data("four")
             .finish()
             .bytes(),
         {{"b.gif", "four"}},
         1,
         {}},
        {"a long name that climbs out is refused like a short one",
         TarBuilder()
             .file("././@LongLink", "../" + kLongName + '\0', 'L')
             .file("harmless", "evil")
             .finish()
             .bytes(),
         {},
         0,
         {25235}},
        {"a malformed pax header refuses its member and no other",
         TarBuilder()
             .file("PaxHeaders.1/m", "12 path=x\n", 'x')
             .file("m.gif", "m")
             .file("ok.gif", "ok")
             .finish()
             .bytes(),
         {{"ok.gif", "ok"}},
         1,
         {25235}},
        {"a sparse file's map is never written as its bytes",
         TarBuilder()
             .file("PaxHeaders.1/s", paxRecords({{"GNU.sparse.major", "1"}, {"path", "s.gif"}}),
                   'x')
             .file("GNUSparseFile.1/s.gif", "1\n0\n1\nx")
             .finish()
             .bytes(),
         {},
         0,
         {25235}},
        {"a NUL inside a pax path refuses its member",
         TarBuilder()
             .file("PaxHeaders.1/n", paxRecords({{"path", std::string("sub\0x.gif", 9)}}), 'x')
             .file("n.gif", "n")
             .finish()
             .bytes(),
         {},
         0,
         {25235}},
        {"a name longer than a path may be is refused before any folder is looked at",
         TarBuilder()
             .file("PaxHeaders.1/d",
                   paxRecords({{"path",
                                [] {
                                    std::string deep;
                                    while (deep.size() < 200000)
                                        deep += "a/";
                                    return deep + "x.gif";
                                }()}}),
                   'x')
             .file("d.gif", "d")
             .finish()
             .bytes(),
         {},
         0,
         {25235}},
    });
}

TEST(UntarEntries, OnlyFilesAndFoldersAreWrittenAndHardLinksAreCopies) {
    expectRows({
        {"a hard link to an earlier member is a copy of it",
         TarBuilder()
             .file("image/a.gif", "AAA")
             .raw(typed("image/b.gif", '1', "image/a.gif"))
             .finish()
             .bytes(),
         {{"image/a.gif", "AAA"}, {"image/b.gif", "AAA"}},
         2,
         {}},
        {"a hard link to anything not written in this run is refused",
         TarBuilder()
             .raw(typed("early.gif", '1', "image/a.gif"))
             .file("image/a.gif", "AAA")
             .raw(typed("passwd", '1', "/etc/passwd"))
             .raw(typed("up.gif", '1', "../in.tar"))
             .finish()
             .bytes(),
         {{"image/a.gif", "AAA"}},
         1,
         {25235, 25235, 25235}},
        {"hard-link copies write no more than the archive holds",
         TarBuilder()
             .file("big.gif", std::string(6000, 'b'))
             .raw(typed("copy1.gif", '1', "big.gif"))
             .raw(typed("copy2.gif", '1', "big.gif"))
             .bytes(),
         {{"big.gif", std::string(6000, 'b')}, {"copy1.gif", std::string(6000, 'b')}},
         2,
         {25235}},
        {"links, devices and FIFOs are not written, regular types are, a label is no member",
         TarBuilder()
             .raw(typed("sym.gif", '2', "/etc/passwd"))
             .raw(typed("char", '3'))
             .raw(typed("block", '4'))
             .raw(typed("fifo", '6'))
             .raw(typed("label", 'V'))
             .file("seven.gif", "7", '7')
             .file("nul.gif", "0", '\0')
             .file("old-folder/", "")
             .finish()
             .bytes(),
         {{"seven.gif", "7"}, {"nul.gif", "0"}, {"old-folder", "<folder>"}},
         2,
         {25235, 25235, 25235, 25235}},
    });
}

TEST(UntarEntries, SizesCutsAndNames) {
    std::string hidden = TarBuilder().file("hidden.gif", "hidden").bytes();
    std::string cutData =
        TarBuilder().file("first.gif", "1").file("cut.gif", std::string(1000, 'x')).bytes();
    cutData.resize(cutData.size() - 700);
    const std::string cutHeader =
        TarBuilder().file("first.gif", "1").bytes() + std::string(300, 'h');
    TarHeader noName = withField(test::headerFor("x", 700, '0'), tar_field::name, "");
    expectRows({
        {"a size of 4 GiB + 5 does not wrap to 5 and show a file hidden in the data",
         TarBuilder()
             .raw(withField(test::headerFor("outer.gif", 0, '0'), tar_field::size, "40000000005"))
             .data(hidden)
             .finish()
             .bytes(),
         {},
         0,
         {25235, 25151}},
        {"data cut short: an error, and the file there before keeps its content",
         cutData,
         {{"first.gif", "1"}, {"cut.gif", "old"}},
         1,
         {25151},
         {{"cut.gif", "old"}}},
        {"a header cut short is an error", cutHeader, {{"first.gif", "1"}}, 1, {25151}},
        {"a block without a name is stepped over by its size rounded up",
         TarBuilder()
             .raw(noName)
             .data(std::string(700, 'z'))
             .file("after.gif", "a")
             .finish()
             .bytes(),
         {{"after.gif", "a"}},
         1,
         {}},
        {"the scan stops when a header would fill the last block after a zero block",
         TarBuilder().file("a.gif", "a").zeros(1).file("b.gif", "").bytes(),
         {{"a.gif", "a"}},
         1,
         {}},
        {"one block more and the header is an entry",
         TarBuilder().file("a.gif", "a").zeros(1).file("b.gif", "").zeros(1).bytes(),
         {{"a.gif", "a"}, {"b.gif", ""}},
         2,
         {}},
        {"a colon inside a name is part of it; only a leading drive goes",
         TarBuilder().file("photos/12:30.jpg", "t").file("C:/c.gif", "c").finish().bytes(),
         {{"photos/12:30.jpg", "t"}, {"c.gif", "c"}},
         2,
         {}},
        {"a name part of 250 bytes, the most a file system takes, is written",
         TarBuilder()
             .file("././@LongLink", std::string(250, 'w') + '\0', 'L')
             .file(std::string(100, 'w'), "w")
             .finish()
             .bytes(),
         {{std::string(250, 'w'), "w"}},
         1,
         {}},
        {"a UTF-8 name is taken as UTF-8, not as code page 437",
         TarBuilder().file("image/caf\xC3\xA9.gif", "u").finish().bytes(),
         {{"image/caf\xC3\xA9.gif", "u"}},
         1,
         {}},
    });
}

// 4 GiB of nothing, as a hole: the reader must step over an entry it refuses and find the
// one after it.
TEST(UntarEntries, AnEntryOverTheLimitIsSteppedOverByItsRealSize) {
    ScratchFolder scratch;
    const std::string archive = scratch / "huge.tar";
    const std::int64_t size = std::int64_t(kMaxEntrySize) + 1;
    test::writeFile(archive, TarBuilder()
                                 .raw(withField(test::headerFor("huge.bin", 0, '0'),
                                                tar_field::size, "40000000000"))
                                 .bytes());
    ASSERT_EQ(::truncate(archive.c_str(), 512 + size), 0);
    const std::string after = TarBuilder().file("after.gif", "after").finish().bytes();
    std::FILE* file = std::fopen(archive.c_str(), "ab");
    std::fwrite(after.data(), 1, after.size(), file);
    std::fclose(file);

    TUnTar reader;
    std::vector<int> codes;
    reader.OnError = [&](TZipCommon&, const std::string&, const std::string&, const std::string&,
                         int code) {
        codes.push_back(code);
    };
    setUpLikeThePipeline(reader, archive, scratch / "IMAGE");
    EXPECT_EQ(reader.Extract(), 1);
    EXPECT_EQ(codes, std::vector<int>{25235});
    EXPECT_EQ(test::treeOf(scratch / "IMAGE"), (Tree{{"after.gif", "after"}}));
}

// A hard link planted in the folder to a file outside must not carry the archive's bytes out,
// and removing the folder must not touch the outside file's mode.
TEST(UntarEntries, APlantedHardLinkIsReplacedNotWrittenThrough) {
    ScratchFolder scratch;
    const std::string outside = test::writeFile(scratch / "outside.txt", "precious");
    test::makeFolder(scratch / "IMAGE/image");
    ASSERT_EQ(::link(outside.c_str(), (scratch / "IMAGE/image/a.gif").c_str()), 0);
    TUnTar reader;
    setUpLikeThePipeline(
        reader, TarBuilder().file("image/a.gif", "evil").finish().write(scratch / "in.tar"),
        scratch / "IMAGE");
    reader.Extract();
    EXPECT_EQ(test::readFile(outside), "precious");
    EXPECT_EQ(test::readFile(scratch / "IMAGE/image/a.gif"), "evil");

    ::unlink((scratch / "IMAGE/image/a.gif").c_str());
    ::chmod(outside.c_str(), 0444);
    ASSERT_EQ(::link(outside.c_str(), (scratch / "IMAGE/image/a.gif").c_str()), 0);
    ASSERT_TRUE(platform::removeTree(scratch / "IMAGE"));
    struct stat st {};
    ::stat(outside.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0444u);
}

} // namespace
} // namespace palvex::archive
