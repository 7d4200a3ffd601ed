// The writer's common run: gathering, matching against an existing archive, writing the
// entries into a temporary file, and putting the result in the archive's place.
#include "archive/custom_c_class.h"

#include "archive/entry_refusals.h"
#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/code_page.h"
#include "platform/file_attributes.h"
#include "platform/file_operations.h"
#include "platform/temporary_files.h"
#include "platform/trash.h"

#include <algorithm>
#include <cctype>
#include <cerrno>

namespace palvex::archive {

namespace attr = platform::attr;
using platform::isFolder;

namespace {

bool exists(const std::string& path) {
    return platform::entryExists(path);
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

TCustomCClass::TCustomCClass() {
    arcType_ = atTar;
}

// ---- Options with rules -------------------------------------------------------------------

void TCustomCClass::setArchiveFile(const std::string& name) {
    std::string file = name;
    if (compressMethod_ == cmTarGzip) {
        if (equalsNoCase(extensionOf(file), ".gz"))
            file.resize(file.size() - 3);
        if (platform::existsAsFile(file))
            platform::moveToTrash(file);
        arcType_ = atTarGZip;
    }
    newArchive_ = !exists(file);
    if (extensionOf(file).empty())
        file += defaultExt_;
    archiveFile_ = file;
    cancel_ = false;
}

void TCustomCClass::setCompressMethod(TCompressMethod value) {
    if (acceptsMethod(value))
        compressMethod_ = value;
}

void TCustomCClass::setDefaultExt(const std::string& value) {
    const std::string previous = defaultExt_;
    std::string ext;
    if (value.empty() || value == ".") {
        ext = classDefaultExt();
    } else {
        ext = value.find('.') == std::string::npos ? "." + value : value;
        ext = lower(ext.substr(0, 4));
    }
    defaultExt_ = ext;
    if (archiveFile_.empty())
        return;
    const std::string current = extensionOf(archiveFile_);
    if (current.empty())
        archiveFile_ += ext;
    else if (equalsNoCase(current, previous))
        archiveFile_ = archiveFile_.substr(0, archiveFile_.size() - current.size()) + ext;
}

std::string TCustomCClass::TempDir() {
    if (tempDir_.empty() || !isFolder(tempDir_))
        tempDir_ = platform::temporaryFolder();
    return tempDir_;
}

void TCustomCClass::setTempDir(const std::string& folder) {
    std::string value =
        folder.empty() ? platform::temporaryFolder() : withTrailingSeparator(folder);
    if (!value.empty() && !isFolder(value)) {
        const std::string question = value + "\r\r" + errorText(error_code::CreateFolderQuestion);
        if (AskYesNo && AskYesNo(question))
            createFolderWithParents(value);
        else
            value.clear();
    }
    if (value.empty() || !isFolder(value))
        value = platform::temporaryFolder();
    tempDir_ = value;
}

// ---- Gathering ----------------------------------------------------------------------------

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
    entry.packedDate = PackFileDate(LocalFromUtc(found.modified, TimeZone));
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
    const std::string key = lower(normaliseStoredName(HeaderName(stored, entry.isFolder)));
    // Two FileSpec passes can reach one file: it goes in once.
    if (newNames_.count(key) != 0)
        return;
    auto add = [&](Entry added) {
        newNames_.insert(key);
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
        newNames_.insert(key);
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

// ---- Checks before a run ------------------------------------------------------------------

bool TCustomCClass::prepareDefaultDir() {
    if (StoredDirNames == sdExplorer_Auto) {
        DefaultDir.clear();
        for (std::size_t i = 0; i < FileSpec.size(); ++i)
            DefaultDir = i == 0 ? folderPart(FileSpec[i])
                                : commonFolder(DefaultDir, folderPart(FileSpec[i]));
    }
    if (Switch == swDelete) {
        DefaultDir.clear();
        return true;
    }
    if (StoredDirNames == sdExplorer_UserDefineDefaultDir && DefaultDir.empty()) {
        ErrorEvent("", "DefaultDir", volumeName_, error_code::PropertyNotAssigned);
        return false;
    }
    return true;
}

bool TCustomCClass::driveCheck() {
    // The file system the archive's folder lies on, found from its nearest existing folder.
    std::string folder = folderPart(archiveFile_).empty() ? "." : folderPart(archiveFile_);
    while (folder.size() > 1 && !isFolder(folder)) {
        folder.pop_back();
        folder = folderPart(folder).empty() ? "." : folderPart(folder);
    }
    switch (platform::volumeState(folder)) {
    case platform::VolumeState::NotAccessible:
        ErrorEvent(folder, "0", "0", error_code::NotAccessible);
        return false;
    case platform::VolumeState::ReadOnly:
        ErrorEvent(folder, "0", "0", error_code::WriteProtected);
        return false;
    case platform::VolumeState::Writable:
        break;
    }
    return true;
}

bool TCustomCClass::archiveFolderExists() {
    const std::string folder = folderPart(archiveFile_);
    if (folder.empty() || isFolder(folder))
        return true;
    ErrorEvent(currentFileName_, folder, volumeName_, error_code::InvalidDirectory);
    return false;
}

bool TCustomCClass::existingArchiveWritable() {
    if (cancel_ || OverwriteMode != omOverwrite)
        return false;
    const std::uint32_t word = platform::attributeWord(archiveFile_);
    if (!hasBit(word, attr::ReadOnly | attr::Hidden | attr::System))
        return true;
    if (!OnNonWriteableArchive) {
        ErrorEvent(archiveFile_, "OnNonWriteableArchive", volumeName_,
                   error_code::EventNotAssigned);
        return false;
    }
    bool writeToFile = false;
    OnNonWriteableArchive(*this, archiveFile_, writeToFile);
    return writeToFile && platform::setNormalAttributes(archiveFile_);
}

bool TCustomCClass::selectedForDelete(const std::string& stored) {
    // The whole stored name is matched: {"b/x.gif"} must not take a/x.gif with it.
    for (const std::string& mask : FileSpec) {
        std::string candidate = stored;
        if (mask.find('.') != std::string::npos && namePart(stored).find('.') == std::string::npos)
            candidate += '.';
        if (maskMatches(normaliseStoredName(mask), candidate))
            return !excludedBySpec(stored);
    }
    return false;
}

// ---- The run ------------------------------------------------------------------------------

int TCustomCClass::Compress() {
    try {
        return run();
    } catch (...) {
        // Every failure was reported where it happened; the caller learns only the count.
        written_ = deleted_ = 0;
        entries_.clear();
        return 0;
    }
}

int TCustomCClass::run() {
    resetRunState();
    written_ = deleted_ = 0;
    entries_.clear();
    newNames_.clear();
    if (!prepareDefaultDir() || !driveCheck() || !archiveFolderExists())
        return 0;
    const bool archiveExists = platform::existsAsFile(archiveFile_);
    if (Switch == swRead)
        return readOnly(archiveExists);
    if (!archiveExists && (Switch == swDelete || Switch == swRefresh)) {
        ErrorEvent("", "", archiveFile_, error_code::NothingToDo);
        return 0;
    }
    if (archiveExists && !existingArchiveWritable())
        return 0;
    startClock();
    if (OnActivate)
        OnActivate(*this);
    const int result = buildArchive(archiveExists);
    entries_.clear();
    return result;
}

int TCustomCClass::readOnly(bool archiveExists) {
    if (!archiveExists)
        return 0;
    FileStream old(archiveFile_, FileStream::Mode::OpenRead);
    readArchiveEntries(old);
    if (!OnRead) {
        ErrorEvent("", "OnRead", archiveFile_, error_code::EventNotAssigned);
        return 0;
    }
    int number = 0;
    for (const Entry& e : entries_)
        OnRead(*this, e.offset + static_cast<std::int64_t>(kTarBlockSize), ++number);
    return static_cast<int>(entries_.size());
}

// The new archive is built beside, never in, the old one.
std::unique_ptr<ByteStream>
TCustomCClass::openOutput(std::optional<platform::TemporaryFile>& temporary) {
    if (CompressionMethod != cmTempFile)
        return std::make_unique<MemoryStream>();
    temporary.emplace(TempDir(), "arq");
    if (!*temporary) {
        ErrorEvent(TempDir(), "", "0", error_code::OpenError);
        return nullptr;
    }
    return std::make_unique<FileStream>(temporary->path(), FileStream::Mode::OpenWrite);
}

int TCustomCClass::buildArchive(bool archiveExists) {
    std::optional<platform::TemporaryFile> temporary; // removed on every way out
    const std::unique_ptr<ByteStream> output = openOutput(temporary);
    if (!output)
        return 0;
    std::unique_ptr<FileStream> old;
    std::int64_t previousSize = 0;
    if (archiveExists) {
        old = std::make_unique<FileStream>(archiveFile_, FileStream::Mode::OpenRead);
        previousSize = old->size();
        if (previousSize > 0)
            readArchiveEntries(*old);
    }
    if (Switch != swDelete && !gatherNew())
        return 0;
    {
        BufferedWriter buffered(*output);
        writeEntries(buffered, old.get());
        // A cancelled run did no work: no archive, no end events.
        if (cancel_ || written_ + deleted_ == 0)
            return 0;
        endArchive(buffered);
        flushOutput(buffered);
    }
    old.reset();
    if (!moveIntoPlace(temporary ? temporary->path() : std::string(), previousSize, *output))
        return 0;
    if (temporary)
        temporary->release(); // it is the archive now
    finishRun();
    return Switch == swDelete ? deleted_ : written_;
}

void TCustomCClass::flushOutput(BufferedWriter& output) {
    try {
        output.flush();
    } catch (const Exception&) {
        const int code = writeFailureCode();
        ErrorEvent(code == error_code::DiskFull ? archiveFile_ : currentFileName_, "", "0", code);
        throw;
    }
}

void TCustomCClass::finishRun() {
    if (compressMethod_ == cmTarGzip)
        finishGzip();
    if (OnDeactivate)
        OnDeactivate(*this);
    const float seconds = stopClock();
    if (OnElapsedTime)
        OnElapsedTime(*this, seconds);
    newArchive_ = false;
    if (Switch == swMove)
        for (const Entry& e : entries_)
            if (e.state == EntryState::New && e.header && !e.isFolder)
                deleteFile(e.name);
}

int TCustomCClass::writeFailureCode() const {
    return errno == ENOSPC ? error_code::DiskFull : error_code::WriteError;
}

void TCustomCClass::writeEntries(ByteStream& output, ByteStream* old) {
    const int toDelete =
        static_cast<int>(std::count_if(entries_.begin(), entries_.end(),
                                       [](const Entry& e) { return e.state == EntryState::Drop; }));
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (cancel_)
            break;
        Entry& entry = entries_[i];
        if (entry.state == EntryState::New && entry.isFolder && !StoreEmptySubDirs)
            entry.state = EntryState::Drop;
        switch (entry.state) {
        case EntryState::New: {
            const std::int64_t before = output.position();
            if (writeNewEntry(entry, output))
                break;
            // A failed entry leaves nothing behind, so the entries after it stay readable.
            output.seek(before, ByteStream::Origin::Begin);
            output.truncate();
            if (!cancel_)
                break;
            for (std::size_t j = i; j < entries_.size(); ++j)
                entries_[j].state = EntryState::Drop;
            return;
        }
        case EntryState::Keep:
        case EntryState::Rename:
            if (old)
                copyCarriedEntry(entry, *old, output);
            break;
        case EntryState::Drop:
            ++deleted_;
            if (OnDeleteFile)
                OnDeleteFile(*this, entry.name, deleted_, toDelete);
            break;
        }
    }
}

// Answers false when the move was cancelled: the archive then stays as it was.
bool TCustomCClass::moveIntoPlace(const std::string& temporary, std::int64_t previousSize,
                                  ByteStream& output) {
    if (temporary.empty()) {
        output.seek(0, ByteStream::Origin::Begin);
        copyIntoPlace(output, output);
        return !cancel_;
    }
    if (OnTmpFileMoveBegin)
        OnTmpFileMoveBegin(output, archiveFile_, temporary, cancel_);
    if (auto* file = dynamic_cast<FileStream*>(&output)) {
        try {
            file->close();
        } catch (const Exception&) {
            ErrorEvent(archiveFile_, "", "0", writeFailureCode());
            throw;
        }
    }
    if (cancel_)
        return false;
    const std::string folder = folderPart(archiveFile_).empty() ? "." : folderPart(archiveFile_);
    // rename replaces the old archive in one step: it is never missing, never half written.
    if (!(platform::sameFileSystem(temporary, folder) &&
          platform::renameFile(temporary, archiveFile_))) {
        FileStream source(temporary, FileStream::Mode::OpenRead);
        copyIntoPlace(source, output);
        if (cancel_)
            return false;
        platform::removeFile(temporary);
    }
    if (previousSize > 65536 && OnTmpFileMoveEnd)
        OnTmpFileMoveEnd(output);
    return true;
}

// Copies into a new file beside the archive that takes the archive's name only when whole,
// so a failure or a cancel mid-copy leaves the old archive as it was.
void TCustomCClass::copyIntoPlace(ByteStream& source, ByteStream& sender) {
    const std::string folder = folderPart(archiveFile_).empty() ? "./" : folderPart(archiveFile_);
    platform::TemporaryFile staging(folder, "." + namePart(archiveFile_) + ".");
    if (!staging) {
        ErrorEvent(archiveFile_, "", "0", error_code::OpenError);
        throw E_RAISE(error_code::OpenError);
    }
    FileStream target(staging.path(), FileStream::Mode::OpenWrite);
    std::vector<char> buffer(131072);
    const std::int64_t total = source.size();
    std::int64_t copied = 0;
    for (std::int64_t got; (got = source.read(buffer.data(), 131072)) > 0; copied += got) {
        if (target.write(buffer.data(), got) != got) {
            const int code = writeFailureCode();
            ErrorEvent(archiveFile_, "", "0", code);
            throw E_RAISE(code);
        }
        if (OnTmpFileProgress) {
            const std::uint8_t percent = percentOf(total, copied + got);
            serviceMessages();
            if (cancel_)
                return;
            OnTmpFileProgress(sender, percent, percent);
        }
    }
    platform::setDefaultPermissions(target.descriptor());
    target.close();
    if (!platform::renameFile(staging.path(), archiveFile_)) {
        ErrorEvent(archiveFile_, "", "0", error_code::OpenError);
        throw E_RAISE(error_code::OpenError);
    }
    staging.release();
}

void TCustomCClass::deleteFile(const std::string& path) const {
    if (DeleteOptions == doFinal)
        platform::removeFile(path);
    else if (platform::existsAsFile(path))
        platform::moveToTrash(path);
}

// ---- Format operations the tar writer provides --------------------------------------------

void TCustomCClass::unsupported() {
    ErrorEvent(archiveFile_, "", "0", error_code::UnsupportedType);
}

void TCustomCClass::readArchiveEntries(ByteStream&) {
    unsupported();
}

bool TCustomCClass::writeNewEntry(Entry&, ByteStream&) {
    unsupported();
    return false;
}

void TCustomCClass::copyCarriedEntry(const Entry&, ByteStream&, ByteStream&) {
    unsupported();
}

void TCustomCClass::endArchive(ByteStream&) {}

void TCustomCClass::finishGzip() {}

} // namespace palvex::archive
