// The workspace's removal (palvex-theme clean, a whole process as a user runs it) against
// rm -rf, on a deep and on a wide tree.
#include "bench/measure.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

using namespace palvex::bench;
namespace fs = std::filesystem;

namespace {

void touch(int folder, const char* name) {
    ::close(::openat(folder, name, O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
}

// A slot file, so that clean takes the tree for a workspace.
int workspaceRoot(const std::string& root) {
    fs::create_directories(root + "/image");
    ::close(::open((root + "/image/desktop.jpg").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
    return ::open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
}

// chains of folders `depth` deep, a file at the bottom of each: made by handles, since the
// paths are longer than a path may be (what a few hundred bytes of archive unpack to).
void writeDeepTree(const std::string& root, int chains, int depth) {
    const int top = workspaceRoot(root);
    for (int chain = 0; chain < chains; ++chain) {
        std::string name = "c" + std::to_string(chain);
        int folder = ::dup(top);
        for (int level = 0; level < depth && folder >= 0; ++level) {
            ::mkdirat(folder, name.c_str(), 0755);
            const int deeper = ::openat(folder, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(folder);
            folder = deeper;
            name = "d";
        }
        touch(folder, "f");
        ::close(folder);
    }
    ::close(top);
}

void writeWideTree(const std::string& root, int folders, int files) {
    const int top = workspaceRoot(root);
    for (int i = 0; i < folders; ++i) {
        const std::string name = "set" + std::to_string(i);
        ::mkdirat(top, name.c_str(), 0755);
        const int folder = ::openat(top, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        for (int j = 0; j < files; ++j)
            touch(folder, ("p" + std::to_string(j) + ".gif").c_str());
        ::close(folder);
    }
    ::close(top);
}

} // namespace

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string theme =
        fs::canonical("/proc/self/exe").parent_path().string() + "/palvex-theme";
    const std::string folder = scratchFolder();
    const std::string tree = folder + "/W";
    std::printf("%-34s %11s %11s %7s %13s\n", "removal (best of runs)", "ours", "rm -rf", "ratio",
                "our peak");
    const struct {
        const char* name;
        std::function<void()> write;
    } shapes[] = {
        {"50 chains 2 000 folders deep",
         [&] {
             writeDeepTree(tree, 50, 2000);
         }},
        {"200 folders of 500 files",
         [&] {
             writeWideTree(tree, 200, 500);
         }},
    };
    for (const auto& shape : shapes) {
        // The tree's writeback must not fall into the timed run, ours or theirs.
        const auto fresh = [&] {
            shape.write();
            ::sync();
        };
        const Measurement ours =
            measureCommand({theme, "clean", "--workspace", tree}, "", "/dev/null", runs, fresh);
        const Measurement theirs = measureCommand({"rm", "-rf", tree}, "", "", runs, fresh);
        printRow(shape.name, ours, theirs);
    }
    // Deeper than a path may be long: std::filesystem cannot remove it, rm can.
    return std::system(("rm -rf " + folder).c_str()) == 0 ? 0 : 1;
}
