#include "archive/custom_d_class.h"

#include "archive/masks.h"
#include "archive/path_rules.h"
#include "archive/tar_time.h"
#include "platform/file_attributes.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace palvex::archive {

namespace {

constexpr std::int64_t kCopyBlock = 32768;

// The output file for the length of one entry.
class OutputFile {
public:
    explicit OutputFile(const std::string& path)
        // O_NOFOLLOW: a link planted at the last moment is still not written through.
        : fd_(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644)),
          error_(fd_ < 0 ? errno : 0) {}
    ~OutputFile() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;
    int fd() const { return fd_; }
    int error() const { return error_; }
    bool close() { return ::close(std::exchange(fd_, -1)) == 0; }

private:
    int fd_;
    int error_;
};

std::string lexicallyNormal(const std::string& path) {
    return std::filesystem::path(path).lexically_normal().string();
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
    if (!folder.empty())
        extractDir_ = withTrailingSeparator(folder);
    else
        extractDir_ = archiveFile_.empty() ? std::string{} : folderPart(archiveFile_);
}

int TCustomDClass::Extract() {
    if (archiveFile_.empty()) {
        fileCount_ = 0;
        ErrorEvent("", "", "", error_code::FileNotFound);
        return 0;
    }
    std::unique_ptr<FileStream> archive;
    try {
        archive = std::make_unique<FileStream>(archiveFile_, FileStream::Mode::OpenRead);
    } catch (const Exception&) {
        fileCount_ = 0;
        ErrorEvent("", "", archiveFile_, error_code::OpenError);
        return 0;
    }
    resetRunState();
    if (CpuType == cpt80486)
        CpuType = cptAuto;
    const std::string remembered = archiveFile_;

    if (OnActivate)
        OnActivate(*this);
    startClock();
    OutPath.clear();
    try {
        formatStep(*archive);
    } catch (...) {
        // The run ends quietly; what went wrong was reported as it happened.
    }
    if (OnElapsedTime)
        OnElapsedTime(*this, stopClock());
    if (OnDeactivate)
        OnDeactivate(*this);
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
    std::string folder = extractDir_;
    if (UseStoredDirs) {
        std::string name = entryName;
        if (name.find(':') != std::string::npos)
            name.erase(0, name.find('/') == 2 ? 3 : 2); // a drive, with or without its root
        else if (!name.empty() && name.front() == '/')
            name.erase(0, 1);
        folder += folderPart(name);
    }
    // A relative folder is taken from the current one, the nearest POSIX has to a drive root.
    if (folder.find(':') == std::string::npos && (folder.empty() || folder.front() != '/'))
        folder = withTrailingSeparator(std::filesystem::current_path().string()) + folder;
    return withTrailingSeparator(folder) + namePart(entryName);
}

bool TCustomDClass::safeToWrite(const std::string& entryName, const std::string& outPath) {
    auto refuse = [&](const std::string& reason) {
        ErrorEvent(outPath, reason, "0", error_code::OpenError);
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
        struct stat st {};
        if (::lstat(step.c_str(), &st) == 0 && S_ISLNK(st.st_mode))
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
                createFolderWithParents(folderPart(renamed));
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
                createFolderWithParents(folderPart(answer));
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

void TCustomDClass::extractFile(ByteStream& archive, std::int64_t size, std::uint32_t packedDate) {
    if (!beginCheck()) {
        skipFile(size);
        return;
    }
    createFolderWithParents(folderPart(OutPath));
    // A read-only file in the way is not replaced, as the file system would refuse it.
    const std::uint32_t existing = platform::attributeWord(OutPath);
    const bool readOnly =
        existing != platform::attr::NoEntry && (existing & platform::attr::ReadOnly);
    OutputFile out(readOnly ? std::string{} : OutPath);
    if (out.fd() < 0) {
        ErrorEvent(OutPath, readOnly ? "read-only" : std::strerror(out.error()), "0",
                   error_code::OpenError);
        skipFile(size);
        --fileCount_;
        endOfEntry();
        return;
    }
    try {
        copyData(archive, out.fd(), size);
    } catch (...) {
        finishFile(out.fd(), packedDate);
        if (!out.close())
            ErrorEvent(OutPath, "", volumeName_, error_code::CloseError);
        endOfEntry();
        throw;
    }
    finishFile(out.fd(), packedDate);
    if (!out.close())
        ErrorEvent(OutPath, "", volumeName_, error_code::CloseError);
    endOfEntry();
}

void TCustomDClass::copyData(ByteStream& archive, int fd, std::int64_t size) {
    std::vector<char> buffer(static_cast<std::size_t>(std::min(size, kCopyBlock)));
    std::int64_t left = size;
    while (left > 0) {
        const std::int64_t got = ReadBlock(archive, buffer.data(), std::min(left, kCopyBlock));
        if (got <= 0)
            break; // a truncated archive gives a shorter file
        left -= got;
        remainingBytes_ -= got;
        const ssize_t put = ::write(fd, buffer.data(), static_cast<std::size_t>(got));
        if (put < 0 && errno == ENOSPC) {
            fileCount_ = 0;
            RaiseError(archiveFile_, OutPath, "0", error_code::DiskFull);
        } else if (put != got) {
            ErrorEvent(OutPath, "", archiveFile_, error_code::WriteError);
            if (fileCount_ > 0)
                --fileCount_;
        }
        progressStep(size, size - left);
        if (cancel_)
            break;
    }
}

void TCustomDClass::finishFile(int fd, std::uint32_t packedDate) {
    const DateTime local = UnpackFileDate(selectDate(packedDate));
    const std::int64_t utc = UtcFromLocal(local, TimeZone);
    const struct timespec times[2] = {{static_cast<time_t>(utc), 0}, {static_cast<time_t>(utc), 0}};
    ::futimens(fd, times); // a date that cannot be set is no reason to fail the file
    // Tar entries carry only the archive attribute, so there is nothing to restore.
}

void TCustomDClass::endOfEntry() {
    const bool passed = !cancel_;
    if (OnEnd)
        OnEnd(*this, OutPath, passed);
    else if (!passed)
        ErrorEvent(OutPath, "", volumeName_, error_code::CrcError);
}

} // namespace palvex::archive
