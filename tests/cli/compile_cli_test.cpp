// The compile as a user meets it from a shell: what it refuses, what it leaves alone, and
// one pipeline per workspace.
#include "tests/support/archive_helpers.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <QLockFile>
#include <QProcess>
#include <QSysInfo>

#include <chrono>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace palvex::test {
namespace {

namespace fs = std::filesystem;

struct ThemeRun {
    bool finished = false; // false: it hung and was killed
    int exitCode = -1;
    std::string out, err;
};

// The harness bounds every run: a program that hangs is killed and reported, never waited on.
ThemeRun theme(const QStringList& arguments, const std::string& folder = {}) {
    QProcess process;
    if (!folder.empty())
        process.setWorkingDirectory(QString::fromStdString(folder));
    process.start(QStringLiteral(PALVEX_THEME), arguments);
    ThemeRun run;
    run.finished = process.waitForFinished(20000);
    if (!run.finished)
        process.kill();
    process.waitForFinished(5000);
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput().toStdString();
    run.err = process.readAllStandardError().toStdString();
    return run;
}

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string listing(const std::string& archive) {
    std::string out;
    shell("bzip2 -dc '" + archive + "' | tar -tf - | LC_ALL=C sort", &out);
    return out;
}

// Names, kinds, sizes and dates of everything in a folder.
std::string tree(const std::string& folder) {
    std::string out;
    shell("cd '" + folder + "' && find . -printf '%p %y %s %T@\\n' | sort", &out);
    return out;
}

class CompileCli : public ::testing::Test {
protected:
    CompileCli() {
        writeFile(workspace + "/image/desktop.jpg", jpegPicture(8, 8).toStdString());
        writeFile(output, "precious");
    }
    ThemeRun compile(const std::string& out) {
        return theme({"compile", q(out), "--workspace", q(workspace)});
    }

    ScratchFolder scratch;
    const std::string workspace = scratch / "W";
    const std::string output = scratch / "out.bz2";
};

TEST_F(CompileCli, WhatCannotBeStoredFailsTheCompileNamingTheFileAndLeavesTheOutput) {
    struct Case {
        const char* what;
        std::string name;
        std::function<void(const std::string&)> make;
    } const cases[] = {
        {"FIFO", "image/pipe.gif",
         [](const std::string& p) {
             ::mkfifo(p.c_str(), 0644);
         }},
        {"link", "image/link.gif",
         [&](const std::string& p) {
             fs::create_symlink(workspace + "/image/desktop.jpg", p);
         }},
        {"name outside code page 437", "image/\xE6\x97\xA5.gif",
         [](const std::string& p) {
             writeFile(p, "x");
         }},
        {"backslash name", "x\\..\\..\\evil.gif",
         [](const std::string& p) {
             writeFile(p, "x");
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = workspace + "/" + c.name;
        c.make(path);
        const ThemeRun run = compile(output);
        ASSERT_TRUE(run.finished) << "the compile hung";
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find(" : " + path + " ("), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("\nCompile img.bz2 error : "), std::string::npos) << run.out;
        EXPECT_EQ(readFile(output), "precious");
        fs::remove(path);
    }
}

// What the window asks about before a compile is said on stderr; --strict makes it an error.
TEST_F(CompileCli, FindingsAreNamedOnStderrAndStrictRefusesThem) {
    struct Case {
        const char* what;
        std::function<void()> spoil;
        QStringList options;
        int exitCode;
        const char* finding; // on stderr; empty: nothing
    } const cases[] = {
        {"a sound theme", [] {}, {"--strict"}, 0, ""},
        {"a slot over its kb",
         [&] { writeFile(workspace + "/image/desktop.jpg", std::string(46081, 'x')); },
         {},
         0,
         "Desktop (image/desktop.jpg): "},
        {"a slot over its kb, strict",
         [&] { writeFile(workspace + "/image/desktop.jpg", std::string(46081, 'x')); },
         {"--strict"},
         1,
         "Desktop (image/desktop.jpg): "},
        {"a slot over its height and width, strict",
         [&] { writeBytes(q(workspace + "/image/desktop.jpg"), jpegPicture(321, 210)); },
         {"--strict"},
         1,
         "kb H:210 W:321, limits 45.00 kb H:210 W:320; over H:210 W:320"},
        {"a slot cut short, strict",
         [&] { writeBytes(q(workspace + "/image/mi1.gif"), gifPicture(55, 55).left(40)); },
         {"--strict"},
         1,
         "1. User (image/mi1.gif): unreadable, "},
        {"a file of no slot, strict",
         [&] { writeFile(workspace + "/readme.txt", "x"); },
         {"--strict"},
         1,
         "readme.txt: the file of no slot"},
        {"checked against the other model",
         [] {},
         {"--model", "korvell-plus"},
         0,
         "The workspace holds no slot file of Korvell Plus, but 30 of Korvell."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(workspace);
        ASSERT_EQ(theme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", q(workspace)}).exitCode,
                  0);
        writeFile(output, "precious");
        c.spoil();
        const ThemeRun run =
            theme(QStringList{"compile", q(output), "--workspace", q(workspace)} + c.options);
        EXPECT_EQ(run.exitCode, c.exitCode) << run.err;
        if (*c.finding)
            EXPECT_NE(run.err.find(c.finding), std::string::npos) << run.err;
        else
            EXPECT_EQ(run.err, "");
        EXPECT_EQ(run.err.find("--strict makes them errors") != std::string::npos, c.exitCode == 1);
        EXPECT_EQ(readFile(output) == "precious", c.exitCode == 1);
    }
}

TEST_F(CompileCli, AnUnpackForAModelNamesTheOtherModelWhoseFilesTheArchiveHolds) {
    const auto unpack = [&](const char* model) {
        return theme(
            {"unpack", PALVEX_SAMPLE_KORVELL_PLUS, "--model", model, "--workspace", q(workspace)});
    };
    const ThemeRun other = unpack("korvell");
    EXPECT_EQ(other.exitCode, 0) << other.err;
    EXPECT_NE(other.out.find("\nWarning : the archive holds no slot file of Korvell, but 20 of "
                             "Korvell Plus.\n"),
              std::string::npos)
        << other.out;
    const ThemeRun own = unpack("korvell-plus");
    EXPECT_EQ(own.exitCode, 0) << own.err;
    EXPECT_EQ(own.out.find("Warning"), std::string::npos) << own.out;
}

TEST_F(CompileCli, PicturesThatAreNotRegularFilesAreRefusedAtOnce) {
    const std::string fifo = scratch / "pick/desktop.jpg";
    makeFolder(scratch / "pick");
    ::mkfifo(fifo.c_str(), 0644);
    ::mkfifo((workspace + "/image/mi1.gif").c_str(), 0644);
    const QString ws = q(workspace);
    const QStringList commands[] = {
        {"show", "korvell", "4", "--workspace", ws},
        {"check", "korvell", "Desktop", q(fifo), "--workspace", ws},
        {"change", "korvell", "Desktop", q(fifo), "--workspace", ws},
    };
    for (const QStringList& arguments : commands) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ThemeRun run = theme(arguments);
        ASSERT_TRUE(run.finished) << "it hung";
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("is not a regular file"), std::string::npos) << run.err;
    }
}

// Dot files, hidden folders, names that differ only in case: on this file system each is a
// file of its own, and each is stored.
TEST_F(CompileCli, DotFilesAndAUsersImgTarAreStoredAndTheWorkspaceIsLeftAsItWas) {
    writeFile(workspace + "/.hidden.gif", "dot");
    writeFile(workspace + "/.kept/in.gif", "in a hidden folder");
    writeFile(workspace + "/image/Desktop.jpg", "another file");
    writeFile(workspace + "/img.tar", "the user's own");
    const std::string before = tree(workspace);
    const ThemeRun run = compile(output);
    EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
    EXPECT_EQ(listing(output),
              ".hidden.gif\n.kept/in.gif\nimage/Desktop.jpg\nimage/desktop.jpg\nimg.tar\n");
    EXPECT_EQ(tree(workspace), before);
}

TEST_F(CompileCli, AnOutputInsideTheWorkspaceIsRefusedBeforeAnythingIsWritten) {
    const std::string before = tree(workspace);
    for (const std::string& inside :
         {workspace + "/out.bz2", workspace + "/image/../x.bz2", workspace + ".lock"}) {
        const ThemeRun run = theme({"compile", q(inside), "--workspace", q(workspace)});
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.err.find("inside the workspace"), std::string::npos) << run.err;
        EXPECT_EQ(tree(workspace), before);
    }
}

TEST_F(CompileCli, AnUnreadableFolderFailsTheCompile) {
    makeFolder(workspace + "/image/locked");
    writeFile(workspace + "/image/locked/x.gif", "x");
    ::chmod((workspace + "/image/locked").c_str(), 0);
    QStringList arguments{"compile", q(output), "--workspace", q(workspace)};
    ThemeRun run;
    if (::getuid() != 0) {
        run = theme(arguments);
    } else {
        // Root reads every folder; a user without rights meets the refusal.
        ASSERT_EQ(std::system("command -v setpriv >/dev/null"), 0)
            << "as root this test needs setpriv to run the compile as an unprivileged user";
        // The program is copied into the scratch folder: the build tree may lie below a
        // folder that user cannot enter (a clone made in a mktemp folder, say), and so may a
        // sanitizer's suppressions, which that run then goes without.
        const std::string program = scratch / "palvex-theme";
        fs::copy_file(PALVEX_THEME, program);
        shell("chmod -R a+rwX '" + scratch.path() + "' && chmod 0 '" + workspace +
              "/image/locked'");
        std::string out;
        const int status =
            shell("setpriv --reuid=65534 --regid=65534 --clear-groups env -u LSAN_OPTIONS "
                  "ASAN_OPTIONS=detect_leaks=0 TMPDIR='" +
                      scratch.path() + "' '" + program + "' compile '" + output +
                      "' --workspace '" + workspace + "'",
                  &out);
        run = {true, status, out, {}};
    }
    ::chmod((workspace + "/image/locked").c_str(), 0700);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find(workspace + "/image/locked/ (the folder cannot be read)"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(readFile(output), "precious");
}

// The temporary folder on a small file system of the test's own, mounted in a user namespace.
TEST_F(CompileCli, AFullDiskIsReportedAsSuchAndLeavesNoPartialTar) {
    ASSERT_EQ(std::system("unshare -r -m true"), 0)
        << "this test needs user namespaces (unshare -r -m) to mount a small file system";
    const std::string small = scratch / "small";
    makeFolder(small);
    struct Case {
        const char* what;
        int files;
        int size;
    } const cases[] = {
        {"a write that goes short", 1, 300000},
        {"a full disk met at the final flush", 20, 3000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(workspace + "/data");
        for (int i = 0; i < c.files; ++i)
            writeFile(workspace + "/data/" + std::to_string(i) + ".bin",
                      std::string(static_cast<std::size_t>(c.size), static_cast<char>('a' + i)));
        std::string out;
        shell("unshare -r -m sh -c 'mount -t tmpfs -o size=64k tmpfs " + small + " && TMPDIR=" +
                  small + " " + PALVEX_THEME + " compile " + output + " --workspace " + workspace +
                  "; echo \"compile=$?\"; ls -A " + small + "/*/ | wc -l' 2>&1",
              &out);
        EXPECT_NE(out.find("\nCompile img.bz2 error : Disk full : "), std::string::npos) << out;
        EXPECT_NE(out.find("compile=1\n0\n"), std::string::npos) << out;
        EXPECT_EQ(readFile(output), "precious");
    }
}

TEST_F(CompileCli, AWorkspaceHeldByAnotherProgramIsNotTouched) {
    QLockFile held(q(workspace + ".lock"));
    ASSERT_TRUE(held.tryLock(0));
    const std::string sentence =
        "The workspace is in use by another program (process " + std::to_string(::getpid()) + ").";
    const QStringList commands[] = {
        {"compile", q(output), "--workspace", q(workspace)},
        {"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", q(workspace)},
        {"clean", "--workspace", q(workspace)},
        {"change", "korvell", "Desktop",
         q(writeFile(scratch / "pick/desktop.jpg", jpegPicture(9, 9).toStdString())), "--workspace",
         q(workspace)},
    };
    for (const QStringList& arguments : commands) {
        const ThemeRun run = theme(arguments);
        EXPECT_EQ(run.exitCode, 1) << arguments.join(' ').toStdString();
        // The last line: a compile first names what is missing from this one-slot workspace.
        EXPECT_EQ(run.err.substr(run.err.rfind('\n', run.err.size() - 2) + 1), sentence + "\n");
    }
    EXPECT_EQ(readFile(output), "precious");
    EXPECT_EQ(readFile(workspace + "/image/desktop.jpg"), jpegPicture(8, 8).toStdString());
    held.unlock();
    EXPECT_EQ(compile(output).exitCode, 0);
}

TEST_F(CompileCli, TheLockOfAProgramThatDiedIsTakenOver) {
    // A child takes the lock and dies without letting go of it.
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        QLockFile lock(q(workspace + ".lock"));
        ::_exit(lock.tryLock(0) ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_EQ(WEXITSTATUS(status), 0);
    ASSERT_TRUE(fs::exists(workspace + ".lock"));
    const ThemeRun run = compile(output);
    EXPECT_EQ(run.exitCode, 0) << run.err;

    // A lock file that never got its holder's name (a crash while writing it) holds nothing
    // once it is older than a moment; a fresh one may be a holder still writing.
    writeFile(workspace + ".lock", "");
    EXPECT_EQ(compile(output).exitCode, 1);
    const auto aMinuteAgo = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    fs::last_write_time(workspace + ".lock", aMinuteAgo);
    const ThemeRun after = compile(output);
    EXPECT_EQ(after.exitCode, 0) << after.err;
}

// Three programs at once on one workspace: each either does its whole work or says the
// workspace is in use and leaves its output alone, whichever way their runs interleave.
TEST_F(CompileCli, ConcurrentPipelinesEachFinishWholeOrSayTheWorkspaceIsInUse) {
    for (int i = 0; i < 10; ++i)
        writeFile(workspace + "/image/big" + std::to_string(i) + ".jpg",
                  std::string(1 << 19, static_cast<char>(i)));
    const std::string outputs[] = {output, scratch / "second.bz2", ""};
    const QStringList commands[] = {
        {"compile", q(outputs[0]), "--workspace", q(workspace)},
        {"compile", q(outputs[1]), "--workspace", q(workspace)},
        {"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", q(workspace)},
    };
    writeFile(outputs[1], "precious");
    QProcess runs[3];
    for (int i = 0; i < 3; ++i)
        runs[i].start(QStringLiteral(PALVEX_THEME), commands[i]);
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(commands[i].join(' ').toStdString());
        ASSERT_TRUE(runs[i].waitForFinished(60000)) << "it hung";
        const std::string err = runs[i].readAllStandardError().toStdString();
        if (runs[i].exitCode() != 0) {
            EXPECT_NE(err.find("The workspace is in use by another program"), std::string::npos)
                << err;
            if (!outputs[i].empty()) {
                EXPECT_EQ(readFile(outputs[i]), "precious");
            }
        } else if (!outputs[i].empty()) {
            const std::string members = listing(outputs[i]);
            EXPECT_NE(members.find("image/big9.jpg\n"), std::string::npos) << members;
            EXPECT_NE(members.find("image/desktop.jpg\n"), std::string::npos) << members;
            EXPECT_EQ(shell("bzip2 -t '" + outputs[i] + "'"), 0);
        }
    }
}

} // namespace
} // namespace palvex::test
