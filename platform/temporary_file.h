#pragma once

#include <string>

namespace palvex::platform {

// A new, uniquely named, empty file in the private temporary folder (or in a folder of the
// caller's choice) that is removed when the object goes, on every way out, unless release()
// hands it over. Never a name derived from the input: two runs at once never share a file.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& prefix = "arq");
    TemporaryFile(const std::string& folder, const std::string& prefix,
                  const std::string& suffix = {});
    ~TemporaryFile();
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    // Empty when no file could be created; errno tells why, and so does problem().
    const std::string& path() const { return path_; }
    explicit operator bool() const { return !path_.empty(); }
    // When no file could be created: the folder that failed and the system's reason.
    const std::string& problem() const { return problem_; }

    // The file stays; the caller owns it now (after it was renamed into place, say).
    void release();

private:
    void create(const std::string& folder, const std::string& prefix, const std::string& suffix);

    std::string path_;
    int held_ = -1; // the file kept open, with a lock that says it is in use
    std::string problem_;
};

// A new, uniquely named, empty folder (mode 0700) in the private temporary folder, removed
// with everything in it when the object goes (by the removal that never follows a link). Its
// name carries this process's id and it is held while it lives, so that a later run's sweep
// removes it only when a run that was killed left it.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const std::string& prefix);
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    // Without a trailing "/"; empty when no folder could be created.
    const std::string& path() const { return path_; }
    explicit operator bool() const { return !path_.empty(); }
    // When no folder could be created: the folder that failed and the system's reason.
    const std::string& problem() const { return problem_; }

private:
    std::string path_;
    std::string problem_;
    int held_ = -1; // the folder kept open, with a lock that says it is in use
};

} // namespace palvex::platform
