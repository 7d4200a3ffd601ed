#include "pictures/theme_editor.h"
#include "tests/support/archive_helpers.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/recording_ui.h"
#include "tests/support/scratch_folder.h"
#include "theme/archive_pipelines.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace palvex::test {
namespace {

namespace fs = std::filesystem;
using test::headerFor;
using test::TarBuilder;

const std::vector<std::pair<std::string, std::string>> kTheme = {
    {"image/desktop.jpg", std::string(20000, 'd')},
    {"image/en/mainpic/02.gif", std::string(513, 'g')},
    {"image/en/Cafe_Menu-2.gif", "spaces"},
    {"image/empty.gif", ""},
};
// What peers store beyond the old header: a name over 100 bytes and a UTF-8 name.
const std::vector<std::pair<std::string, std::string>> kPeerExtras = {
    {"image/" + std::string(90, 'l') + "/" + std::string(40, 'n') + ".gif", "a long name"},
    {"image/en/caf\xC3\xA9 men\xC3\xBC.jpg", "a UTF-8 name"},
};

// One way a peer packs the source tree: a shell command with SRC and OUT.
struct Packer {
    const char* name;
    const char* command;
};

const Packer kPackers[] = {
    {"gnu", "tar --format=gnu -cf OUT -C SRC image"},
    {"oldgnu", "tar --format=oldgnu -cf OUT -C SRC image"},
    {"ustar", "tar --format=ustar -cf OUT -C SRC image"},
    {"posix", "tar --format=posix -cf OUT -C SRC image"},
    {"bsdtar", "bsdtar -cf OUT -C SRC image"},
    {"bsdtar-ustar", "bsdtar --format ustar -cf OUT -C SRC image"},
    {"python-gnu",
     "cd SRC && python3 -c \"import tarfile; t=tarfile.open('OUT','w',format=tarfile.GNU_FORMAT); "
     "t.add('image'); t.close()\""},
    {"python-default", "cd SRC && python3 -c \"import tarfile; t=tarfile.open('OUT','w'); "
                       "t.add('image'); t.close()\""},
};

std::string replaced(std::string text, const std::string& what, const std::string& with) {
    for (auto at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size()))
        text.replace(at, what.size(), with);
    return text;
}

class PeerArchives : public ::testing::TestWithParam<std::tuple<Packer, const char*>> {
protected:
    PeerArchives() {
        ::setenv("TMPDIR", scratch.path().c_str(), 1);
        for (const auto& files : {kTheme, kPeerExtras})
            for (const auto& [path, content] : files)
                writeFile(scratch / "src/" + path, content);
        makeFolder(scratch / "src/image/old");
        fs::create_hard_link(scratch / "src/image/desktop.jpg", scratch / "src/image/en/same.jpg");
    }
    ~PeerArchives() override { ::unsetenv("TMPDIR"); }

    ScratchFolder scratch;
};

TEST_P(PeerArchives, UnpackThroughThePipelineLandsEveryFileAsStored) {
    const auto& [packer, compressor] = GetParam();
    const std::string tar = scratch / "theme.tar";
    ASSERT_EQ(shell(replaced(replaced(packer.command, "SRC", scratch / "src"), "OUT", tar)), 0);
    // A plain tar is read as it is; the others are compressed first.
    const bool plain = std::string(compressor) == "none";
    const std::string archive = plain ? tar : scratch / "img.bz2";
    if (!plain) {
        ASSERT_EQ(shell(std::string(compressor) + " -c " + tar + " > " + archive), 0);
    }

    RecordingUi ui;
    const QString workspace = QString::fromStdString(scratch / "IMAGE");
    pictures::ThemeEditor editor(theme::TerminalModel::Korvell, ui, ui, workspace);
    ui.inputArchives.enqueue(QString::fromStdString(archive));
    ui.slot = -1; // nothing to preview
    editor.openArchive();

    // Exactly the peer's files, byte for byte, and the count of the files written.
    const auto source = treeOf(scratch / "src");
    EXPECT_EQ(treeOf(scratch / "IMAGE"), source) << packer.name;
    const auto files = std::count_if(source.begin(), source.end(),
                                     [](const auto& entry) { return entry.second != "<folder>"; });
    QStringList expected{"Unpacked Files :" + QString::number(files)};
    if (!plain)
        expected.prepend("Unpacking img.bz2...");
    EXPECT_EQ(ui.logLines(), expected) << packer.name;
    EXPECT_TRUE(ui.errors().isEmpty());
    // Nothing but the source, the archives, the workspace and the private temporary folder.
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(scratch.path())) {
        const std::string name = entry.path().filename().string();
        EXPECT_TRUE(name == "src" || name == "theme.tar" || name == "img.bz2" || name == "IMAGE" ||
                    name.rfind("palvex-image-changer-", 0) == 0)
            << name;
        ++entries;
    }
    EXPECT_EQ(entries, plain ? 3 : 5); // a plain tar needs no temporary folder
}

INSTANTIATE_TEST_SUITE_P(EveryPeer, PeerArchives,
                         ::testing::Combine(::testing::ValuesIn(kPackers),
                                            ::testing::Values("bzip2", "lbzip2", "none")),
                         [](const auto& info) {
                             return replaced(std::get<0>(info.param).name, "-", "_") + "_" +
                                    std::get<1>(info.param);
                         });

// Every form of the tar family that peers read, made here as its writers make it: each must
// unpack through the pipeline to exactly what GNU tar and bsdtar extract from the same bytes,
// without an error. SRC holds image/a.gif, and image/sparse.bin: seven stretches of data
// between holes, more than an old GNU header holds, so its map goes on in an extension block.
struct Form {
    const char* story;
    std::string made; // a shell command writing OUT from SRC, or the archive's bytes
    bool command = true;
    int warnings = 0;
};

std::vector<Form> forms() {
    using archive::tar_field::linkname;
    using archive::tar_field::size;
    auto sized = [](archive::TarHeader header, std::uint32_t bytes) {
        return test::withField(header, size, archive::FormatOctal(bytes, 12));
    };
    const std::string acl =
        std::string("01000003") + '\0' + "user::rw-,group::r--,other::r--" + '\0';
    return {
        {"a folder that carries a size and no data",
         TarBuilder()
             .raw(sized(headerFor("image/", 0, '5'), 4096))
             .file("image/a.gif", "gif")
             .raw(sized(headerFor("image/old/", 0, '5'), 4096))
             .raw(sized(headerFor("image/old/deeper/", 0, '5'), 1024))
             .finish()
             .bytes(),
         false},
        {"a hard link that carries its target's size and no data",
         TarBuilder()
             .file("image/a.gif", std::string(600, 'a'))
             .raw(sized(test::withField(headerFor("image/b.gif", 0, '1'), linkname, "image/a.gif"),
                        600))
             .file("image/c.gif", "c")
             .finish()
             .bytes(),
         false},
        {"a volume label and nothing else", "tar --format=gnu -V LABEL -cf OUT -T /dev/null"},
        {"a volume label before the files", "tar --format=gnu -V LABEL -cf OUT -C SRC image"},
        {"a Solaris ACL header before its file",
         TarBuilder()
             .file("image/a.gif", acl, 'A')
             .file("image/a.gif", "gif")
             .file("image/b.gif", "b")
             .finish()
             .bytes(),
         false},
        {"a Solaris extended header",
         TarBuilder()
             .file("image/x", test::paxRecords({{"path", "image/renamed.gif"}}), 'X')
             .file("image/x", "x")
             .finish()
             .bytes(),
         false},
        {"a pax mtime that cannot be read: warned of, the file kept",
         "cd SRC && python3 -c \"import tarfile; t=tarfile.open('OUT','w',format=tarfile."
         "PAX_FORMAT); i=t.gettarinfo('image/a.gif'); i.pax_headers={'mtime':'1748089464."
         "951928467a'}; t.addfile(i, open('image/a.gif','rb')); t.close()\"",
         true, 1},
        {"a sparse file, old GNU, its map in an extension block",
         "tar --format=oldgnu --sparse -cf OUT -C SRC image"},
        {"a sparse file, GNU", "tar --format=gnu --sparse -cf OUT -C SRC image"},
        {"a sparse file, pax 0.0",
         "tar --format=posix --sparse --sparse-version=0.0 -cf OUT -C SRC image"},
        {"a sparse file, pax 0.1",
         "tar --format=posix --sparse --sparse-version=0.1 -cf OUT -C SRC image"},
        {"a sparse file, pax 1.0",
         "tar --format=posix --sparse --sparse-version=1.0 -cf OUT -C SRC image"},
        {"data that ends on a record, and no zero blocks after it",
         TarBuilder()
             .file("image/a.gif", std::string(10240 - 2 * 512, 'r'))
             .file("image/empty.gif", "")
             .bytes(),
         false},
    };
}

TEST(PeerForms, UnpackToWhatGnuTarAndBsdtarExtract) {
    for (const Form& form : forms()) {
        ScratchFolder scratch;
        ::setenv("TMPDIR", scratch.path().c_str(), 1);
        writeFile(scratch / "src/image/a.gif", "gif");
        ASSERT_EQ(shell("python3 -c \"f=open('" + scratch / "src/image/sparse.bin" +
                        "','wb')\nfor i in range(7): f.seek(16384*i+8192); "
                        "f.write(bytes([65+i])*5000)\nf.truncate(200000)\""),
                  0);
        const std::string tar = scratch / "form.tar";
        if (form.command) {
            ASSERT_EQ(shell(replaced(replaced(form.made, "SRC", scratch / "src"), "OUT", tar)), 0)
                << form.story;
        } else {
            writeFile(tar, form.made);
        }
        for (const char* peer : {"tar", "bsdtar"}) {
            makeFolder(scratch / peer);
            shell(std::string(peer) + " -xf " + tar + " -C " + scratch / peer + " 2>/dev/null");
        }

        RecordingUi ui;
        ui.input = QString::fromStdString(tar);
        theme::ThemeSession session(theme::TerminalModel::Korvell, ui, ui,
                                    QString::fromStdString(scratch / "IMAGE"));
        theme::ArchivePipelines pipelines(session);
        pipelines.unpack();
        const auto unpacked = treeOf(scratch / "IMAGE");
        EXPECT_EQ(unpacked, treeOf(scratch / "tar")) << form.story;
        EXPECT_EQ(unpacked, treeOf(scratch / "bsdtar")) << form.story;
        EXPECT_EQ(pipelines.archiveErrors(), 0) << form.story;
        EXPECT_TRUE(ui.errors().isEmpty()) << form.story;
        const QStringList lines = ui.logLines();
        EXPECT_EQ(lines.filter("Warning : ").size(), form.warnings) << form.story;
        const auto files = std::count_if(unpacked.begin(), unpacked.end(), [](const auto& entry) {
            return entry.second != "<folder>";
        });
        EXPECT_EQ(lines.value(lines.size() - 1), "Unpacked Files :" + QString::number(files))
            << form.story;
        ::unsetenv("TMPDIR");
    }
}

// What we write, every peer must read alike.
TEST(OurArchives, PeersListAndExtractThemAlike) {
    ScratchFolder scratch;
    ::setenv("TMPDIR", scratch.path().c_str(), 1);
    const std::string workspace = scratch / "IMAGE";
    for (const auto& [path, content] : kTheme)
        writeFile(workspace + "/" + path, content);
    makeFolder(workspace + "/image/old");
    shell("touch -d @1234567890 " + workspace + "/image/*.* " + workspace + "/image/en/*.* " +
          workspace + "/image/en/mainpic/* " + workspace + "/image/old");

    RecordingUi ui;
    ui.output = QString::fromStdString(scratch / "out.bz2");
    pictures::ThemeEditor editor(theme::TerminalModel::Korvell, ui, ui,
                                 QString::fromStdString(workspace));
    editor.pipelines().compile();
    ASSERT_EQ(ui.logLines().value(1), "Process Done!");
    const std::string out = scratch / "out.bz2";
    EXPECT_EQ(shell("bzip2 -t " + out), 0);

    // name, size, mode and mtime per member, sorted.
    std::string gnu, bsd, python;
    shell("bzip2 -dc " + out +
              " | tar --utc --full-time -tvf - | awk '{print $6, $3, $1, $4 \"T\" $5}' | sort",
          &gnu);
    shell("bzip2 -dc " + out + " | bsdtar -tvf - | awk '{print $9, $5, $1}' | sort", &bsd);
    shell("bzip2 -dc " + out + " > " + scratch / "out.tar" +
              " && python3 -c \"import tarfile,sys\nfor m in tarfile.open(sys.argv[1]): "
              "print(m.name, m.size, oct(m.mode), m.mtime)\" " +
              scratch / "out.tar" + " | sort",
          &python);
    EXPECT_EQ(gnu, "image/desktop.jpg 20000 -r--r--r-- 2009-02-13T23:31:30\n"
                   "image/empty.gif 0 -r--r--r-- 2009-02-13T23:31:30\n"
                   "image/en/Cafe_Menu-2.gif 6 -r--r--r-- 2009-02-13T23:31:30\n"
                   "image/en/mainpic/02.gif 513 -r--r--r-- 2009-02-13T23:31:30\n"
                   "image/old/ 0 dr-xr-xr-x 2009-02-13T23:31:30\n");
    EXPECT_EQ(python, "image/desktop.jpg 20000 0o100444 1234567890\n"
                      "image/empty.gif 0 0o100444 1234567890\n"
                      "image/en/Cafe_Menu-2.gif 6 0o100444 1234567890\n"
                      "image/en/mainpic/02.gif 513 0o100444 1234567890\n"
                      "image/old 0 0o40555 1234567890\n");
    EXPECT_EQ(bsd, "image/desktop.jpg 20000 -r--r--r--\n"
                   "image/empty.gif 0 -r--r--r--\n"
                   "image/en/Cafe_Menu-2.gif 6 -r--r--r--\n"
                   "image/en/mainpic/02.gif 513 -r--r--r--\n"
                   "image/old/ 0 dr-xr-xr-x\n");
    for (const char* reader : {"tar -xf", "bsdtar -xf"}) {
        const std::string target = scratch / ("x-" + std::string(reader).substr(0, 3));
        makeFolder(target);
        ASSERT_EQ(shell(std::string(reader) + " " + scratch / "out.tar" + " -C " + target), 0);
        for (const auto& [path, content] : kTheme)
            EXPECT_EQ(readFile(target + "/" + path), content) << reader << " " << path;
    }
    ::unsetenv("TMPDIR");
}

} // namespace
} // namespace palvex::test
