// What the commands that write a file (compile, fit --output, sheet) do with the output name
// they are given: nothing but a regular file or a link is replaced, never the input, never a
// file of the workspace.
#include "tests/cli/cli_runner.h"
#include "tests/support/picture_bytes.h"
#include "tests/support/scratch_folder.h"

#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace palvex::test {
namespace {

namespace fs = std::filesystem;

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

// The kind of what stands at path, a link not followed, and the start of a file's content.
std::string entry(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return "nothing";
    if (S_ISREG(st.st_mode))
        return "file " + std::string(readFile(path), 0, 16);
    if (S_ISLNK(st.st_mode))
        return "link " + fs::read_symlink(path).string();
    if (S_ISDIR(st.st_mode))
        return "folder";
    if (S_ISFIFO(st.st_mode))
        return "fifo";
    return S_ISCHR(st.st_mode) ? "device" : "other";
}

class OutputsCli : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(runTheme({"unpack", PALVEX_SAMPLE_KORVELL, "--workspace", q(workspace)}).exitCode,
                  0);
        fs::copy_file(PALVEX_SAMPLE_KORVELL, archive);
        writeBytes(q(picture), jpegPicture(40, 30));
        writeFile(precious, "precious");
        makeFolder(scratch / "to");
        fs::create_symlink(workspace + "/image", scratch / "linked-image");
        // A device of the test's own: nothing here may ever be pointed at the system's.
        if (::getuid() == 0) {
            ASSERT_EQ(::mknod(device.c_str(), S_IFCHR | 0666, ::makedev(1, 3)), 0);
        }
    }

    ScratchFolder scratch;
    const std::string workspace = scratch / "W";
    const std::string archive = scratch / "theme.png"; // read by its content, whatever its name
    const std::string picture = scratch / "in.jpg";
    const std::string precious = scratch / "precious";
    // Only root can make one; another user cannot replace /dev/null however wrong the program.
    const std::string device = ::getuid() == 0 ? scratch / "null" : "/dev/null";
};

TEST_F(OutputsCli, OnlyARegularFileOrALinkIsReplacedAndNeverTheInputOrTheWorkspace) {
    struct Command {
        const char* name;
        const char* suffix;
        std::string input; // the file the command reads, if any
        std::function<QStringList(const QString&)> arguments;
    } const commands[] = {
        {"compile", ".bz2", "",
         [&](const QString& out) {
             return QStringList{"compile", out, "--workspace", q(workspace)};
         }},
        {"fit", ".jpg", picture,
         [&](const QString& out) {
             return QStringList{"fit",      "korvell", "desktop.jpg", q(picture),
                                "--output", out,       "--workspace", q(workspace)};
         }},
        {"sheet", ".png", archive,
         [&](const QString& out) {
             return QStringList{"sheet", "korvell", out, q(archive), "--workspace", q(workspace)};
         }},
    };
    enum class Expect { Refused, LinkReplaced, NotApplicable };
    struct Case {
        const char* what;
        // Makes what stands at the output and answers the output's name; suffix is the
        // command's own, input what it reads.
        std::function<std::string(const std::string& suffix, const std::string& input)> make;
        const char* says; // a part of the refusal
        Expect compile = Expect::Refused;
        Expect others = Expect::Refused;
    } const cases[] = {
        {"a FIFO (opening it would hang)",
         [&](const std::string& suffix, const std::string&) {
             const std::string out = scratch / ("fifo" + suffix);
             ::mkfifo(out.c_str(), 0644);
             return out;
         },
         "is a FIFO, not a regular file"},
        {"a folder",
         [&](const std::string& suffix, const std::string&) {
             const std::string out = scratch / ("folder" + suffix);
             makeFolder(out);
             return out;
         },
         "is a folder, not a regular file"},
        {"a device",
         [&](const std::string& suffix, const std::string&) {
             if (::getuid() != 0)
                 return device;
             // The device's name takes each command's suffix, so that only its kind refuses it.
             const std::string out = scratch / ("device" + suffix);
             ::mknod(out.c_str(), S_IFCHR | 0666, ::makedev(1, 3));
             return out;
         },
         "is a device, not a regular file"},
        {"a link to a device: the link is replaced",
         [&](const std::string& suffix, const std::string&) {
             const std::string out = scratch / ("to/device" + suffix);
             fs::create_symlink(device, out);
             return out;
         },
         "", Expect::LinkReplaced, Expect::LinkReplaced},
        {"a link to a file: the link is replaced",
         [&](const std::string& suffix, const std::string&) {
             const std::string out = scratch / ("to/file" + suffix);
             fs::create_symlink(precious, out);
             return out;
         },
         "", Expect::LinkReplaced, Expect::LinkReplaced},
        {"the input", [&](const std::string&, const std::string& input) { return input; },
         "is the input file", Expect::NotApplicable},
        {"a file of the workspace, reached through a linked folder",
         [&](const std::string& suffix, const std::string&) {
             return scratch / ("linked-image/new" + suffix);
         },
         "inside the workspace"},
        {"the workspace's lock file",
         [&](const std::string&, const std::string&) { return workspace + ".lock"; },
         "inside the workspace"},
        {"a name of another format",
         [&](const std::string&, const std::string&) { return scratch / "out.gif"; }, "must end in",
         Expect::NotApplicable},
    };
    for (const Case& c : cases) {
        for (const Command& command : commands) {
            const Expect expect = std::string(command.name) == "compile" ? c.compile : c.others;
            if (expect == Expect::NotApplicable)
                continue;
            SCOPED_TRACE(std::string(command.name) + " to " + c.what);
            const std::string out = c.make(command.suffix, command.input);
            const std::string before = entry(out), deviceBefore = entry(device);
            const std::string workspaceBefore = entry(workspace + "/image/desktop.jpg");
            const CliResult run = runTheme(command.arguments(q(out)));
            if (expect == Expect::Refused) {
                EXPECT_EQ(run.exitCode, 1); // -1 when it hung and was killed
                EXPECT_TRUE(run.err.contains(c.says)) << run.err.toStdString();
                EXPECT_EQ(entry(out), before);
            } else {
                EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
                EXPECT_EQ(entry(out).substr(0, 5), "file ");
            }
            EXPECT_EQ(entry(device), deviceBefore);
            EXPECT_EQ(entry(precious), "file precious");
            EXPECT_EQ(entry(workspace + "/image/desktop.jpg"), workspaceBefore);
            EXPECT_EQ(entry(workspace + "/image/new" + command.suffix), "nothing");
            if (entry(out).starts_with("file ") && out != command.input)
                fs::remove(out);
        }
    }
}

} // namespace
} // namespace palvex::test
