#pragma once

#include <string>

namespace palvex::platform {

// A folder of this user's own under $TMPDIR (or /tmp), created with mode 0700 and refused
// when it is a link or belongs to someone else, so that other users can neither read nor
// plant files there. Ends with "/"; empty when no such folder can be had.
std::string temporaryFolder();

// Creates a new, empty file with a unique name that starts with prefix (and ends with suffix)
// in folder, without ever opening an existing one. Returns its path, or empty on failure.
std::string createTemporaryFile(const std::string& folder, const std::string& prefix,
                                const std::string& suffix = {});

} // namespace palvex::platform
