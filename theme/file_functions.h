#pragma once

#include <QString>
#include <cstdint>

// The file functions the pipelines share, on the program's "/"-separated paths.
namespace palvex::theme {

bool existsAsFile(const QString& path);
QString displayName(const QString& path);
std::int64_t fileSize(const QString& path);

// The path with every link in its existing part resolved, so that two spellings of one place
// compare equal: the canonical path, or for what does not exist yet, its folder's canonical
// path plus its name.
QString resolvedPath(const QString& path);

// Whether a file may be made at path: nothing stands there, links included, and its folder
// exists (a slot whose file an archive did not hold, in a workspace that was unpacked).
bool absentInFolder(const QString& path);

// Removes the file or link at path, nothing else; false with the system's reason.
bool removeSlotFile(const QString& path, QString* reason);

// Copies source over target without ever writing through a link standing at target: the
// copy is made beside the target and then renamed over it. The copy keeps the source's
// modification time, as the system's copy does. On failure *reason gets the
// system's text and target is unchanged.
bool replaceFile(const QString& source, const QString& target, QString* reason);

} // namespace palvex::theme
