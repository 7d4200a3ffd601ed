#include "archive/custom_d_class.h"

#include "archive/masks.h"
#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/file_attributes.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace palvex::archive {

namespace {

constexpr std::int64_t kCopyBlock = 32768;

std::string lexicallyNormal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
}

std::string absolutePath(const std::string& path) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path, error);
    return error ? path : absolute.string();
}

// Output paths split at "/" only: a ":" inside a stored name is part of the name.
std::string folderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string{} : path.substr(0, slash + 1);
}

// Archives made on Windows may start a name with a drive ("C:" or "C:/"); nothing else is one.
std::string withoutDrive(std::string name) {
    if (name.size() >= 2 && name[1] == ':' && std::isalpha(static_cast<unsigned char>(name[0])))
        name.erase(0, name.size() > 2 && name[2] == '/' ? 3 : 2);
    else if (!name.empty() && name.front() == '/')
        name.erase(0, 1);
    return name;
}

bool isLink(const std::string& path) {
    const std::uint32_t word = platform::attributeWord(path);
    return word != platform::attr::NoEntry && (word & platform::attr::ReparsePoint);
}

} // namespace

TCustomDClass::TCustomDClass() = default;

void TCustomDClass::setArchiveFile(const std::string& name) {
    assignReaderArchiveFile(name);
}

void TCustomDClass::setArcType(TArcType) {
    if (archiveFile_.empty())
        return;
    try {
        FileStream probe(archiveFile_, FileStream::Mode::OpenRead);
    } catch (const Exception&) {
        arcType_ = atFileOpenErr;
        return;
    }
    arcType_ = detectType(archiveFile_);
}

void TCustomDClass::setExtractDir(const std::string& folder) {
    const std::string chosen =
        !folder.empty() || archiveFile_.empty() ? folder : folderPart(archiveFile_);
    // Made absolute once, so that output paths and the containment check share one root.
    extractDir_ = chosen.empty() ? std::string{} : withTrailingSeparator(absolutePath(chosen));
}

int TCustomDClass::Extract() {
    try {
        return runExtract();
    } catch (...) {
        // An OnError handler that throws ends the run; the exception goes no further.
        return fileCount_;
    }
}

int TCustomDClass::runExtract() {
    if (archiveFile_.empty()) {
        fileCount_ = 0;
        ErrorEvent("", "", "", error_code::FileNotFound);
        return 0;
    }
    std::unique_ptr<FileStream> archive;
    try {
        archive = std::make_unique<FileStream>(archiveFile_, FileStream::Mode::OpenRead);
    } catch (const Exception& error) {
        fileCount_ = 0;
        ErrorEvent("", "", archiveFile_, error_code::OpenError, error.what());
        return 0;
    }
    resetRunState();
    if (CpuType == cpt80486)
        CpuType = cptAuto;
    const std::string remembered = archiveFile_;

    fireQuietly(OnActivate);
    startClock();
    OutPath.clear();
    try {
        formatStep(*archive);
    } catch (...) {
        // The run ends quietly; what went wrong was reported as it happened.
    }
    if (OnElapsedTime)
        fireQuietly(OnElapsedTime, stopClock());
    fireQuietly(OnDeactivate);
    archiveFile_ = remembered;
    return fileCount_;
}

bool TCustomDClass::selected(const std::string& storedName) {
    if (storedName.empty())
        return false;
    auto folderOf = [](const std::string& name) {
        const std::string folder = folderPart(name);
        return folder.empty() ? folder : folder.substr(0, folder.size() - 1) + '/';
    };
    const std::string nameFolder = folderOf(storedName);
    for (std::string& mask : FileSpec) {
        if (mask.empty())
            continue;
        if (excludedBySpec(storedName))
            return false;
        if (equalsNoCase(mask, storedName))
            return true;
        const std::string maskFolder = folderOf(mask);
        std::string candidate;
        if (RecurseDirs) {
            candidate = maskFolder.empty() ? storedName.substr(nameFolder.size()) : storedName;
        } else {
            if (!equalsNoCase(nameFolder, maskFolder))
                continue;
            candidate = storedName;
        }
        if (maskMatches(mask, candidate))
            return true;
        if (candidate.find('.') == std::string::npos)
            candidate += '.';
        if (mask.find('.') == std::string::npos)
            mask += '.'; // kept in FileSpec, as readers always did
        if (maskMatches(mask, candidate))
            return true;
    }
    return false;
}

std::string TCustomDClass::outputPath(const std::string& entryName) {
    if (entryName.empty())
        return {};
    if (extractDir_.empty()) {
        setExtractDir(folderPart(archiveFile_));
        if (extractDir_.empty())
            extractDir_ = withTrailingSeparator(std::filesystem::current_path().string());
    }
    const std::string name = withoutDrive(entryName);
    std::string folder = extractDir_;
    if (UseStoredDirs)
        folder += folderOf(name);
    if (folder.empty() || folder.front() != '/')
        folder = withTrailingSeparator(std::filesystem::current_path().string()) + folder;
    return withTrailingSeparator(folder) + name.substr(folderOf(name).size());
}

void TCustomDClass::refuseEntry(const std::string& reason, std::int64_t size) {
    ErrorEvent(OutPath, "", "0", error_code::OpenError, reason);
    skipFile(size);
}

bool TCustomDClass::safeToWrite(const std::string& entryName, const std::string& outPath) {
    auto refuse = [&](const std::string& reason) {
        ErrorEvent(outPath, "", "0", error_code::OpenError, reason);
        return false;
    };
    std::size_t start = 0;
    while (start <= entryName.size()) {
        const std::size_t end = std::min(entryName.find('/', start), entryName.size());
        if (entryName.compare(start, end - start, "..") == 0)
            return refuse("the stored name climbs out with \"..\"");
        start = end + 1;
    }
    const std::string root = withTrailingSeparator(lexicallyNormal(extractDir_));
    std::string target = lexicallyNormal(outPath);
    // The extraction folder itself (a "./" entry) is inside; anything else must be below it.
    if (withTrailingSeparator(target) == root)
        return true;
    if (target.size() <= root.size() || target.compare(0, root.size(), root) != 0)
        return refuse("the output path lies outside the extraction folder");
    for (std::size_t at = target.find('/', root.size());; at = target.find('/', at + 1)) {
        const std::string step = target.substr(0, at);
        if (isLink(step))
            return refuse("a symbolic link stands at " + step);
        if (at == std::string::npos)
            break;
    }
    return true;
}

bool TCustomDClass::beginCheck() {
    bool extract = true;
    if (OnBegin) {
        if (OnRenameFile) {
            std::string renamed = OutPath;
            callHandler(OnRenameFile, OutPath, renamed);
            if (!renamed.empty()) {
                createFolderWithParents(folderOf(renamed));
                OutPath = renamed;
            }
        }
        callHandler(OnBegin, OutPath, fileCount_ + 1, extract);
    }
    if (cancel_ || !extract)
        return false;
    if (!ConfirmOverwrites) {
        if (OverwriteMode != omOverwrite)
            return false;
        ++fileCount_;
        return true;
    }
    OverwriteMode = omOverwrite;
    if (platform::existsAsFile(OutPath)) {
        if (OnFileExists) {
            for (;;) {
                std::string answer;
                callHandler(OnFileExists, OutPath, answer, OverwriteMode);
                if (answer.empty())
                    answer = OutPath;
                createFolderWithParents(folderOf(answer));
                if (OverwriteMode == omOverwrite && !equalsNoCase(answer, OutPath))
                    OutPath = answer;
                else if (equalsNoCase(answer, OutPath))
                    break;
                if (cancel_ || OverwriteMode == omSkip || !platform::existsAsFile(OutPath))
                    break;
            }
            if (!cancel_ && OverwriteMode != omSkip) {
                const std::uint32_t word = platform::attributeWord(OutPath);
                if (word != platform::attr::NoEntry && (word & platform::attr::ReadOnly)) {
                    if (word & (platform::attr::System | platform::attr::Directory)) {
                        ErrorEvent(OutPath, "", volumeName_, error_code::WriteError);
                        return false;
                    }
                    platform::setNormalAttributes(OutPath);
                }
            }
        } else {
            ErrorEvent(OutPath, "OnFileExists", volumeName_, error_code::EventNotAssigned);
            OverwriteMode = omSkip;
        }
    }
    if (cancel_ || OverwriteMode != omOverwrite || OutPath.empty())
        return false;
    ++fileCount_;
    return true;
}

void TCustomDClass::skipFile(std::int64_t size) {
    remainingBytes_ -= size;
    progressStep(size, size);
}

bool TCustomDClass::extractFile(ByteStream& source, std::int64_t size, std::uint32_t packedDate) {
    if (!beginCheck()) {
        skipFile(size);
        return true;
    }
    createFolderWithParents(folderOf(OutPath));
    // A read-only file in the way is not replaced, as the file system would refuse it.
    const std::uint32_t existing = platform::attributeWord(OutPath);
    const bool readOnly =
        existing != platform::attr::NoEntry && (existing & platform::attr::ReadOnly);
    platform::StagedFile out(readOnly ? std::string{} : OutPath);
    if (readOnly || !out.isOpen()) {
        refuseEntry(readOnly ? "the file in the way is read-only" : std::strerror(out.error()),
                    size);
        --fileCount_;
        endOfEntry();
        return true;
    }
    const CopyResult copied = copyData(source, out, size); // a full disk raises
    if (copied != CopyResult::Complete) {
        if (fileCount_ > 0)
            --fileCount_;
        if (copied != CopyResult::WriteFailed)
            endOfEntry(copied != CopyResult::Cut);
        return copied != CopyResult::Cut;
    }
    finishFile(out, packedDate);
    endOfEntry();
    return true;
}

TCustomDClass::CopyResult TCustomDClass::copyData(ByteStream& source, platform::StagedFile& out,
                                                  std::int64_t size) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(size, kCopyBlock)));
    std::int64_t left = size;
    while (left > 0) {
        const std::int64_t got = ReadBlock(source, buffer.data(), std::min(left, kCopyBlock));
        if (got <= 0)
            return CopyResult::Cut; // the data ends early: the file is not written
        left -= got;
        remainingBytes_ -= got;
        if (!out.write(buffer.data(), got)) {
            if (out.error() == ENOSPC || out.error() == EDQUOT) {
                fileCount_ = 0;
                RaiseError(archiveFile_, OutPath, "0", error_code::DiskFull,
                           "no room left for " + OutPath);
            }
            ErrorEvent(OutPath, "", archiveFile_, error_code::WriteError,
                       std::strerror(out.error()));
            return CopyResult::WriteFailed;
        }
        progressStep(size, size - left);
        if (cancel_)
            return CopyResult::Cancelled;
    }
    return CopyResult::Complete;
}

void TCustomDClass::finishFile(platform::StagedFile& out, std::uint32_t packedDate) {
    const DateTime local = UnpackFileDate(selectDate(packedDate));
    out.setModificationTime(UtcFromLocal(local, TimeZone));
    // Tar entries carry only the archive attribute, so there is nothing to restore.
    if (!out.close()) {
        ErrorEvent(OutPath, "", volumeName_, error_code::CloseError, std::strerror(out.error()));
        --fileCount_;
    } else if (!out.commit()) {
        ErrorEvent(OutPath, "", "0", error_code::OpenError, std::strerror(out.error()));
        --fileCount_;
    }
}

// A file whose data stopped early fails this check even without a checksum: its bytes are
// not all there.
void TCustomDClass::endOfEntry(bool dataComplete) {
    const bool passed = !cancel_ && dataComplete;
    if (OnEnd)
        fireQuietly(OnEnd, OutPath, passed);
    if (!passed && (!OnEnd || !dataComplete))
        ErrorEvent(OutPath, "", volumeName_, error_code::CrcError,
                   dataComplete ? "" : "the archive ends inside this entry's data");
}

} // namespace palvex::archive
