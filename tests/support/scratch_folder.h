#pragma once

#include <string>

namespace palvex::test {

// A fresh folder under the system's temporary folder, removed with everything in it when
// the object goes; links inside are removed, never followed.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + '/' + relative; }

private:
    std::string path_;
};

// Writes a file, creating its folders; returns its path.
std::string writeFile(const std::string& path, const std::string& content);
std::string readFile(const std::string& path);
void makeFolder(const std::string& path);

} // namespace palvex::test
