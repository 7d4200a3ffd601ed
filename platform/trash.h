#pragma once

#include <string>

namespace palvex::platform {

// Moves a file to the desktop's trash, from where the user can bring it back.
bool moveToTrash(const std::string& path);

} // namespace palvex::platform
