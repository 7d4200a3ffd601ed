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

    // Empty when no file could be created; errno tells why.
    const std::string& path() const { return path_; }
    explicit operator bool() const { return !path_.empty(); }

    // The file stays; the caller owns it now (after it was renamed into place, say).
    void release();

private:
    std::string path_;
    int held_ = -1; // the file kept open, with a lock that says it is in use
};

} // namespace palvex::platform
