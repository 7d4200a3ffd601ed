// TUnTar and TTar against GNU tar on the same tree of about 2 000 files.
#include "archive/tar.h"
#include "archive/un_tar.h"
#include "bench/measure.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace palvex;
using namespace palvex::bench;
namespace fs = std::filesystem;

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string folder = scratchFolder();
    ::setenv("TMPDIR", folder.c_str(), 1); // the writer's temporary file on the same disk
    std::printf("%-34s %11s %11s %7s %13s\n", "tar, 2 000 files (best of runs)", "ours", "GNU tar",
                "ratio", "our peak");
    for (const long long mib : {50LL, 200LL}) {
        const std::string tree = folder + "/tree", theirs = folder + "/theirs.tar",
                          ours = folder + "/IMAGE/img.tar", out = folder + "/out";
        fs::remove_all(tree);
        writeTree(tree, mib << 20, 2000);
        auto clean = [&] {
            fs::remove_all(out);
            fs::create_directories(out);
        };

        const Measurement packOurs = measureInChild(
            [&] {
                archive::TTar tar;
                tar.setArchiveFile(ours);
                tar.StoredDirNames = archive::sdRelative;
                tar.StoreEmptySubDirs = true;
                tar.FileSpec = {tree + "/"};
                return tar.Compress() == 2000 ? 0 : 1;
            },
            runs,
            [&] {
                fs::remove_all(folderOf(ours));
                fs::create_directories(folderOf(ours));
            });
        const Measurement packTheirs =
            measureCommand({"tar", "-cf", theirs, "-C", tree, "image"}, "", "", runs);
        printRow("pack " + std::to_string(mib) + " MB", packOurs, packTheirs);

        const Measurement extractOurs = measureInChild(
            [&] {
                archive::TUnTar untar;
                untar.setArchiveFile(theirs);
                untar.setExtractDir(out);
                untar.CreateStoredDirs = true;
                untar.RestoreFileAttr = false;
                untar.FileSpec = {"*.*"};
                return untar.Extract() == 2000 ? 0 : 1;
            },
            runs, clean);
        const Measurement extractTheirs =
            measureCommand({"tar", "-xf", theirs, "-C", out}, "", "", runs, clean);
        printRow("extract " + std::to_string(mib) + " MB", extractOurs, extractTheirs);
    }
    fs::remove_all(folder);
    return 0;
}
