// The writer's common run: the option rules, the checks before a run, writing the entries
// into a temporary file. Gathering is in writer_gathering.cpp, putting the result in the
// archive's place in writer_placement.cpp.
#include "archive/custom_c_class.h"

#include "archive/path_rules.h"
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
    fireQuietly(OnActivate);
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
    fireQuietly(OnDeactivate);
    const float seconds = stopClock();
    fireQuietly(OnElapsedTime, seconds);
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
