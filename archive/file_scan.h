#pragma once

#include "archive/archive_types.h"
#include "archive/masks.h"
#include "platform/directory_listing.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace palvex::archive {

enum TfsScanOptions { soScanDir, soScanDrvs };
enum TarqSortOptions { soUnsort, soByName, soByType, soBySize, soByTime, soByPath };

// Whether an attribute word passes the test of a set; the inclusion test also passes every
// entry marked not-content-indexed.
bool attributesPass(TarqFileAttributes set, std::uint32_t word, bool inclusionTest);

// Walks the folders of FileSpec depth first, in the order the file system lists them, and
// hands every entry that passes the attribute and mask tests to the entry handler. A name
// beginning with "." is an entry like any other (its hidden attribute decides). A symbolic
// link, a FIFO, socket or device, and a folder that cannot be read are never gathered nor
// entered: those that pass the tests go to OnRefused instead, so the caller can say so.
class TarqFileScan {
public:
    // full path ("/"-terminated for a folder), its directory entry; true when it counts.
    using EntryHandler =
        std::function<bool(const std::string& path, const platform::DirectoryEntry&)>;

    std::vector<std::string> FileSpec; // used up by Scan
    TarqFileAttributes Attributes = kDefaultAttributes;
    TarqFileAttributes AttributesEx = 0;
    bool RecurseDirs = true;
    bool IncludeHiddenDirs = false;
    bool UpdateList = true;
    TfsScanOptions ScanOptions = soScanDir;
    TarqSortOptions Sorted = soUnsort;
    EntryHandler OnEntry;
    std::function<void(const std::string& path, const platform::DirectoryEntry&)> OnRefused;
    bool* CancelFlag = nullptr;

    std::function<void(const std::string& FileName, int FilesCount, std::int64_t FilesSize)>
        OnScanFile;
    std::function<void(int FilesCount, std::int64_t FilesSize)> OnFinished;
    std::function<void(const std::string& Dir)> OnRootDirChange;
    std::function<void(const std::string& Directory)> OnRecurseDir;
    std::function<void()> ProcessMessages;
    // Where listings come from; tests stand in attribute words the platform cannot make.
    std::function<std::vector<platform::DirectoryEntry>(const std::string&)> ListFolder =
        platform::listDirectory;

    const std::string& RootDir() const { return rootDir_; }
    void setRootDir(const std::string& dir);

    int FilesCount() const { return filesCount_; }
    std::int64_t FilesSize() const { return filesSize_; }

    void Scan();

private:
    struct Pass {
        std::string root;
        TMultiMask masks;
    };
    Pass nextPass();
    void walk(const std::string& folder, const TMultiMask& masks);
    bool passes(const platform::DirectoryEntry& entry, const TMultiMask& masks) const;
    void take(const std::string& folder, const platform::DirectoryEntry& entry,
              const TMultiMask& masks);
    bool entered(const platform::DirectoryEntry& entry) const;
    void refuse(const std::string& folder, const platform::DirectoryEntry& entry,
                const TMultiMask& masks);
    void scanWithoutRecursion(const std::string& entry);
    bool cancelled() const { return CancelFlag && *CancelFlag; }

    std::string rootDir_;
    int filesCount_ = 0;
    std::int64_t filesSize_ = 0;
};

} // namespace palvex::archive
