#include "platform/temporary_file.h"
#include "platform/temporary_files.h"
#include "tests/support/scratch_folder.h"

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace palvex::platform {
namespace {

namespace fs = std::filesystem;

// Points $TMPDIR at a scratch folder for one test.
class TemporaryFiles : public ::testing::Test {
protected:
    void SetUp() override {
        const char* old = std::getenv("TMPDIR");
        saved_ = old ? std::optional<std::string>(old) : std::nullopt;
        ::setenv("TMPDIR", scratch.path().c_str(), 1);
    }
    void TearDown() override {
        if (saved_)
            ::setenv("TMPDIR", saved_->c_str(), 1);
        else
            ::unsetenv("TMPDIR");
    }
    std::string expected() const {
        return scratch / ("palvex-image-changer-" + std::to_string(::getuid())) + "/";
    }

    test::ScratchFolder scratch;
    std::optional<std::string> saved_;
};

TEST_F(TemporaryFiles, FolderIsPrivateAndEndsWithASeparator) {
    const std::string folder = temporaryFolder();
    EXPECT_EQ(folder, expected());
    struct stat st {};
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(temporaryFolder(), folder); // asked again: the same folder
}

TEST_F(TemporaryFiles, FolderThatOthersMayReadIsMadePrivate) {
    std::string folder = expected();
    folder.pop_back();
    fs::create_directory(folder);
    ::chmod(folder.c_str(), 0777);
    EXPECT_EQ(temporaryFolder(), expected());
    struct stat st {};
    ::stat(folder.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
}

// Something else under our name (planted by another user, say) is never used nor changed: a
// fresh private folder beside it is, and later runs find that one again.
TEST_F(TemporaryFiles, WhatElseHasOurNameIsLeftAndAFreshFolderUsed) {
    std::string taken = expected();
    taken.pop_back();
    const struct {
        const char* what;
        std::function<void()> plant;
    } rows[] = {
        {"a link to a folder",
         [&] {
             test::makeFolder(scratch / "elsewhere");
             fs::create_directory_symlink(scratch / "elsewhere", taken);
         }},
        {"a file",
         [&] {
             test::writeFile(taken, "x");
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        fs::remove_all(scratch.path());
        fs::create_directory(scratch.path());
        row.plant();
        const auto before = fs::symlink_status(taken).type();
        const std::string fresh = temporaryFolder();
        ASSERT_EQ(fresh.rfind(taken + "-", 0), 0u) << fresh;
        struct stat st {};
        ASSERT_EQ(::lstat(fresh.c_str(), &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        EXPECT_EQ(st.st_uid, ::getuid());
        EXPECT_EQ(temporaryFolder(), fresh);
        EXPECT_EQ(fs::symlink_status(taken).type(), before);
        EXPECT_FALSE(fs::exists(scratch / "elsewhere") && !fs::is_empty(scratch / "elsewhere"));
    }
}

TEST_F(TemporaryFiles, AMissingTemporaryFolderIsNamedWithTheReason) {
    ::setenv("TMPDIR", (scratch / "none").c_str(), 1);
    std::string problem;
    EXPECT_EQ(temporaryFolder(&problem), "");
    EXPECT_EQ(problem, scratch / "none: No such file or directory");
    const TemporaryFile file;
    EXPECT_FALSE(file);
    EXPECT_EQ(file.problem(), problem);
}

TEST_F(TemporaryFiles, TemporaryFilesAreNewUniqueAndCarryThePrefix) {
    const std::string folder = temporaryFolder();
    const std::string first = createTemporaryFile(folder, "arq");
    const std::string second = createTemporaryFile(folder, "arq");
    ASSERT_FALSE(first.empty());
    EXPECT_NE(first, second);
    EXPECT_EQ(fs::path(first).parent_path(), fs::path(folder).parent_path());
    EXPECT_EQ(fs::path(first).filename().string().rfind("arq", 0), 0u);
    EXPECT_EQ(fs::file_size(first), 0u);
    EXPECT_EQ(createTemporaryFile(scratch / "missing", "arq"), "");
    EXPECT_EQ(createTemporaryFile("", "arq"), "");
}

// A folder of verify, sheet or fit: private, named after its process, gone with all it holds
// when the object goes, and never through the links in it.
TEST_F(TemporaryFiles, ATemporaryFolderCarriesItsProcessAndGoesWhole) {
    const std::string outside = test::writeFile(scratch / "outside/keep", "keep");
    std::string path;
    {
        const TemporaryFolder folder("theme");
        ASSERT_TRUE(folder);
        path = folder.path();
        EXPECT_EQ(fs::path(path).parent_path().string() + "/", expected());
        EXPECT_EQ(fs::path(path).filename().string().rfind(
                      "theme.pid" + std::to_string(::getpid()) + ".", 0),
                  0u);
        struct stat st {};
        ASSERT_EQ(::stat(path.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u);
        test::writeFile(path + "/image/en/x.gif", "x");
        fs::create_directory_symlink(scratch / "outside", path + "/image/out");
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(path)));
    EXPECT_EQ(test::readFile(outside), "keep");
}

// A run killed by a signal leaves its files behind; the next run removes them, and nothing
// else: not a file in use, not one of another program, not a link nor what it leads to.
TEST_F(TemporaryFiles, TheSweepRemovesOnlyWhatKilledRunsLeft) {
    EXPECT_EQ(sweepStaleTemporaryFiles(), 0);
    EXPECT_FALSE(fs::exists(expected())); // no folder is made for nothing
    const pid_t dead = ::fork();
    if (dead == 0)
        ::_exit(0);
    ::waitpid(dead, nullptr, 0);
    const std::string folder = temporaryFolder();
    const std::string stale = folder + "arq.pid" + std::to_string(dead) + ".";
    const std::string outside = test::writeFile(scratch / "outside", "keep");
    const std::vector<std::pair<std::string, bool>> entries = {
        {test::writeFile(stale + "Ab12Cd", "x"), true},
        {test::writeFile(stale + "Ab12Cd.tar", "x"), true},
        {test::writeFile(folder + "undo-.pid" + std::to_string(dead) + ".zZ9y8X", "x"), true},
        {createTemporaryFile(folder, "arq"), false}, // this run's own
        {test::writeFile(folder + "arq.pid" + std::to_string(::getppid()) + ".Pp1234", "x"),
         false}, // a run still going
        {test::writeFile(stale + "Held00", "x"), false},
        {test::writeFile(stale + "short", "x"), false},
        {test::writeFile(stale + "Ab-1_d", "x"), false},
        {test::writeFile(folder + "workspace-0123456789abcdef.lock", "x"), false},
        {stale + "Link00", false},
        // A folder goes with what it holds; a link in it goes as a link.
        {test::writeFile(stale + "Dir000/sub/x.gif", "x"), true},
        {test::writeFile(stale + "HeldDr/x.gif", "x"), false},
        {test::writeFile(folder + "theme.pid" + std::to_string(::getppid()) + ".Rn1234/x", "x"),
         false},
    };
    fs::create_symlink(outside, stale + "Link00");
    fs::create_symlink(scratch.path(), stale + "Dir000/sub/up");
    // Held by a process this one cannot see, as in another PID namespace.
    const int held = ::open((stale + "Held00").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_SH), 0);
    const int heldFolder = ::open((stale + "HeldDr").c_str(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(heldFolder, LOCK_SH), 0);

    EXPECT_EQ(sweepStaleTemporaryFiles(), 4);
    ::close(held);
    ::close(heldFolder);
    EXPECT_FALSE(fs::exists(fs::symlink_status(stale + "Dir000")));
    for (const auto& [path, goes] : entries)
        EXPECT_EQ(fs::exists(fs::symlink_status(path)), !goes) << path;
    EXPECT_EQ(test::readFile(outside), "keep");
}

// verify, sheet and fit unpack into folders of their own: killed, they leave them as a file.
TEST_F(TemporaryFiles, AKilledRunsFilesAndFoldersGoAtTheNextSweep) {
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        const TemporaryFile file("arq");
        const TemporaryFolder folder("theme");
        const char made =
            file && folder && !test::writeFile(folder.path() + "/x.gif", "x").empty() ? 1 : 0;
        [[maybe_unused]] const auto written = ::write(ready[1], &made, 1);
        ::pause(); // until killed: the file stays behind
        ::_exit(0);
    }
    ASSERT_GT(child, 0);
    char made = 0;
    ASSERT_EQ(::read(ready[0], &made, 1), 1);
    ASSERT_EQ(made, 1);
    EXPECT_EQ(sweepStaleTemporaryFiles(), 0); // its process still runs
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(sweepStaleTemporaryFiles(), 2);
    EXPECT_TRUE(fs::is_empty(expected()));
    ::close(ready[0]);
    ::close(ready[1]);
}

} // namespace
} // namespace palvex::platform
