#pragma once

#include <cstdint>
#include <string>

namespace palvex::platform {

// A new file written beside its target and renamed over the target only when complete. A
// failed or cut-short write leaves the target as it was, and a hard link planted at the target
// is replaced, never written through, so its bytes stay where they are. The file has no name
// until it is closed (where the file system allows), so a killed run leaves none behind.
class StagedFile {
public:
    explicit StagedFile(const std::string& target);
    // Removes the staged file unless it was renamed into place.
    ~StagedFile();
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }
    // The system's error number when the file could not be made or a step failed.
    int error() const { return error_; }

    // Writes everything; false when less went (error() says why: ENOSPC for a full disk).
    bool write(const void* data, std::int64_t count);
    // A date that cannot be set is no reason to fail the file, so nothing is answered.
    void setModificationTime(std::int64_t utcSeconds);
    bool close();
    // Takes the target's name; false (and the staged file removed) when that fails.
    bool commit();

private:
    std::string stagedName() const;
    bool giveName();

    std::string target_;
    std::string folder_;
    std::string staged_; // empty while the file has no name
    int fd_ = -1;
    int error_ = 0;
};

} // namespace palvex::platform
