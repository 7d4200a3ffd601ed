#pragma once

#include "archive/zip_common.h"
#include "platform/staged_file.h"

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
    // Made absolute once, with a trailing "/"; empty means the archive's own folder.
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
    // Writes size bytes from source (the archive at the entry's data, or a file extracted
    // earlier) to OutPath: begin check, output, copy, finish, end check. The file takes its
    // name only when complete. Answers false when the data stopped early: the entry was
    // reported and not written, and the run cannot go on. A full disk raises E_RAISE.
    bool extractFile(ByteStream& source, std::int64_t size, std::uint32_t packedDate);
    void skipFile(std::int64_t size);
    // Reports an entry that is refused, with the reason, as an output that was not created.
    void refuseEntry(const std::string& reason, std::int64_t size);

    std::string EntryName;
    std::string OutPath;

private:
    enum class CopyResult { Complete, Cut, Cancelled, WriteFailed };

    int runExtract();
    bool beginCheck();
    CopyResult copyData(ByteStream& source, platform::StagedFile& out, std::int64_t size);
    void finishFile(platform::StagedFile& out, std::uint32_t packedDate);
    void endOfEntry(bool dataComplete = true);

    std::string extractDir_;
};

// Readers publish ExcludeSpec and OnExcludeFile; the frame holds both already.
class TUnBase : public TCustomDClass {};

} // namespace palvex::archive
