#pragma once

#include "archive/file_scan.h"
#include "archive/tar_header.h"
#include "archive/zip_common.h"
#include "platform/temporary_file.h"

#include <memory>
#include <optional>
#include <unordered_set>

namespace palvex::archive {

// The writer side: gathers files, builds a complete new archive in a temporary file,
// carries over what an existing archive holds as Switch says, and puts the new archive in
// the place of the old one.
class TCustomCClass : public TZipCommon {
public:
    TCustomCClass();

    TDeleteOptions DeleteOptions = doAllowUndo;
    TCompressionMethod CompressionMethod = cmTempFile;
    TSwitch Switch = swAdd;
    TStoredDirNames StoredDirNames = sdRelative;
    bool StoreEmptySubDirs = false;
    bool IncludeHiddenDirs = false;
    std::uint8_t UnixUID = 2;
    std::uint8_t UnixGID = 2;
    std::string UnixUName = "root";
    std::string UnixGName = "root";
    std::string DefaultDir;

    std::function<void(TZipCommon& Sender, const std::string& ArchiveFile, bool& WriteToFile)>
        OnNonWriteableArchive;
    std::function<void(TZipCommon& Sender, const std::string& FileName,
                       const std::string& NewFileName, const DateTime& Date,
                       const DateTime& NewDate, std::int64_t FileSize, std::int64_t NewFileSize,
                       int Attr, int NewAttr, bool& Replace)>
        OnReplaceFile;
    std::function<void(TZipCommon& Sender, const std::string& FileName, std::string& NewFileName,
                       bool& Rename)>
        OnRenameDupeFile;
    std::function<void(TZipCommon& Sender, const std::string& FileName, int Count, int MaxCount)>
        OnDeleteFile;
    std::function<void(TZipCommon& Sender, std::int64_t Offset, int Filenum)> OnRead;
    std::function<void(TZipCommon& Sender, const std::string& FileName, int FilesCount,
                       std::int64_t FilesSize)>
        OnFileScanStatus;
    std::function<void(TZipCommon& Sender, const std::string& Directory)> OnRecurseDir;
    std::function<void(ByteStream& Sender, const std::string& Archive,
                       const std::string& TempFileName, bool& Cancel)>
        OnTmpFileMoveBegin;
    std::function<void(ByteStream& Sender)> OnTmpFileMoveEnd;
    std::function<void(ByteStream& Sender, std::uint8_t ByFile, std::uint8_t ByArchive)>
        OnTmpFileProgress;
    // Asks the user a Yes/No question; without it the answer is No.
    std::function<bool(const std::string& question)> AskYesNo;
    // Where folder listings come from (tests stand in attribute words).
    std::function<std::vector<platform::DirectoryEntry>(const std::string&)> ListFolder =
        platform::listDirectory;

    void setArchiveFile(const std::string& name) override;
    TCompressMethod CompressMethod() const { return compressMethod_; }
    void setCompressMethod(TCompressMethod value);
    const std::string& DefaultExt() const { return defaultExt_; }
    void setDefaultExt(const std::string& value);
    // An existing folder, else the system's temporary folder (which is then kept).
    std::string TempDir();
    void setTempDir(const std::string& folder);

    // Runs the writer; answers the number of entries written (deleted, with swDelete), 0
    // when cancelled or failed. Never raises.
    int Compress();

protected:
    enum class EntryState { New, Keep, Drop, Rename };
    struct Entry {
        std::string name; // source path, or the stored name of a carried entry
        std::size_t rootLength = 0;
        EntryState state = EntryState::New;
        std::int64_t offset = 0; // header offset in the old archive, then in the new
        std::int64_t size = 0;
        std::uint32_t packedDate = 0;
        std::int64_t modified = 0; // UTC, as gathered
        std::uint32_t attributes = 0;
        bool isFolder = false;
        std::string newName; // for Rename
        std::optional<TarHeader> header;
    };

    virtual std::string classDefaultExt() const = 0;
    virtual bool acceptsMethod(TCompressMethod method) const = 0;
    // Format operations; the frame's own report that the format has none.
    virtual void readArchiveEntries(ByteStream& archive);
    virtual bool writeNewEntry(Entry& entry, ByteStream& output);
    virtual void copyCarriedEntry(const Entry& entry, ByteStream& old, ByteStream& output);
    virtual void endArchive(ByteStream& output);
    virtual void finishGzip();

    std::vector<Entry> entries_;
    std::string currentRoot_;
    bool newArchive_ = true;
    int written_ = 0;
    int deleted_ = 0;

    std::string storedName(const Entry& entry) const;
    void unsupported();
    // Reports a write that went short: 25160 when the disk is full, else 25136.
    int writeFailureCode() const;
    // With swDelete: whether FileSpec selects a stored name and ExcludeSpec leaves it.
    bool selectedForDelete(const std::string& stored);

private:
    bool gatherEntry(const std::string& path, const platform::DirectoryEntry& entry);
    void refuseEntry(const std::string& path, const platform::DirectoryEntry& entry);
    // The reason a stored name cannot go into a header as it is; null when it can.
    const char* nameRefusal(const std::string& stored, bool folder) const;
    bool folderIsEmpty(const std::string& folder) const;
    bool excluded(const std::string& path) const;
    void matchGathered(Entry entry, const std::string& stored);
    void replaceOrRename(std::vector<Entry>::iterator old, Entry entry, bool same,
                         const std::string& stored);
    bool renameOldCopy(Entry& old);
    void gather();
    bool gatherNew();
    bool prepareDefaultDir();
    bool driveCheck();
    bool archiveFolderExists();
    bool existingArchiveWritable();
    int readOnly(bool archiveExists);
    int buildArchive(bool archiveExists);
    std::unique_ptr<ByteStream> openOutput(std::optional<platform::TemporaryFile>& temporary);
    void writeEntries(ByteStream& output, ByteStream* old);
    void flushOutput(BufferedWriter& output);
    bool moveIntoPlace(const std::string& temporary, std::int64_t previousSize, ByteStream& output);
    void copyIntoPlace(ByteStream& source, ByteStream& sender);
    void finishRun();
    void deleteFile(const std::string& path) const;
    int run();

    std::unordered_set<std::string> newNames_; // header names added this run, as stored
    TCompressMethod compressMethod_ = cmTarred;
    std::string defaultExt_;
    std::string tempDir_;
};

// Adds the accepted-method set and the DefaultExt rule; a tar writer's direct base.
class TCompBase : public TCustomCClass {};

} // namespace palvex::archive
