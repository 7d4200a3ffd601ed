#pragma once

#include "archive/archive_types.h"

#include <string>
#include <string_view>

// String rules on the program's "/"-separated paths. Names read from an archive may use
// "\" too; normaliseStoredName turns those into "/" first.
namespace palvex::archive {

bool equalsNoCase(std::string_view a, std::string_view b);
bool startsWithNoCase(std::string_view text, std::string_view prefix);

std::string normaliseStoredName(std::string name);
// Up to and including the last "/" (or ":"), and what follows it.
std::string folderPart(const std::string& path);
std::string namePart(const std::string& path);
std::string withTrailingSeparator(std::string path);
// The name part's extension from its last ".", dot included; empty when there is none.
std::string extensionOf(const std::string& path);

// Creates a folder with all its missing parents; true when it exists afterwards.
bool createFolderWithParents(const std::string& folder);

// The name a gathered path P is stored under, given the gathering root R (with a trailing
// "/") and the writer's DefaultDir.
std::string storedNameFor(const std::string& path, const std::string& root, TStoredDirNames rule,
                          const std::string& defaultDir);

// The common leading folder of several folders, for the automatic DefaultDir.
std::string commonFolder(const std::string& a, const std::string& b);

} // namespace palvex::archive
