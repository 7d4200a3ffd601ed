#include "archive/file_scan.h"

#include "archive/path_rules.h"
#include "platform/file_attributes.h"

#include <algorithm>
#include <filesystem>

namespace palvex::archive {

namespace attr = platform::attr;

bool attributesPass(TarqFileAttributes set, std::uint32_t word, bool inclusionTest) {
    auto in = [set](TarqFileAttribute element) {
        return (set & (1u << element)) != 0;
    };
    return (inclusionTest && hasBit(word, attr::NotContentIndexed)) ||
           (in(fsEncrypted) && hasBit(word, attr::Encrypted)) ||
           (in(fsArchive) && hasBit(word, attr::Archive)) ||
           (in(fsZeroAttr) && (word == 0 || word == attr::Normal)) ||
           (in(fsDirectory) && hasBit(word, attr::Directory)) ||
           (in(fsReadOnly) && hasBit(word, attr::ReadOnly)) ||
           (in(fsHidden) && hasBit(word, attr::Hidden)) ||
           (in(fsSysFile) && hasBit(word, attr::System)) ||
           (in(fsCompressed) && hasBit(word, attr::Compressed));
}

void TarqFileScan::setRootDir(const std::string& dir) {
    rootDir_ = withTrailingSeparator(dir);
}

TarqFileScan::Pass TarqFileScan::nextPass() {
    const std::string first = FileSpec.front();
    Pass pass;
    pass.root = folderPart(first);
    if (pass.root.empty())
        pass.root = rootDir_;
    if (pass.root.empty())
        pass.root = withTrailingSeparator(std::filesystem::current_path().string());

    std::vector<std::string> masks{namePart(first)};
    for (auto it = FileSpec.begin() + 1; it != FileSpec.end();) {
        if (!equalsNoCase(folderPart(*it), pass.root)) {
            ++it;
            continue;
        }
        const std::string name = namePart(*it);
        auto covering = std::find_if(masks.begin(), masks.end(),
                                     [&](const std::string& m) { return maskMatches(m, name); });
        if (covering == masks.end()) {
            auto covered = std::find_if(masks.begin(), masks.end(),
                                        [&](const std::string& m) { return maskMatches(name, m); });
            if (covered != masks.end())
                *covered = name;
            else
                masks.push_back(name);
        }
        it = FileSpec.erase(it);
    }
    for (std::string& mask : masks)
        pass.masks.add(mask.empty() || mask == "*.*" ? "*" : mask);
    setRootDir(pass.root);
    if (OnRootDirChange)
        OnRootDirChange(pass.root);
    FileSpec.erase(FileSpec.begin());
    return pass;
}

void TarqFileScan::Scan() {
    filesCount_ = 0;
    filesSize_ = 0;
    if (CancelFlag)
        *CancelFlag = false;
    struct Finish {
        TarqFileScan& scan;
        ~Finish() {
            if (scan.OnFinished)
                scan.OnFinished(scan.filesCount_, scan.filesSize_);
        }
    } finish{*this};

    auto blank = [](const std::string& s) {
        return s.find_first_not_of(" \t") == std::string::npos;
    };
    FileSpec.erase(std::remove_if(FileSpec.begin(), FileSpec.end(), blank), FileSpec.end());
    if (!RecurseDirs) {
        for (const std::string& entry : std::vector<std::string>(FileSpec)) {
            if (cancelled())
                break;
            scanWithoutRecursion(entry);
        }
        FileSpec.clear();
        return;
    }
    while (!FileSpec.empty() && !cancelled()) {
        const Pass pass = nextPass();
        walk(pass.root, pass.masks);
    }
}

namespace {

bool isFolderEntry(const platform::DirectoryEntry& entry) {
    return hasBit(entry.attributes, attr::Directory);
}

// What the walk can neither store nor enter.
bool refused(const platform::DirectoryEntry& entry) {
    return entry.isLink || entry.isSpecial || (isFolderEntry(entry) && !entry.readable);
}

std::string pathOf(const std::string& folder, const platform::DirectoryEntry& entry) {
    return folder + entry.name + (isFolderEntry(entry) ? "/" : "");
}

} // namespace

bool TarqFileScan::passes(const platform::DirectoryEntry& entry, const TMultiMask& masks) const {
    if (!attributesPass(Attributes, entry.attributes, true) ||
        attributesPass(AttributesEx, entry.attributes, false))
        return false;
    return isFolderEntry(entry) || masks.matches(entry.name);
}

void TarqFileScan::take(const std::string& folder, const platform::DirectoryEntry& entry,
                        const TMultiMask& masks) {
    if (!passes(entry, masks))
        return;
    const std::string path = pathOf(folder, entry);
    if (isFolderEntry(entry)) {
        if (OnEntry)
            OnEntry(path, entry);
        return;
    }
    if (OnEntry && OnEntry(path, entry)) {
        ++filesCount_;
        filesSize_ += entry.size;
        if (OnScanFile)
            OnScanFile(path, filesCount_, filesSize_);
    }
}

bool TarqFileScan::entered(const platform::DirectoryEntry& entry) const {
    return isFolderEntry(entry) && !(hasBit(entry.attributes, attr::Hidden) && !IncludeHiddenDirs);
}

// What would have been taken or entered, had it been a file or folder one can read.
void TarqFileScan::refuse(const std::string& folder, const platform::DirectoryEntry& entry,
                          const TMultiMask& masks) {
    if ((passes(entry, masks) || (RecurseDirs && entered(entry))) && OnRefused)
        OnRefused(pathOf(folder, entry), entry);
}

void TarqFileScan::walk(const std::string& folder, const TMultiMask& masks) {
    if (OnRecurseDir)
        OnRecurseDir(folder);
    for (const platform::DirectoryEntry& entry : ListFolder(folder)) {
        if (cancelled())
            break;
        if (entry.name.empty())
            continue;
        if (refused(entry)) {
            refuse(folder, entry, masks);
        } else {
            take(folder, entry, masks);
            if (entered(entry))
                walk(folder + entry.name + '/', masks);
        }
        if (ProcessMessages)
            ProcessMessages();
    }
}

void TarqFileScan::scanWithoutRecursion(const std::string& entry) {
    const std::string folder = folderPart(entry);
    const std::string listed =
        folder.empty() ? withTrailingSeparator(std::filesystem::current_path().string()) : folder;
    TMultiMask masks;
    masks.add(namePart(entry).empty() ? "*" : namePart(entry));
    std::vector<platform::DirectoryEntry> found;
    for (const platform::DirectoryEntry& e : ListFolder(listed))
        if (!e.name.empty() && masks.matches(e.name))
            found.push_back(e);
    if (found.empty())
        return;
    if (OnRootDirChange)
        OnRootDirChange(folder);
    for (const platform::DirectoryEntry& e : found) {
        if (cancelled())
            break;
        if (refused(e))
            refuse(listed, e, masks);
        else
            take(listed, e, masks);
    }
}

} // namespace palvex::archive
