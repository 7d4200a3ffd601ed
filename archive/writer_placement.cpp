// The writer's last step: the finished archive takes the old one's place whole, or not at all.
#include "archive/custom_c_class.h"

#include "archive/path_rules.h"
#include "platform/file_attributes.h"
#include "platform/file_operations.h"
#include "platform/temporary_file.h"
#include "platform/trash.h"

#include <cerrno>
#include <vector>

namespace palvex::archive {

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

} // namespace palvex::archive
