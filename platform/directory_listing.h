#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

namespace palvex::platform {

struct DirectoryEntry {
    std::string name;
    std::uint32_t attributes = 0; // as attributeWord() gives them
    std::int64_t size = 0;
    std::time_t modified = 0;
    bool isLink = false;
    // A FIFO, socket or device: opening one may block for ever, reading it may never end.
    bool isSpecial = false;
    // For a folder: whether this process may list it and enter it.
    bool readable = true;
};

// The entries of a folder except "." and "..", in the order the file system gives them.
// A folder that cannot be read yields nothing.
std::vector<DirectoryEntry> listDirectory(const std::string& folder);

} // namespace palvex::platform
