#include "platform/tree_removal.h"

#include "platform/directory_listing.h"
#include "platform/file_attributes.h"

#include <sys/stat.h>
#include <unistd.h>

namespace palvex::platform {

bool removeTree(std::string folder) {
    if (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat st {};
    if (folder.empty() || ::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return false;
    // Unlike a read-only flag elsewhere, a folder without write permission keeps its entries
    // from being deleted here, so the folder is made normal before its entries go.
    setNormalAttributes(folder);

    bool allRemoved = true;
    for (const DirectoryEntry& entry : listDirectory(folder)) {
        const std::string path = folder + '/' + entry.name;
        if ((entry.attributes & attr::Directory) && !entry.isLink) {
            allRemoved = removeTree(path) && allRemoved;
        } else {
            // Unlinking needs write permission on the folder only. A file's own mode is left
            // alone: it may be a hard link to a file outside the tree.
            allRemoved = ::unlink(path.c_str()) == 0 && allRemoved;
        }
    }
    return allRemoved && ::rmdir(folder.c_str()) == 0;
}

} // namespace palvex::platform
