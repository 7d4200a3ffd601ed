#include "platform/program_folder.h"

#include <filesystem>
#include <system_error>

namespace palvex::platform {

std::string programFolder(const char* argv0) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path program = fs::read_symlink("/proc/self/exe", error);
    if (error || program.empty())
        program = fs::weakly_canonical(fs::absolute(argv0 ? argv0 : "", error), error);
    return program.parent_path().string();
}

} // namespace palvex::platform
