#pragma once

#include <ctime>
#include <string>

namespace palvex::platform {

// The file-system operations the archive writer and the editor need beyond streams and
// listings, so that nothing above this folder calls the operating system itself.

// True for an existing folder, a link to one included.
bool isFolder(const std::string& path);
// True for a regular file, a link to one included: never a FIFO, socket or device, which
// would block or never end when opened and read.
bool isRegularFile(const std::string& path);
// True when anything at all is there, a dangling link included.
bool entryExists(const std::string& path);

enum class EntryKind { None, RegularFile, Folder, Link, Fifo, Socket, Device };
// What the path itself names: a link is a link, never what it points to.
EntryKind entryKind(const std::string& path);
// Whether this process may open the file for reading.
bool isReadable(const std::string& path);

// Creates one folder (mode 0755 less the process's mask); false when it could not, also when
// something is already there.
bool createFolder(const std::string& path);

// Removes one file (a link as a link); false when it could not.
bool removeFile(const std::string& path);
// Gives a file another name in one step, replacing what had that name; false when the
// system refuses (another file system, say).
bool renameFile(const std::string& from, const std::string& to);
// Whether two existing paths lie on one file system, so that a rename between them works.
bool sameFileSystem(const std::string& a, const std::string& b);

enum class VolumeState { Writable, NotAccessible, ReadOnly };
// The state of the file system a folder lies on.
VolumeState volumeState(const std::string& folder);

// The permissions a newly created file gets (0666 less the process's mask), for a file that
// was created private (a temporary one) and is now to be the user's own.
bool setDefaultPermissions(int descriptor);
// The last-write time of an open file, -1 when the system cannot tell.
std::time_t modificationTime(int descriptor);

} // namespace palvex::platform
