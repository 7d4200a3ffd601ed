// Arbitrary bytes as a tar archive, extracted with the unpack pipeline's settings into a
// fresh folder: nothing may crash, hang, or land outside that folder.
#include "archive/un_tar.h"
#include "platform/tree_removal.h"

#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>

namespace {

const std::string& scratch() {
    static const std::string folder = [] {
        std::string pattern = "/tmp/palvex-fuzz-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            std::abort();
        return pattern;
    }();
    return folder;
}

// The scratch folder may hold the archive and the extraction folder, nothing else.
void checkNothingEscaped() {
    DIR* dir = ::opendir(scratch().c_str());
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && name != "in.tar" && name != "IMAGE") {
            std::fprintf(stderr, "written outside the extraction folder: %s\n", name.c_str());
            std::abort();
        }
    }
    ::closedir(dir);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string archive = scratch() + "/in.tar";
    FILE* file = std::fopen(archive.c_str(), "wb");
    std::fwrite(data, 1, size, file);
    std::fclose(file);

    palvex::archive::TUnTar reader;
    reader.TimeZone = {};
    reader.setArchiveFile(archive);
    reader.setExtractDir(scratch() + "/IMAGE");
    reader.CreateStoredDirs = true;
    reader.RestoreFileAttr = false;
    reader.FileSpec = {"*.*"};
    // A sparse map may ask for up to the limit in zeros: kept small, every input stays quick.
    reader.MaxUnpackedSize = 1 << 20;
    reader.Extract();
    checkNothingEscaped();
    palvex::platform::removeTree(scratch() + "/IMAGE");
    return 0;
}
