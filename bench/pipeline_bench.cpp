// The unpack and compile pipelines (through palvex-theme) against bzip2 and tar in a pipe.
#include "bench/measure.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

using namespace palvex::bench;
namespace fs = std::filesystem;

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    // "theme" as second argument measures the theme-sized tree only.
    const bool themeOnly = argc > 2 && std::string(argv[2]) == "theme";
    const std::string theme =
        fs::canonical("/proc/self/exe").parent_path().string() + "/palvex-theme";
    const std::string folder = scratchFolder();
    ::setenv("TMPDIR", folder.c_str(), 1);
    std::printf("%-34s %11s %11s %7s %13s\n", "pipelines (best of runs)", "ours", "bzip2+tar",
                "ratio", "our peak");
    struct Size {
        const char* name;
        long long bytes;
        int files;
    } const sizes[] = {{"theme, 1 MB in 50 files", 1 << 20, 50},
                       {"200 MB in 2 000 files", 200LL << 20, 2000}};
    for (const Size& size : sizes) {
        if (themeOnly && size.bytes > (1 << 20))
            break;
        const std::string tree = folder + "/tree", workspace = folder + "/W", out = folder + "/out",
                          peer = folder + "/peer.bz2", ours = folder + "/ours.bz2";
        fs::remove_all(tree);
        writeTree(tree, size.bytes, size.files);
        // The removal's writeback must not fall into the next timed run, ours or theirs.
        auto fresh = [&](const std::string& dir) {
            fs::remove_all(dir);
            fs::create_directories(dir);
            ::sync();
        };

        const Measurement compileTheirs = measureCommand(
            {"sh", "-c", "tar -cf - -C " + tree + " . | bzip2 -1 > " + peer}, "", "", runs);
        const Measurement compileOurs =
            measureCommand({theme, "compile", ours, "--workspace", tree}, "", "/dev/null", runs);
        printRow(std::string("compile ") + size.name, compileOurs, compileTheirs);

        const Measurement unpackOurs =
            measureCommand({theme, "unpack", peer, "--workspace", workspace}, "", "/dev/null", runs,
                           [&] { fresh(workspace); });
        const Measurement unpackTheirs =
            measureCommand({"sh", "-c", "bzip2 -dc " + peer + " | tar -xf - -C " + out}, "", "",
                           runs, [&] { fresh(out); });
        printRow(std::string("unpack ") + size.name, unpackOurs, unpackTheirs);
    }
    fs::remove_all(folder);
    return 0;
}
