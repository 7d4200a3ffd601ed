#pragma once

#include <string>

namespace palvex::platform {

// The folder of the running program's own file, links resolved, without a trailing "/";
// usable before any application object exists. Falls back to the folder of argv0.
std::string programFolder(const char* argv0);

} // namespace palvex::platform
