#pragma once

#include <string>

namespace palvex::platform {

// A folder of this user's own under $TMPDIR (or /tmp), created with mode 0700, so that other
// users can neither read nor plant files there. A folder of that name that is a link or
// belongs to someone else is never used: a fresh one of ours beside it is. Ends with "/";
// empty when no such folder can be had, and then *problem (when given) names the folder
// that failed and the system's reason.
std::string temporaryFolder(std::string* problem = nullptr);

// Creates a new, empty file with a unique name that starts with prefix (and ends with suffix)
// in folder, without ever opening an existing one. Returns its path, or empty on failure.
// The name carries this process's id (prefix.pidN.XXXXXX), so that a file a killed run left
// behind can be told from one in use.
std::string createTemporaryFile(const std::string& folder, const std::string& prefix,
                                const std::string& suffix = {});
// The same, leaving the file open: descriptor is the caller's to close (-1 on failure).
std::string createTemporaryFile(const std::string& folder, const std::string& prefix,
                                const std::string& suffix, int& descriptor);

// Creates a new, empty folder (mode 0700) with a unique name that starts with prefix in
// folder. Returns its path without a trailing "/", or empty on failure.
std::string createTemporaryFolder(const std::string& folder, const std::string& prefix);
// The same, its name carrying this process's id as the files above do (prefix.pidN.XXXXXX), so
// that a folder a killed run left can be told from one in use.
std::string createProcessTemporaryFolder(const std::string& folder, const std::string& prefix);

// Removes from the private temporary folder the files and folders that runs of this program
// left when they were killed: regular files and folders of this user, named by
// createTemporaryFile or createProcessTemporaryFolder after a process that no longer runs, and
// held by no one (TemporaryFile and TemporaryFolder hold a lock while they live). A folder goes
// with everything in it, by the tree removal that never follows a link. Nothing else is
// touched, and nothing through a link. Answers how many went.
int sweepStaleTemporaryFiles();

} // namespace palvex::platform
