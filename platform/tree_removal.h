#pragma once

#include <string>

namespace palvex::platform {

// Removes a folder with everything in it. A symbolic link is removed as a link and never
// entered, so nothing outside the tree is touched. An entry that cannot be removed does not
// stop the walk; the folder itself goes only when all of its entries went.
// Returns whether the whole tree is gone.
bool removeTree(std::string folder);

} // namespace palvex::platform
