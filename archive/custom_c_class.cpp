#include "archive/custom_c_class.h"

#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/code_page.h"
#include "platform/file_attributes.h"
#include "platform/temporary_files.h"
#include "platform/trash.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace palvex::archive {

namespace attr = platform::attr;

namespace {

bool isFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool exists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::lstat(path.c_str(), &st) == 0;
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
    const std::string headerName =
        HeaderName(TranslateOemChar ? ansiToOem(stored) : stored, folder);
    if (headerName.size() > tar_field::name.width) {
        ErrorEvent(path, "the stored name is longer than 100 bytes", "0", error_code::WriteError);
        return false;
    }
    if (entry.size > 0xFFFFFFFFLL) {
        ErrorEvent(path, "files of 4 GiB or more cannot be stored", "0", error_code::WriteError);
        return false;
    }
    if (!folder)
        noteDate(entry.packedDate);
    matchGathered(std::move(entry), stored);
    return true;
}

void TCustomCClass::matchGathered(Entry entry, const std::string& stored) {
    if (newArchive_) {
        entries_.push_back(std::move(entry));
        return;
    }
    const std::string key = normaliseStoredName(HeaderName(stored, entry.isFolder));
    auto old = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) {
        return e.state != EntryState::New && equalsNoCase(HeaderName(e.name, e.isFolder), key);
    });
    if (old == entries_.end()) {
        if (Switch != swRefresh)
            entries_.push_back(std::move(entry));
        return;
    }
    const bool same =
        old->size == entry.size && (old->packedDate & ~1u) == (entry.packedDate & ~1u);
    auto askRename = [&]() {
        if (!OnRenameDupeFile)
            return false;
        std::string newName;
        bool rename = false;
        OnRenameDupeFile(*this, old->name, newName, rename);
        const bool unique = std::none_of(entries_.begin(), entries_.end(), [&](const Entry& e) {
            return equalsNoCase(e.name, newName) || equalsNoCase(storedName(e), newName);
        });
        if (!rename || newName.empty() || !unique)
            return false;
        old->state = EntryState::Rename;
        old->newName = newName;
        return true;
    };
    if (Switch == swRefresh) {
        if (!same && entry.packedDate > old->packedDate) {
            old->state = EntryState::Drop;
            entries_.push_back(std::move(entry));
        }
        return;
    }
    if (same) {
        if (askRename())
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
    } else if (askRename()) {
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

// ---- Checks before a run ------------------------------------------------------------------

bool TCustomCClass::driveCheck() {
    // The file system the archive's folder lies on, found from its nearest existing folder.
    std::string folder = folderPart(archiveFile_).empty() ? "." : folderPart(archiveFile_);
    while (folder.size() > 1 && !isFolder(folder)) {
        folder.pop_back();
        folder = folderPart(folder).empty() ? "." : folderPart(folder);
    }
    struct statvfs vfs {};
    if (::statvfs(folder.c_str(), &vfs) != 0) {
        ErrorEvent(folder, "0", "0", error_code::NotAccessible);
        return false;
    }
    if (vfs.f_flag & ST_RDONLY) {
        ErrorEvent(folder, "0", "0", error_code::WriteProtected);
        return false;
    }
    return true;
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
    for (const std::string& mask : FileSpec) {
        std::string candidate = stored;
        if (mask.find('.') != std::string::npos && namePart(stored).find('.') == std::string::npos)
            candidate += '.';
        if (!maskMatches(mask, candidate) && !maskMatches(namePart(mask), namePart(candidate)))
            continue;
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
    if (StoredDirNames == sdExplorer_Auto) {
        DefaultDir.clear();
        for (std::size_t i = 0; i < FileSpec.size(); ++i)
            DefaultDir = i == 0 ? folderPart(FileSpec[i])
                                : commonFolder(DefaultDir, folderPart(FileSpec[i]));
    }
    if (Switch == swDelete)
        DefaultDir.clear();
    else if (StoredDirNames == sdExplorer_UserDefineDefaultDir && DefaultDir.empty()) {
        ErrorEvent("", "DefaultDir", volumeName_, error_code::PropertyNotAssigned);
        return 0;
    }
    if (!driveCheck())
        return 0;
    const std::string folder = folderPart(archiveFile_);
    if (!folder.empty() && !isFolder(folder)) {
        ErrorEvent(currentFileName_, folder, volumeName_, error_code::InvalidDirectory);
        return 0;
    }
    const bool archiveExists = platform::existsAsFile(archiveFile_);

    if (Switch == swRead) {
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
    if (!archiveExists && (Switch == swDelete || Switch == swRefresh)) {
        ErrorEvent("", "", archiveFile_, error_code::NothingToDo);
        return 0;
    }
    if (archiveExists && !existingArchiveWritable())
        return 0;

    startClock();
    fireQuietly(OnActivate);

    // The new archive is built beside, never in, the old one.
    std::unique_ptr<ByteStream> output;
    std::string temporary;
    struct TemporaryFile {
        std::string* path;
        ~TemporaryFile() {
            if (!path->empty())
                std::remove(path->c_str());
        }
    } cleanup{&temporary};
    if (CompressionMethod == cmTempFile) {
        temporary = platform::createTemporaryFile(TempDir(), "arq");
        if (temporary.empty()) {
            ErrorEvent(TempDir(), "", "0", error_code::OpenError);
            return 0;
        }
        output = std::make_unique<FileStream>(temporary, FileStream::Mode::OpenWrite);
    } else {
        output = std::make_unique<MemoryStream>();
    }

    std::unique_ptr<FileStream> old;
    std::int64_t previousSize = 0;
    if (archiveExists) {
        old = std::make_unique<FileStream>(archiveFile_, FileStream::Mode::OpenRead);
        previousSize = old->size();
        if (previousSize > 0)
            readArchiveEntries(*old);
    }

    if (Switch != swDelete) {
        gather();
        const bool addedNew = std::any_of(entries_.begin(), entries_.end(), [](const Entry& e) {
            return e.state == EntryState::New;
        });
        if (!addedNew || cancel_) {
            if (!addedNew)
                ErrorEvent("", "", volumeName_, error_code::NothingToAdd);
            entries_.clear();
            return 0;
        }
    }

    BufferedWriter buffered(*output);
    writeEntries(buffered, old.get());
    if (written_ + deleted_ > 0) {
        if (!cancel_)
            endArchive(buffered);
        try {
            buffered.flush();
        } catch (const Exception&) {
            ErrorEvent(archiveFile_, "", "0", error_code::DiskFull);
            throw;
        }
        old.reset();
        moveIntoPlace(temporary, previousSize, *output);
        temporary.clear();
        if (compressMethod_ == cmTarGzip)
            finishGzip();
        fireQuietly(OnDeactivate);
        const float seconds = stopClock();
        fireQuietly(OnElapsedTime, seconds);
        newArchive_ = false;
    }
    if (Switch == swMove && !cancel_)
        for (const Entry& e : entries_)
            if (e.state == EntryState::New && e.header && !e.isFolder)
                deleteFile(e.name);
    const int result = Switch == swDelete ? deleted_ : written_;
    entries_.clear();
    return result;
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
            if (!writeNewEntry(entry, output) && cancel_) {
                output.seek(before, ByteStream::Origin::Begin);
                output.truncate();
                for (std::size_t j = i; j < entries_.size(); ++j)
                    entries_[j].state = EntryState::Drop;
                return;
            }
            break;
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

void TCustomCClass::moveIntoPlace(const std::string& temporary, std::int64_t previousSize,
                                  ByteStream& output) {
    if (temporary.empty()) {
        // Built in memory: written out in one go.
        FileStream target(archiveFile_, FileStream::Mode::Create);
        auto& memory = static_cast<MemoryStream&>(output);
        target.writeAll(memory.bytes().data(), static_cast<std::int64_t>(memory.bytes().size()));
        target.close();
        return;
    }
    if (cancel_)
        return; // the temporary file goes, the archive stays as it was
    bool cancelled = false;
    if (OnTmpFileMoveBegin)
        OnTmpFileMoveBegin(output, archiveFile_, temporary, cancel_);
    cancelled = cancel_;
    if (auto* file = dynamic_cast<FileStream*>(&output)) {
        try {
            file->close();
        } catch (const Exception&) {
            ErrorEvent(archiveFile_, "", "0", error_code::DiskFull);
            throw;
        }
    }
    if (cancelled)
        return;

    struct stat from {
    }, to{};
    const bool sameDevice =
        ::stat(temporary.c_str(), &from) == 0 &&
        ::stat(folderPart(archiveFile_).empty() ? "." : folderPart(archiveFile_).c_str(), &to) ==
            0 &&
        from.st_dev == to.st_dev;
    // rename replaces the old archive in one step: it is never missing, never half written.
    if (!(sameDevice && ::rename(temporary.c_str(), archiveFile_.c_str()) == 0)) {
        try {
            FileStream source(temporary, FileStream::Mode::OpenRead);
            FileStream target(archiveFile_, FileStream::Mode::Create);
            std::vector<char> buffer(131072);
            std::int64_t copied = 0;
            for (std::int64_t got; (got = source.read(buffer.data(), 131072)) > 0; copied += got) {
                if (target.write(buffer.data(), got) != got) {
                    ErrorEvent(archiveFile_, "", "0", error_code::DiskFull);
                    throw E_RAISE(error_code::DiskFull);
                }
                if (OnTmpFileProgress)
                    OnTmpFileProgress(target, percentOf(source.size(), copied + got), 100);
            }
            target.close();
        } catch (const E_RAISE&) {
            throw;
        } catch (const Exception&) {
            ErrorEvent(archiveFile_, "", "0", error_code::OpenError);
            throw;
        }
        std::remove(temporary.c_str());
    }
    if (previousSize > 65536 && OnTmpFileMoveEnd)
        OnTmpFileMoveEnd(output);
}

void TCustomCClass::deleteFile(const std::string& path) const {
    if (DeleteOptions == doFinal)
        std::remove(path.c_str());
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
