// What peers and hostile archives put in a tar, and what lands in the extraction folder.
#include "archive/archive_errors.h"
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
    std::string story;
    std::string archive;
    Tree tree;
    int count;
    std::vector<int> codes;
    Tree before = {}; // files in the folder before the run
    std::int64_t maxSize = std::int64_t(1) << 30;
    std::string reason = {}; // said for the first error, when given
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
        std::string reason;
        reader.OnError = [&](TZipCommon& sender, const std::string&, const std::string& extended,
                             const std::string&, int code) {
            codes.push_back(code);
            reason = reason.empty() ? sender.ErrorReason() : reason;
            EXPECT_EQ(extended, "") << row.story;
        };
        setUpLikeThePipeline(reader, test::writeFile(scratch / "in.tar", row.archive), workspace);
        reader.MaxUnpackedSize = row.maxSize;
        EXPECT_EQ(reader.Extract(), row.count) << row.story;
        EXPECT_EQ(codes, row.codes) << row.story;
        EXPECT_NE(reason.find(row.reason), std::string::npos) << row.story << ": " << reason;
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
         {error_code::OpenError}},
        {"a malformed pax header refuses its member and no other",
         TarBuilder()
             .file("PaxHeaders.1/m", "12 path=x\n", 'x')
             .file("m.gif", "m")
             .file("ok.gif", "ok")
             .finish()
             .bytes(),
         {{"ok.gif", "ok"}},
         1,
         {error_code::OpenError}},
        {"a sparse file's map is never written as its bytes",
         TarBuilder()
             .file("PaxHeaders.1/s", paxRecords({{"GNU.sparse.major", "1"}, {"path", "s.gif"}}),
                   'x')
             .file("GNUSparseFile.1/s.gif", "1\n0\n1\nx")
             .finish()
             .bytes(),
         {},
         0,
         {error_code::OpenError}},
        {"a NUL inside a pax path refuses its member",
         TarBuilder()
             .file("PaxHeaders.1/n", paxRecords({{"path", std::string("sub\0x.gif", 9)}}), 'x')
             .file("n.gif", "n")
             .finish()
             .bytes(),
         {},
         0,
         {error_code::OpenError}},
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
         {error_code::OpenError}},
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
         {error_code::OpenError, error_code::OpenError, error_code::OpenError}},
        {"hard-link copies count toward the most a run may write: nothing is written",
         TarBuilder()
             .file("big.gif", std::string(6000, 'b'))
             .raw(typed("copy1.gif", '1', "big.gif"))
             .raw(typed("copy2.gif", '1', "big.gif"))
             .bytes(),
         {},
         0,
         {error_code::OpenError},
         {},
         17999},
        {"within that limit every copy is written",
         TarBuilder()
             .file("big.gif", std::string(6000, 'b'))
             .raw(typed("copy1.gif", '1', "big.gif"))
             .raw(typed("copy2.gif", '1', "copy1.gif"))
             .bytes(),
         {{"big.gif", std::string(6000, 'b')},
          {"copy1.gif", std::string(6000, 'b')},
          {"copy2.gif", std::string(6000, 'b')}},
         3,
         {},
         {},
         18000},
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
         {error_code::OpenError, error_code::OpenError, error_code::OpenError,
          error_code::OpenError}},
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
         {error_code::OpenError, error_code::CrcError}},
        {"data cut short: an error, and the file there before keeps its content",
         cutData,
         {{"first.gif", "1"}, {"cut.gif", "old"}},
         1,
         {error_code::CrcError},
         {{"cut.gif", "old"}}},
        {"a header cut short is an error",
         cutHeader,
         {{"first.gif", "1"}},
         1,
         {error_code::CrcError}},
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
        {"a header without a name whose data runs past the end is a cut archive",
         TarBuilder()
             .file("first.gif", "1")
             .raw(withField(withField(test::headerFor("x", 0, '0'), tar_field::size, "200000"),
                            tar_field::name, ""))
             .zeros(4)
             .bytes(),
         {{"first.gif", "1"}},
         1,
         {error_code::CrcError}},
    });
}

TarHeader sized(TarHeader header, std::uint32_t size) {
    return withField(header, tar_field::size, FormatOctal(size, 12));
}

// An old GNU sparse header: the first four fragments in the header, the rest in extension
// blocks of 21.
std::string oldGnuSparse(const std::string& name, std::int64_t realSize,
                         const std::vector<std::pair<int, int>>& map, const std::string& data) {
    TarHeader header =
        sized(test::headerFor(name, 0, 'S'), static_cast<std::uint32_t>(data.size()));
    header = withField(header, old_gnu_field::realSize, FormatOctal(std::uint32_t(realSize), 12));
    std::vector<TarHeader> blocks;
    for (std::size_t i = 0; i < map.size(); ++i) {
        const bool inHeader = i < 4;
        if (!inHeader && (i - 4) % 21 == 0) {
            blocks.push_back({});
            if (blocks.size() == 1)
                header = withField(header, old_gnu_field::isExtended, "\1");
            else
                blocks[blocks.size() - 2][old_gnu_field::extensionIsExtended.offset] = 1;
        }
        TarHeader& block = inHeader ? header : blocks.back();
        const std::size_t at =
            inHeader ? old_gnu_field::sparse.offset + 24 * i : 24 * ((i - 4) % 21);
        for (auto [offset, value] :
             {std::pair{at, map[i].first}, std::pair{at + 12, map[i].second}})
            block = withField(block, {offset, 12}, FormatOctal(std::uint32_t(value), 12));
    }
    TarBuilder built;
    built.raw(header);
    for (const TarHeader& block : blocks)
        built.raw(block);
    return built.data(data).file("ok.gif", "ok").finish().bytes();
}

std::string paxSparse(const std::vector<std::pair<std::string, std::string>>& records,
                      const std::string& data, const std::string& name = "s.bin") {
    return TarBuilder()
        .file("PaxHeaders.1/s", paxRecords(records), 'x')
        .file(name, data)
        .file("ok.gif", "ok")
        .finish()
        .bytes();
}

TEST(UntarEntries, SparseFilesExpandAndHostileMapsAreRefused) {
    std::string expanded(60, '\0');
    for (int i = 0; i < 6; ++i)
        expanded.replace(std::size_t(10 * i), 2, std::string(2, char('a' + i)));
    // A count over the limit is refused before the map is read: holding it would take memory
    // out of all proportion to the archive.
    const std::string manyFragments = "2000000\n0\n0\n";
    auto refused = [](std::string story, std::string archive, std::string reason = "") {
        return Row{std::move(story),        std::move(archive),
                   {{"ok.gif", "ok"}},      1,
                   {error_code::OpenError}, {},
                   std::int64_t(1) << 30,   std::move(reason)};
    };
    std::vector<Row> rows = {
        {"an old GNU map goes on in an extension block; holes are zeros",
         oldGnuSparse("s.bin", 60, {{0, 2}, {10, 2}, {20, 2}, {30, 2}, {40, 2}, {50, 2}},
                      "aabbccddeeff"),
         {{"s.bin", expanded}, {"ok.gif", "ok"}},
         2,
         {}},
        {"a 1.0 map at the start of the data, under the real name",
         paxSparse({{"GNU.sparse.major", "1"},
                    {"GNU.sparse.minor", "0"},
                    {"GNU.sparse.name", "real.bin"},
                    {"GNU.sparse.realsize", "8"}},
                   "1\n2\n3\n" + std::string(506, '\0') + "xyz"),
         {{"real.bin", std::string("\0\0xyz\0\0\0", 8)}, {"ok.gif", "ok"}},
         2,
         {}},
        {"an expansion past the most a run may write refuses the archive",
         paxSparse({{"GNU.sparse.size", "1000"}, {"GNU.sparse.map", "0,1"}}, "x"),
         {},
         0,
         {error_code::OpenError},
         {},
         999},
    };
    const char* const disorder = "out of order, overlapping or past the end";
    for (const auto& [story, map, realSize, reason] :
         std::vector<std::tuple<const char*, const char*, const char*, const char*>>{
             {"fragments out of order", "4,1,0,1", "10", disorder},
             {"overlapping fragments", "0,3,2,1", "10", disorder},
             {"a fragment past the file's end", "8,4", "10", disorder},
             {"an offset near the largest number", "9223372036854775000,1", "9223372036854775807",
              "larger than 4 GiB"},
             {"more data in the map than the entry holds", "0,3,5,3", "10", "more data"},
             {"a map of an odd count", "0,1,5", "10", "malformed"},
         })
        rows.push_back(refused(
            std::string("a 0.1 map with ") + story,
            paxSparse({{"GNU.sparse.size", realSize}, {"GNU.sparse.map", map}}, "abcd"), reason));
    rows.push_back(refused("a stand-in folder and no real name",
                           paxSparse({{"GNU.sparse.size", "4"}, {"GNU.sparse.map", "0,4"}}, "abcd",
                                     "GNUSparseFile.7/s.bin"),
                           "real name is missing"));
    rows.push_back(
        refused("a 0.0 length without its offset",
                paxSparse({{"GNU.sparse.size", "4"}, {"GNU.sparse.numbytes", "4"}}, "abcd")));
    rows.push_back(refused(
        "a 1.0 map of two million fragments",
        paxSparse(
            {{"GNU.sparse.major", "1"}, {"GNU.sparse.name", "s.bin"}, {"GNU.sparse.realsize", "4"}},
            manyFragments),
        "more than 1048576 fragments"));
    rows.push_back(refused(
        "a 1.0 map that runs past its member's data",
        paxSparse(
            {{"GNU.sparse.major", "1"}, {"GNU.sparse.name", "s.bin"}, {"GNU.sparse.realsize", "4"}},
            "3\n0\n1\n")));
    expectRows(rows);
}

TEST(UntarEntries, VendorHeadersAndSizesWithoutData) {
    expectRows({
        {"ACL and attribute headers describe the next member and are no file",
         TarBuilder()
             .file("a.gif", "acl text", 'A')
             .file("a.gif", "attributes", 'E')
             .file("a.gif", "a")
             .finish()
             .bytes(),
         {{"a.gif", "a"}},
         1,
         {}},
        {"an ACL header cut short is a cut archive",
         TarBuilder().file("a.gif", "a").raw(sized(test::headerFor("a.gif", 0, 'A'), 5000)).bytes(),
         {{"a.gif", "a"}},
         1,
         {error_code::CrcError}},
        {"a folder's size is data where no header follows, and is stepped over",
         TarBuilder()
             .raw(sized(test::headerFor("d/", 0, '5'), 512))
             .data(std::string(512, 'j'))
             .file("d/a.gif", "a")
             .finish()
             .bytes(),
         {{"d/a.gif", "a"}},
         1,
         {}},
        {"a GNU dump folder is a folder, its listing no file",
         TarBuilder().file("dump/", std::string("Ya.gif\0\0", 9), 'D').finish().bytes(),
         {{"dump", "<folder>"}},
         0,
         {}},
    });
}

// Dates and sizes from extended headers: a value that cannot be read leaves the header's own
// field in force and is warned of; a date before 1970 is 1970, the earliest file date then.
TEST(UntarEntries, ExtendedHeaderValues) {
    struct Case {
        const char* key;
        const char* value;
        std::time_t modified;
        std::string content;
        int warnings;
    } const cases[] = {
        {"mtime", "1000000002.75", 1000000002, "12345", 0},
        {"mtime", "1000000004.5x", 1000000000, "12345", 1},
        {"mtime", "-1000000000.5", 315532860, "12345", 0},
        {"size", "3", 1000000000, "123", 0},
        {"size", "3x", 1000000000, "12345", 1},
    };
    for (const Case& c : cases) {
        ScratchFolder scratch;
        TUnTar reader;
        std::vector<int> codes;
        int warnings = 0;
        reader.OnError = [&](TZipCommon&, const std::string&, const std::string&,
                             const std::string&, int code) {
            codes.push_back(code);
        };
        reader.OnWarning = [&](TZipCommon&, const std::string&, const std::string&) {
            ++warnings;
        };
        setUpLikeThePipeline(reader,
                             TarBuilder()
                                 .file("PaxHeaders.1/f", paxRecords({{c.key, c.value}}), 'x')
                                 .file("f.gif", "12345")
                                 .finish()
                                 .write(scratch / "in.tar"),
                             scratch / "IMAGE");
        EXPECT_EQ(reader.Extract(), 1) << c.value;
        EXPECT_EQ(codes, std::vector<int>{}) << c.value;
        EXPECT_EQ(warnings, c.warnings) << c.value;
        EXPECT_EQ(test::readFile(scratch / "IMAGE/f.gif"), c.content) << c.value;
        struct stat st {};
        ::stat((scratch / "IMAGE/f.gif").c_str(), &st);
        EXPECT_EQ(st.st_mtime, c.modified) << c.value;
    }
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
    EXPECT_EQ(codes, std::vector<int>{error_code::OpenError});
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
