#include "platform/temporary_files.h"
#include "tests/support/scratch_folder.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
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

TEST_F(TemporaryFiles, APlantedLinkIsRefused) {
    std::string folder = expected();
    folder.pop_back();
    test::makeFolder(scratch / "elsewhere");
    fs::create_directory_symlink(scratch / "elsewhere", folder);
    EXPECT_EQ(temporaryFolder(), "");
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

} // namespace
} // namespace palvex::platform
