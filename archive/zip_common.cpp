#include "archive/zip_common.h"

#include "archive/masks.h"
#include "archive/tar_header.h"
#include "archive/tar_time.h"
#include "platform/file_attributes.h"
#include "platform/file_operations.h"

#include <cmath>
#include <ctime>

namespace palvex::archive {

std::uint8_t percentOf(std::int64_t total, std::int64_t part) {
    if (total <= 0)
        return 0;
    const double value = std::round(static_cast<double>(part) * 100.0 / static_cast<double>(total));
    return static_cast<std::uint8_t>(std::clamp(value, 0.0, 100.0));
}

TZipCommon::TZipCommon() : TimeZone(systemTimeZone()) {}

TZipCommon::~TZipCommon() = default;

void TZipCommon::setCancel(bool value) {
    cancel_ = value;
    if (value)
        ErrorEvent(currentFileName_, "", volumeName_, error_code::UserCanceled);
}

void TZipCommon::SetAttribute(int element, bool on) {
    if (element < 0 || element > 15)
        return;
    Attributes = on ? Attributes | (1u << element) : Attributes & ~(1u << element);
}

void TZipCommon::SetAttributeEx(int element, bool on) {
    if (element < 0 || element > 15)
        return;
    AttributesEx = on ? AttributesEx | (1u << element) : AttributesEx & ~(1u << element);
}

void TZipCommon::ErrorEvent(const std::string& FileName, const std::string& ExtendedMsg,
                            const std::string& VolumeID, int code, const std::string& reason) {
    pauseClock();
    if (cancel_)
        code = error_code::UserCanceled;
    errorReason_ = reason;
    struct Forget {
        std::string& reason;
        ~Forget() { reason.clear(); }
    } forget{errorReason_};
    if (OnError)
        OnError(*this, FileName, ExtendedMsg, VolumeID, code);
    resumeClock();
}

void TZipCommon::RaiseError(const std::string& FileName, const std::string& ExtendedMsg,
                            const std::string& VolumeID, int code, const std::string& reason) {
    ErrorEvent(FileName, ExtendedMsg, VolumeID, code, reason);
    if (!cancel_)
        throw E_RAISE(code);
}

void TZipCommon::WarningEvent(const std::string& FileName, const std::string& Text) {
    pauseClock();
    fireQuietly(OnWarning, FileName, Text);
    resumeClock();
}

TArcType TZipCommon::detectType(const std::string& path) {
    try {
        FileStream stream(path, FileStream::Mode::OpenRead);
        const std::time_t modified = platform::modificationTime(stream.descriptor());
        archiveDate_ = modified != static_cast<std::time_t>(-1)
                           ? PackFileDate(LocalFromUtc(modified, TimeZone))
                           : PackFileDate({1980, 1, 1, 0, 1, 0});
        if (stream.size() <= 19)
            return atNA;
        // Only tar is known here; every other kind of file is unknown.
        return IsTarArchive(stream) ? atTar : atUnknown;
    } catch (const Exception&) {
        return atNA;
    }
}

void TZipCommon::assignReaderArchiveFile(const std::string& name) {
    if (!platform::existsAsFile(name)) {
        arcType_ = atNA;
        archiveFile_.clear();
        return;
    }
    archiveFile_ = name;
    arcType_ = detectType(name);
}

bool TZipCommon::excludedBySpec(const std::string& name) {
    for (const std::string& mask : ExcludeSpec) {
        if (maskMatches(mask, name)) {
            if (OnExcludeFile)
                OnExcludeFile(*this, name);
            return true;
        }
    }
    return false;
}

void TZipCommon::resetRunState() {
    cancel_ = false;
    fileCount_ = 0;
    totalBytes_ = remainingBytes_ = currentFileSize_ = 0;
    byFile_ = byArchive_ = 0;
    newestDate_ = 0;
    volumeName_ = archiveFile_;
}

void TZipCommon::serviceMessages() {
    if (ProcessMessages)
        ProcessMessages();
}

void TZipCommon::progressStep(std::int64_t fileSize, std::int64_t done) {
    try {
        byFile_ = percentOf(fileSize, done);
        byArchive_ = percentOf(totalBytes_, totalBytes_ - remainingBytes_);
        serviceMessages();
        if (OnProgress)
            OnProgress(*this, byFile_, byArchive_);
    } catch (...) {
        // Progress is only a report; a failing handler must not end a run.
    }
}

std::int64_t TZipCommon::ReadBlock(ByteStream& stream, void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    try {
        return stream.read(buffer, count);
    } catch (const Exception&) {
        return 0;
    }
}

std::uint32_t TZipCommon::selectDate(std::uint32_t packedEntryDate) const {
    switch (DateAttribute) {
    case daFileDate:
        return packedEntryDate;
    case daSysDate: {
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        ::localtime_r(&now, &local);
        return PackFileDate({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, local.tm_hour,
                             local.tm_min, local.tm_sec});
    }
    case daMaxFileDate:
        return newestDate_;
    }
    return packedEntryDate;
}

void TZipCommon::noteDate(std::uint32_t packedDate) {
    if (packedDate > newestDate_)
        newestDate_ = packedDate;
}

void TZipCommon::startClock() {
    if (!OnElapsedTime)
        return;
    clockRunning_ = true;
    clockPaused_ = false;
    clockStart_ = Clock::now();
    elapsed_ = 0;
}

void TZipCommon::pauseClock() {
    if (clockRunning_ && !clockPaused_) {
        clockPaused_ = true;
        clockPause_ = Clock::now();
    }
}

void TZipCommon::resumeClock() {
    if (clockRunning_ && clockPaused_) {
        clockStart_ += Clock::now() - clockPause_;
        clockPaused_ = false;
    }
}

float TZipCommon::stopClock() {
    if (clockRunning_) {
        resumeClock();
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - clockStart_)
                .count();
        elapsed_ = static_cast<float>(ms) / 1000.0f;
        clockRunning_ = false;
    }
    return elapsed_;
}

} // namespace palvex::archive
