#pragma once

#include <string>

namespace palvex::platform {

// How a tree removal ended: complete, or the first entry it left (relative to the folder
// given; empty for the folder itself) and the system's reason, as an errno value (EXDEV for
// a folder on another file system).
struct TreeRemoval {
    bool complete = false;
    std::string leftBehind;
    int error = 0;
    explicit operator bool() const { return complete; }
};

// Removes a folder with everything in it. The walk goes from folder handle to folder handle,
// never by path, so a folder that someone swaps for a link while it runs is not followed: a
// symbolic link is removed as a link and never entered, and a folder of another file system
// (a mount inside the tree) is left alone. An entry that cannot be removed does not stop the
// walk; a folder goes only when all of its entries went. The folder given may not be a link
// (its parent folders may). The time grows with the number of entries, whatever the depth.
TreeRemoval removeTree(std::string folder);

} // namespace palvex::platform
