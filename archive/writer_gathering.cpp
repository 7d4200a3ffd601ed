// The writer's gathering: every entry the file scanner hands over is checked, named and
// matched against what the archive already holds.
#include "archive/custom_c_class.h"

#include "archive/entry_refusals.h"
#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/code_page.h"
#include "platform/file_attributes.h"

#include <algorithm>
#include <cctype>

namespace palvex::archive {

namespace attr = platform::attr;

namespace {

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

std::string TCustomCClass::storedName(const Entry& entry) const {
    const std::string root = entry.name.substr(0, entry.rootLength);
    return storedNameFor(entry.name, root, StoredDirNames, DefaultDir);
}

bool TCustomCClass::folderIsEmpty(const std::string& folder) const {
    for (const platform::DirectoryEntry& e : ListFolder(folder)) {
        if (e.attributes != attr::Directory || e.isLink)
            return false;
        if (!folderIsEmpty(folder + e.name + '/'))
            return false;
    }
    return true;
}

bool TCustomCClass::excluded(const std::string& path) const {
    const std::string folder = folderPart(path);
    const std::string name = namePart(path);
    for (const std::string& exclusion : ExcludeSpec) {
        if (exclusion.find('/') == std::string::npos) {
            if (maskMatches(exclusion, name))
                return true;
            continue;
        }
        std::string exclusionFolder = folderPart(exclusion);
        // A folder without a drive is taken from the root.
        if (exclusionFolder.find(':') == std::string::npos && exclusionFolder.front() != '/')
            exclusionFolder = '/' + exclusionFolder;
        if (startsWithNoCase(folder, exclusionFolder) && maskMatches(namePart(exclusion), name))
            return true;
    }
    return false;
}

const char* TCustomCClass::nameRefusal(const std::string& stored, bool folder) const {
    // Paths inside the program use "/", so a "\" is part of a name, and a reader would take
    // it for a separator: x\..\..\evil.gif must never become a traversal entry.
    if (stored.find('\\') != std::string::npos)
        return refusal::NameBackslash;
    std::string inHeader = stored;
    if (TranslateOemChar) {
        inHeader = ansiToOem(stored);
        // Two names that both become "?" would overwrite each other when unpacked.
        if (oemToAnsi(inHeader) != stored)
            return refusal::NameNotOem;
    }
    if (HeaderName(inHeader, folder).size() > tar_field::name.width)
        return refusal::NameTooLong;
    return nullptr;
}

void TCustomCClass::refuseEntry(const std::string& path, const platform::DirectoryEntry& found) {
    const char* reason = found.isLink      ? refusal::Link
                         : found.isSpecial ? refusal::Special
                                           : refusal::UnreadableFolder;
    ErrorEvent(path, reason, "0", error_code::OpenError);
}

bool TCustomCClass::gatherEntry(const std::string& path, const platform::DirectoryEntry& found) {
    const bool folder = hasBit(found.attributes, attr::Directory);
    if (folder && !(StoreEmptySubDirs && folderIsEmpty(path)))
        return false;

    Entry entry;
    entry.name = path;
    entry.rootLength = std::min(currentRoot_.size(), path.size());
    entry.isFolder = folder;
    entry.size = folder ? 0 : found.size;
    entry.attributes = found.attributes;
    entry.modified = found.modified;
    entry.packedDate =
        PackFileDate(LocalFromUtc(NearestHeaderTime(found.modified, TimeZone), TimeZone));
    const std::string stored = storedNameFor(path, currentRoot_, StoredDirNames, DefaultDir);

    if (!folder && excluded(path)) {
        if (OnExcludeFile)
            OnExcludeFile(*this, path);
        return true;
    }
    // Decided for names and sizes the header cannot hold: refuse and say so, never cut.
    if (const char* reason = nameRefusal(stored, folder)) {
        ErrorEvent(path, reason, "0", error_code::WriteError);
        return false;
    }
    if (static_cast<std::uint64_t>(entry.size) > kMaxEntrySize) {
        ErrorEvent(path, refusal::TooLarge, "0", error_code::WriteError);
        return false;
    }
    if (!folder)
        noteDate(entry.packedDate);
    matchGathered(std::move(entry), stored);
    return true;
}

void TCustomCClass::matchGathered(Entry entry, const std::string& stored) {
    const std::string exact = normaliseStoredName(HeaderName(stored, entry.isFolder));
    const std::string key = lowerCase(exact);
    // Two FileSpec passes can reach one file: it goes in once. Only the very same name is the
    // same file: "A.gif" and "a.gif" are two files here, and both are stored.
    if (newNames_.count(exact) != 0)
        return;
    auto add = [&](Entry added) {
        newNames_.insert(exact);
        entries_.push_back(std::move(added));
    };
    if (newArchive_) {
        add(std::move(entry));
        return;
    }
    auto old = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.state != EntryState::New && equalsNoCase(HeaderName(e.name, e.isFolder), key);
    });
    if (old == entries_.end()) {
        if (Switch != swRefresh)
            add(std::move(entry));
        return;
    }
    // Both dates are packed file dates, whose resolution is 2 seconds.
    const bool same = old->size == entry.size && old->packedDate == entry.packedDate;
    if (Switch == swRefresh) {
        if (!same && entry.packedDate > old->packedDate) {
            old->state = EntryState::Drop;
            add(std::move(entry));
        }
        return;
    }
    const std::size_t before = entries_.size();
    replaceOrRename(old, std::move(entry), same, stored);
    if (entries_.size() > before)
        newNames_.insert(exact);
}

bool TCustomCClass::renameOldCopy(Entry& old) {
    if (!OnRenameDupeFile)
        return false;
    std::string newName;
    bool rename = false;
    OnRenameDupeFile(*this, old.name, newName, rename);
    const bool unique = std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return equalsNoCase(e.name, newName) || equalsNoCase(storedName(e), newName);
    });
    if (!rename || newName.empty() || !unique)
        return false;
    old.state = EntryState::Rename;
    old.newName = newName;
    return true;
}

void TCustomCClass::replaceOrRename(std::vector<Entry>::iterator old, Entry entry, bool same,
                                    const std::string& stored) {
    if (same) {
        if (renameOldCopy(*old))
            entries_.push_back(std::move(entry));
        return;
    }
    if (!OnReplaceFile) {
        ErrorEvent(stored, "OnReplaceFile", volumeName_, error_code::EventNotAssigned);
        return;
    }
    bool replace = false;
    OnReplaceFile(*this, old->name, entry.name, UnpackFileDate(old->packedDate),
                  UnpackFileDate(entry.packedDate), old->size, entry.size,
                  static_cast<int>(old->attributes), static_cast<int>(entry.attributes), replace);
    if (replace) {
        old->state = EntryState::Drop;
        entries_.push_back(std::move(entry));
    } else if (renameOldCopy(*old)) {
        entries_.push_back(std::move(entry));
    }
}

void TCustomCClass::gather() {
    TarqFileScan scan;
    scan.UpdateList = true;
    scan.FileSpec = FileSpec;
    scan.Attributes = Attributes;
    scan.AttributesEx = AttributesEx;
    scan.ScanOptions = soScanDir;
    if (StoreEmptySubDirs)
        scan.Attributes |= attributeSet({fsDirectory});
    scan.RecurseDirs = RecurseDirs;
    scan.IncludeHiddenDirs = IncludeHiddenDirs;
    scan.OnEntry = [this](const std::string& path, const platform::DirectoryEntry& e) {
        return gatherEntry(path, e);
    };
    scan.OnRefused = [this](const std::string& path, const platform::DirectoryEntry& e) {
        refuseEntry(path, e);
    };
    scan.OnRootDirChange = [this](const std::string& dir) {
        currentRoot_ = dir;
    };
    if (OnFileScanStatus)
        scan.OnScanFile = [this](const std::string& f, int n, std::int64_t s) {
            OnFileScanStatus(*this, f, n, s);
        };
    if (OnRecurseDir)
        scan.OnRecurseDir = [this](const std::string& d) {
            OnRecurseDir(*this, d);
        };
    scan.ProcessMessages = ProcessMessages;
    scan.ListFolder = ListFolder;
    scan.CancelFlag = &cancel_;
    struct Totals {
        TCustomCClass& self;
        TarqFileScan& scan;
        ~Totals() { self.totalBytes_ = self.remainingBytes_ = scan.FilesSize(); }
    } totals{*this, scan};
    scan.Scan();
}

// Gathers; false when nothing new came in or the run was cancelled meanwhile.
bool TCustomCClass::gatherNew() {
    gather();
    const bool addedNew = std::any_of(entries_.begin(), entries_.end(),
                                      [](const Entry& e) { return e.state == EntryState::New; });
    if (addedNew && !cancel_)
        return true;
    if (!addedNew)
        ErrorEvent("", "", volumeName_, error_code::NothingToAdd);
    entries_.clear();
    return false;
}

} // namespace palvex::archive
