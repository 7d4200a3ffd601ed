#include "tests/pictures/editor_fixture.h"
#include "tests/support/archive_helpers.h"

#include <QCoreApplication>
#include <QFile>
#include <filesystem>

namespace palvex::test {
namespace {

namespace fs = std::filesystem;

// Unpack and compile as the window runs them, with the temporary folder in the scratch.
class Pipelines : public EditorFixture {
protected:
    Pipelines() { ::setenv("TMPDIR", scratch.path().c_str(), 1); }
    ~Pipelines() override { ::unsetenv("TMPDIR"); }

    // A theme archive made by the system's own tar and bzip2 from files given as
    // relative path and content.
    QString theme(const std::string& name,
                  const std::vector<std::pair<std::string, QByteArray>>& files,
                  bool compress = true) {
        const std::string source = scratch / ("src-" + name);
        fs::remove_all(source);
        for (const auto& [path, bytes] : files)
            writeBytes(QString::fromStdString(source + "/" + path), bytes);
        const std::string target = scratch / name;
        shell("tar -C " + source + " -cf - . " + (compress ? "| bzip2 " : "") + "> " + target);
        return QString::fromStdString(target);
    }
    QStringList open(const QString& archive) {
        ui.events.clear();
        ui.inputArchives.enqueue(archive);
        editor.openArchive();
        return ui.events;
    }
    std::string privateTemp() const {
        return scratch / ("palvex-image-changer-" + std::to_string(::getuid()));
    }
    // "name size" per member of a compiled theme, as GNU tar lists it.
    std::string members(const QString& output) const {
        std::string listing;
        shell("bzip2 -dc " + output.toStdString() + " | tar -tvf - | awk '{print $6, $3}' | sort",
              &listing);
        return listing;
    }
    QByteArray memberContent(const QString& output, const std::string& member) const {
        std::string content;
        shell("bzip2 -dc " + output.toStdString() + " | tar -xOf - " + member, &content);
        return QByteArray::fromStdString(content);
    }
};

TEST_F(Pipelines, OpeningAThemeUnpacksCountsAndPreviews) {
    const QString archive = theme("img.bz2", {{"image/desktop.jpg", jpegPicture(320, 210)},
                                              {"image/mi1.gif", gifPicture(55, 55)}});
    EXPECT_EQ(open(archive),
              QStringList({"busy", "log: Unpacking img.bz2...", "log: Unpacked Files :2",
                           "log: Retrieving desktop.jpg details...", "busy", "idle", "idle"}));
    EXPECT_EQ(ui.dialogFolders, QStringList{QCoreApplication::applicationDirPath() + "/Korvell/"});
    EXPECT_EQ(ui.input, archive);
    EXPECT_TRUE(fs::exists(inWorkspace("image/mi1.gif").toStdString()));
    EXPECT_TRUE(fs::is_empty(privateTemp()));       // the decoded tar is gone
    EXPECT_TRUE(fs::exists(archive.toStdString())); // the chosen file is never touched
}

// A FAT-formatted stick shows "IMG.BZ2"; a plain tar may be called anything.
TEST_F(Pipelines, WhatTheFileHoldsDecidesNotItsName) {
    const struct {
        const char* name;
        bool compressed;
    } rows[] = {{"IMG.BZ2", true}, {"theme.BZ2", false}, {"img.bz2", false}, {"theme", true}};
    for (const auto& row : rows) {
        const QString archive =
            theme(row.name, {{"image/desktop.jpg", jpegPicture(8, 8)}}, row.compressed);
        QStringList expected{"log: Unpacked Files :1", "log: Retrieving desktop.jpg details..."};
        if (row.compressed)
            expected.prepend("log: Unpacking img.bz2...");
        EXPECT_EQ(open(archive).filter("log: "), expected) << row.name;
        EXPECT_TRUE(fs::is_empty(privateTemp())) << row.name;
    }
}

TEST_F(Pipelines, InputThatIsNoArchiveBeepsAndPreviewsWhatWasThere) {
    open(theme("first.bz2", {{"image/desktop.jpg", jpegPicture(8, 8)}}));
    for (const auto& [name, content] :
         {std::pair{"img.bz2", "no bzip2 here"}, {"empty.bz2", ""}, {"notes.tar", "text"}}) {
        const QString fake = QString::fromStdString(writeFile(scratch / name, content));
        EXPECT_EQ(open(fake),
                  QStringList({"busy", "log: Unpacking img.bz2...", "beep",
                               "message: Error unpacking the img.bz2.",
                               "log: Retrieving desktop.jpg details...", "busy", "idle", "idle"}))
            << name;
        EXPECT_TRUE(fs::is_empty(privateTemp())) << name;
    }
    EXPECT_EQ(treeOf(workspace.toStdString()).size(), 1u);
}

TEST_F(Pipelines, ACutShortArchiveIsAnErrorAndLeavesNoPartialFile) {
    const QString archive = theme("img.bz2", {{"image/desktop.jpg", jpegPicture(320, 210)}});
    QFile file(archive);
    file.open(QIODevice::ReadWrite);
    file.resize(file.size() / 2);
    file.close();
    EXPECT_TRUE(open(archive).contains("message: Error unpacking the img.bz2."));
    EXPECT_TRUE(fs::is_empty(privateTemp()));
    EXPECT_FALSE(fs::exists(inWorkspace("image").toStdString()));
}

TEST_F(Pipelines, ASecondArchiveKeepsWhatTheFirstLeft) {
    open(theme("one.bz2", {{"image/a.gif", gifPicture(4, 4)}}));
    open(theme("two.bz2", {{"image/b.gif", gifPicture(4, 4)}}));
    EXPECT_TRUE(fs::exists(inWorkspace("image/a.gif").toStdString()));
    EXPECT_TRUE(fs::exists(inWorkspace("image/b.gif").toStdString()));
}

TEST_F(Pipelines, ACancelledDialogOrAMissingFileLogsNothing) {
    editor.openArchive(); // cancelled
    EXPECT_TRUE(ui.logLines().isEmpty());
    open(outside("missing.bz2"));
    EXPECT_TRUE(ui.logLines().isEmpty());
    EXPECT_EQ(ui.input, outside("missing.bz2"));
}

TEST_F(Pipelines, ReaderErrorsReachTheLogBeforeTheCount) {
    TarBuilder evil;
    evil.file("../escape.txt", "x").file("image/ok.gif", "y").finish();
    const QString archive = QString::fromStdString(evil.write(scratch / "evil.tar"));
    const QStringList lines = open(archive).filter("log: ");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(lines[0].startsWith("log: Error opening file : ")) << lines[0].toStdString();
    EXPECT_EQ(lines[1], "log: Unpacked Files :1");
    EXPECT_FALSE(fs::exists(scratch / "escape.txt"));
}

TEST_F(Pipelines, UndoTakesChangesBackNewestFirstButNeverPastANewArchive) {
    const QByteArray first = gifPicture(40, 40), second = gifPicture(30, 30);
    const std::string slotFile = inWorkspace("image/mi1.gif").toStdString();
    const auto change = [&](int size) {
        ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), gifPicture(size, size)));
        editor.slotEditor().changePicture();
    };
    open(theme("one.tar", {{"image/mi1.gif", first}}, false));
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    change(50);
    change(55);
    EXPECT_TRUE(editor.slotEditor().undoChange());
    EXPECT_EQ(QByteArray::fromStdString(readFile(slotFile)), gifPicture(50, 50));
    EXPECT_TRUE(editor.slotEditor().undoChange());
    EXPECT_EQ(QByteArray::fromStdString(readFile(slotFile)), first);
    EXPECT_EQ(ui.logLines().filter("Restored image mi1.gif").size(), 2);
    ui.events.clear();
    EXPECT_FALSE(editor.slotEditor().undoChange()); // nothing left to take back, and it says so
    EXPECT_EQ(ui.logLines(), QStringList{"Nothing to undo: no change is kept."});

    change(55);
    open(theme("two.tar", {{"image/mi1.gif", second}}, false));
    EXPECT_FALSE(editor.slotEditor().undoChange()); // the old content must not go over the new
    EXPECT_EQ(QByteArray::fromStdString(readFile(slotFile)), second);
}

// An archive of the other model unpacks without an error; one line says whose files it holds.
TEST_F(Pipelines, AnArchiveOfTheOtherModelIsNamedInOneWarning) {
    struct Case {
        const char* what;
        std::vector<std::pair<std::string, QByteArray>> files;
        const char* warning; // empty: none
    };
    const QByteArray picture = gifPicture(8, 8);
    const Case cases[] = {
        {"Korvell Plus files",
         {{"image/en/desktop.jpg", picture}, {"image/en/mainmenu.jpg", picture}},
         "Warning : the archive holds no slot file of Korvell, but 2 of Korvell Plus."},
        {"one Korvell file among them",
         {{"image/en/desktop.jpg", picture}, {"image/mi1.gif", picture}},
         ""},
        {"files of no slot", {{"readme.txt", picture}}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(workspace.toStdString());
        const QStringList warnings = open(theme("img.bz2", c.files)).filter("Warning");
        EXPECT_EQ(warnings, *c.warning ? QStringList{QString("log: ") + c.warning} : QStringList());
    }
}

// What a close or another open would throw away: a change, until an unpack or a compile.
TEST_F(Pipelines, TheWorkspaceCountsAsChangedFromAChangeToTheNextUnpackOrCompile) {
    const QString archive = theme("img.bz2", {{"image/mi1.gif", gifPicture(40, 40)}});
    const auto change = [&] {
        ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), gifPicture(50, 50)));
        editor.slotEditor().changePicture();
    };
    open(archive);
    EXPECT_FALSE(editor.session().changed);
    ASSERT_EQ(select(4), pictures::SlotEditor::PreviewResult::Shown);
    change();
    EXPECT_TRUE(editor.session().changed);
    open(archive);
    EXPECT_FALSE(editor.session().changed);
    change();
    ui.output = outside("out.bz2");
    editor.pipelines().compile();
    EXPECT_FALSE(editor.session().changed);
    EXPECT_TRUE(editor.slotEditor().undoChange());
    EXPECT_TRUE(editor.session().changed);
}

TEST_F(Pipelines, AnEmptyOutputFieldOnlyShowsTheErrorBox) {
    editor.pipelines().compile();
    EXPECT_EQ(ui.events, QStringList{"error: Please select an output file !"});
    EXPECT_TRUE(ui.outputFocused);
}

TEST_F(Pipelines, OpenChangeCompileAndAgain) {
    const QByteArray desktop = jpegPicture(320, 210);
    open(theme("img.bz2", {{"image/desktop.jpg", desktop},
                           {"image/mi1.gif", gifPicture(40, 40)},
                           {"image/en/old/.keep", ""}}));
    ui.output = outside("out/theme.bz2");
    fs::create_directories(scratch / "out");

    select(4);
    const QByteArray first = gifPicture(50, 50);
    ui.pictures.enqueue(writeBytes(outside("pick/mi1.gif"), first));
    editor.slotEditor().changePicture();
    ui.events.clear();
    editor.pipelines().compile();
    EXPECT_EQ(ui.logLines(), QStringList({"Compiling img.bz2...", "Process Done!"}));
    EXPECT_EQ(members(ui.output), "image/desktop.jpg " + std::to_string(desktop.size()) +
                                      "\nimage/en/old/.keep 0\nimage/mi1.gif " +
                                      std::to_string(first.size()) + "\n");
    EXPECT_EQ(memberContent(ui.output, "image/mi1.gif"), first);

    const QByteArray second = gifPicture(52, 52);
    ui.pictures.enqueue(writeBytes(outside("pick2/mi1.gif"), second));
    editor.slotEditor().changePicture();
    editor.pipelines().compile();
    EXPECT_EQ(memberContent(ui.output, "image/mi1.gif"), second);
    EXPECT_EQ(members(ui.output).find("img.tar"), std::string::npos);
    EXPECT_EQ(fs::directory_iterator(scratch / "out")->path().filename(),
              "theme.bz2"); // no leftovers
}

TEST_F(Pipelines, AFailedCompileLeavesTheOutputAsItWas) {
    const QString output = QString::fromStdString(writeFile(scratch / "out.bz2", "precious"));
    ui.output = output;
    editor.pipelines().compile(); // nothing opened: no workspace
    const QStringList lines = ui.logLines();
    EXPECT_EQ(lines.first(), "Compiling img.bz2...");
    EXPECT_EQ(lines.last(), "Compile img.bz2 error : Nothing to do");
    EXPECT_EQ(readFile(output.toStdString()), "precious");

    open(theme("img.bz2", {{"image/desktop.jpg", jpegPicture(8, 8)}}));
    ui.output = outside("no/such/folder/out.bz2");
    editor.pipelines().compile();
    EXPECT_TRUE(ui.logLines().last().startsWith("Compile img.bz2 error : Cannot create file \""))
        << ui.logLines().last().toStdString();
}

} // namespace
} // namespace palvex::test
