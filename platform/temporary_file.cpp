#include "platform/temporary_file.h"

#include "platform/temporary_files.h"

#include <cerrno>
#include <unistd.h>

namespace palvex::platform {

TemporaryFile::TemporaryFile(const std::string& prefix)
    : TemporaryFile(temporaryFolder(), prefix) {}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& prefix,
                             const std::string& suffix)
    : path_(createTemporaryFile(folder, prefix, suffix)) {}

TemporaryFile::~TemporaryFile() {
    if (!path_.empty()) {
        const int saved = errno;
        ::unlink(path_.c_str());
        errno = saved;
    }
}

} // namespace palvex::platform
