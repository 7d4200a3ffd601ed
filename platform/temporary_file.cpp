#include "platform/temporary_file.h"

#include "platform/temporary_files.h"
#include "platform/tree_removal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace palvex::platform {

namespace {

std::string failure(std::string folder, int error) {
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder + ": " + std::strerror(error);
}

} // namespace

TemporaryFile::TemporaryFile(const std::string& prefix) {
    const std::string folder = temporaryFolder(&problem_);
    if (!folder.empty())
        create(folder, prefix, {});
}

TemporaryFile::TemporaryFile(const std::string& folder, const std::string& prefix,
                             const std::string& suffix) {
    create(folder, prefix, suffix);
}

void TemporaryFile::create(const std::string& folder, const std::string& prefix,
                           const std::string& suffix) {
    path_ = createTemporaryFile(folder, prefix, suffix, held_);
    if (path_.empty()) {
        problem_ = failure(folder, folder.empty() ? ENOENT : errno);
        return;
    }
    // Held while the file is ours: the sweep of a later run leaves a held file alone.
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

TemporaryFolder::TemporaryFolder(const std::string& prefix) {
    const std::string folder = temporaryFolder(&problem_);
    if (folder.empty())
        return;
    path_ = createProcessTemporaryFolder(folder, prefix);
    if (path_.empty()) {
        problem_ = failure(folder, errno);
        return;
    }
    // Held while the folder is ours: the sweep of a later run leaves a held folder alone.
    held_ = ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (held_ >= 0)
        ::flock(held_, LOCK_SH);
}

TemporaryFolder::~TemporaryFolder() {
    const int saved = errno;
    if (!path_.empty())
        removeTree(path_);
    if (held_ >= 0)
        ::close(held_);
    errno = saved;
}

} // namespace palvex::platform
