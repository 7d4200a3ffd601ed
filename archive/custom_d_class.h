#pragma once

#include "archive/zip_common.h"

namespace palvex::archive {

// The reader side: the Extract run and the rules a format step applies to each entry
// (selection, output path, overwrite decision, writing, dating and counting).
class TCustomDClass : public TZipCommon {
public:
    TCustomDClass();

    bool UseStoredDirs = true;
    bool CreateStoredDirs = false;
    bool ConfirmOverwrites = false;
    bool RestoreFileAttr = true;
    TCpuType CpuType = cptAuto; // has no effect

    std::function<void(TZipCommon& Sender, const std::string& FileName, std::string& NewFileName,
                       TOverwriteMode& OverwriteMode)>
        OnFileExists;

    void setArchiveFile(const std::string& name) override;
    // Re-detects the type from the file; the value given is not stored.
    void setArcType(TArcType value) override;
    // Gets a trailing "/"; empty means the archive's own folder.
    const std::string& ExtractDir() const { return extractDir_; }
    void setExtractDir(const std::string& folder);

    // Unpacks ArchiveFile with the current options; answers the number of files written.
    // Never raises: failures reach OnError.
    int Extract();

protected:
    // The archive format's part: lists and extracts the entries of the open archive.
    virtual void formatStep(ByteStream& archive) = 0;

    // Per-entry rules for the format step.
    bool selected(const std::string& storedName);
    std::string outputPath(const std::string& entryName);
    // Refuses (and reports) an entry that would land outside ExtractDir or through a link.
    bool safeToWrite(const std::string& entryName, const std::string& outPath);
    // Writes size bytes from archive to OutPath: begin check, output, copy, finish, end check.
    void extractFile(ByteStream& archive, std::int64_t size, std::uint32_t packedDate);
    void skipFile(std::int64_t size);

    std::string EntryName;
    std::string OutPath;

private:
    bool beginCheck();
    void copyData(ByteStream& archive, int fd, std::int64_t size);
    void finishFile(int fd, std::uint32_t packedDate);
    void endOfEntry();

    std::string extractDir_;
};

// Readers publish ExcludeSpec and OnExcludeFile; the frame holds both already.
class TUnBase : public TCustomDClass {};

} // namespace palvex::archive
