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

// Everything below folder that is not a folder (files, links, FIFOs, ...), by its path relative
// to folder ("image/x.gif"), spelt in the bytes the file system holds, in no set order. Links
// are listed, never entered; another file system mounted inside is not entered, nor is a
// folder that cannot be read. The walk goes from folder handle to folder handle, so a tree
// of any depth costs what its entries cost.
std::vector<std::string> listFilesBelow(const std::string& folder);

} // namespace palvex::platform
