#include "platform/temporary_file.h"

#include "platform/temporary_files.h"

#include <cerrno>
#include <sys/file.h>
#include <unistd.h>

namespace palvex::platform {

TemporaryFile::TemporaryFile(const std::string& prefix)
    : TemporaryFile(temporaryFolder(), prefix) {}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& prefix,
                             const std::string& suffix)
    : path_(createTemporaryFile(folder, prefix, suffix, held_)) {
    // Held while the file is ours: the sweep of a later run leaves a held file alone.
    if (held_ >= 0)
        ::flock(held_, LOCK_SH);
}

TemporaryFile::~TemporaryFile() {
    const int saved = errno;
    if (!path_.empty())
        ::unlink(path_.c_str());
    release();
    errno = saved;
}

void TemporaryFile::release() {
    path_.clear();
    if (held_ >= 0)
        ::close(held_);
    held_ = -1;
}

} // namespace palvex::platform
