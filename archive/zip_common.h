#pragma once

#include "archive/archive_errors.h"
#include "archive/archive_types.h"
#include "platform/byte_stream.h"
#include "platform/time_zone.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace palvex::archive {

// The frame every archive component shares: archive file and type, options, events, error
// reporting, cancel, progress and elapsed time. No run lets an exception out; problems reach
// the caller through OnError and the counts.
class TZipCommon {
public:
    TZipCommon();
    virtual ~TZipCommon();
    TZipCommon(const TZipCommon&) = delete;
    TZipCommon& operator=(const TZipCommon&) = delete;

    // Events; each is called only when assigned. Sender is the component.
    std::function<void(TZipCommon& Sender)> OnActivate;
    std::function<void(TZipCommon& Sender)> OnDeactivate;
    std::function<void(TZipCommon& Sender, float ElapsedTime)> OnElapsedTime;
    std::function<void(TZipCommon& Sender, std::uint8_t ByFile, std::uint8_t ByArchive)> OnProgress;
    std::function<void(TZipCommon& Sender, const std::string& FileName,
                       const std::string& ExtendedMsg, const std::string& VolumeID, int ECode)>
        OnError;
    std::function<void(TZipCommon& Sender, const std::string& FileName, int Count, bool& Extract)>
        OnBegin;
    std::function<void(TZipCommon& Sender, const std::string& FileName, bool CRC_PASS)> OnEnd;
    std::function<void(TZipCommon& Sender, const std::string& FileName, std::string& NewFileName)>
        OnRenameFile;
    std::function<void(TZipCommon& Sender, const std::string& FileName)> OnExcludeFile;
    // Something the run changed or left aside while the file itself went through: no error.
    std::function<void(TZipCommon& Sender, const std::string& FileName, const std::string& Text)>
        OnWarning;

    // Services the user interface's message queue during a run, so that a window repaints
    // and a cancel request can come in.
    std::function<void()> ProcessMessages;
    // The zone header times are converted in; tests put in zones of their own.
    TimeZoneInformation TimeZone;

    // Options that only store.
    bool RecurseDirs = true;
    bool TranslateOemChar = true;
    TDateAttribute DateAttribute = daFileDate;
    TOverwriteMode OverwriteMode = omOverwrite;
    TarqFileAttributes Attributes = kDefaultAttributes;
    TarqFileAttributes AttributesEx = 0;

    // Masks; assigning copies the list.
    std::vector<std::string> FileSpec;
    std::vector<std::string> ExcludeSpec;

    const std::string& ArchiveFile() const { return archiveFile_; }
    virtual void setArchiveFile(const std::string& name) = 0;
    TArcType ArcType() const { return arcType_; }
    virtual void setArcType(TArcType value) = 0;
    // The archive file's last-write time in the packed two-second form.
    std::uint32_t ArchiveDate() const { return archiveDate_; }

    bool Cancel() const { return cancel_; }
    void setCancel(bool value);
    int FileCount() const { return fileCount_; }

    // One element of Attributes or AttributesEx on or off; elements above 15 are ignored.
    void SetAttribute(int element, bool on);
    void SetAttributeEx(int element, bool on);

    // Reports through OnError; never raises. While cancelled every report is 25443. The
    // reason, the system's own word on what went wrong, is readable through ErrorReason()
    // while OnError runs: the event's fields are fixed, a log line may still want it.
    void ErrorEvent(const std::string& FileName, const std::string& ExtendedMsg,
                    const std::string& VolumeID, int code, const std::string& reason = {});
    // Reports, then raises E_RAISE, unless the run is being cancelled.
    void RaiseError(const std::string& FileName, const std::string& ExtendedMsg,
                    const std::string& VolumeID, int code, const std::string& reason = {});
    const std::string& ErrorReason() const { return errorReason_; }
    // Reports through OnWarning; never raises.
    void WarningEvent(const std::string& FileName, const std::string& Text);

protected:
    // The reader's rule: a missing file empties the name and gives atNA; an existing one
    // is opened and its type detected.
    void assignReaderArchiveFile(const std::string& name);
    TArcType detectType(const std::string& path);

    // Whether an ExcludeSpec mask matches the name; fires OnExcludeFile when one does.
    bool excludedBySpec(const std::string& name);

    void resetRunState();
    // Percentages of the current file and of the whole archive; services the message
    // queue, then OnProgress. A failure inside is ignored.
    void progressStep(std::int64_t fileSize, std::int64_t done);
    // Reads up to count bytes; a read error counts as nothing read.
    std::int64_t ReadBlock(ByteStream& stream, void* buffer, std::int64_t count);
    void serviceMessages();
    // The date an entry gets by DateAttribute, packed.
    std::uint32_t selectDate(std::uint32_t packedEntryDate) const;
    void noteDate(std::uint32_t packedDate);

    // The elapsed-time clock, running only while OnElapsedTime is assigned.
    void startClock();
    void pauseClock();
    void resumeClock();
    float stopClock();
    // Pauses the clock for a handler's call.
    template <typename Handler, typename... Args>
    void callHandler(const Handler& handler, Args&&... args) {
        if (!handler)
            return;
        pauseClock();
        handler(*this, std::forward<Args>(args)...);
        resumeClock();
    }

    // Fires one of the run's own events; an exception from its handler is dropped, as no
    // run lets one out.
    template <typename Handler, typename... Args>
    void fireQuietly(const Handler& handler, Args&&... args) {
        if (!handler)
            return;
        try {
            handler(*this, std::forward<Args>(args)...);
        } catch (...) {
        }
    }

    std::string archiveFile_;
    TArcType arcType_ = atNA;
    std::uint32_t archiveDate_ = 0;
    std::string currentFileName_;
    std::string volumeName_;
    bool cancel_ = false;
    int fileCount_ = 0;
    std::int64_t totalBytes_ = 0;     // of the archive
    std::int64_t remainingBytes_ = 0; // of the archive still to process
    std::int64_t currentFileSize_ = 0;
    std::uint8_t byFile_ = 0;
    std::uint8_t byArchive_ = 0;
    std::uint32_t newestDate_ = 0;

private:
    using Clock = std::chrono::steady_clock;
    bool clockRunning_ = false;
    bool clockPaused_ = false;
    Clock::time_point clockStart_;
    Clock::time_point clockPause_;
    float elapsed_ = 0;
    std::string errorReason_;
};

// percent(total, part): 0 for a total of 0 or less, else part * 100 / total to the nearest
// integer, limited to 0..100.
std::uint8_t percentOf(std::int64_t total, std::int64_t part);

} // namespace palvex::archive
