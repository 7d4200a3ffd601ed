// Tbzip2 against the bzip2 tool at block size 1, on the same mixed input.
#include "bench/measure.h"
#include "bzip2/bzip2_coder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace palvex;
using namespace palvex::bench;

int main(int argc, char* argv[]) {
    const int runs = argc > 1 ? std::atoi(argv[1]) : 3;
    const std::string folder = scratchFolder();
    std::printf("%-34s %11s %11s %7s %13s\n", "bzip2 (best of runs)", "ours", "bzip2 -1", "ratio",
                "our peak");
    for (const long long mib : {16LL, 64LL}) {
        const std::string plain = folder + "/plain", ours = folder + "/ours.bz2",
                          theirs = folder + "/theirs.bz2", back = folder + "/back";
        writeMixedData(plain, mib << 20);

        const Measurement compressOurs = measureInChild(
            [&] {
                FileStream in(plain, FileStream::Mode::OpenRead);
                FileStream out(ours, FileStream::Mode::Create);
                Tbzip2().CompressStream(in, out);
                return 0;
            },
            runs);
        const Measurement compressTheirs =
            measureCommand({"bzip2", "-1", "-c"}, plain, theirs, runs);
        printRow("compress " + std::to_string(mib) + " MiB", compressOurs, compressTheirs);

        const Measurement decompressOurs = measureInChild(
            [&] {
                FileStream in(theirs, FileStream::Mode::OpenRead);
                FileStream out(back, FileStream::Mode::Create);
                Tbzip2().DecompressStream(in, out);
                return 0;
            },
            runs);
        if (!sameContent(plain, back))
            return std::fputs("decompressed bytes differ\n", stderr), 1;
        const Measurement decompressTheirs =
            measureCommand({"bzip2", "-d", "-c"}, ours, back, runs);
        if (!sameContent(plain, back))
            return std::fputs("bzip2 does not read our output\n", stderr), 1;
        printRow("decompress " + std::to_string(mib) + " MiB", decompressOurs, decompressTheirs);
    }
    std::filesystem::remove_all(folder);
    return 0;
}
