#include "theme/file_functions.h"

#include "platform/file_attributes.h"
#include "platform/file_info.h"
#include "platform/file_operations.h"
#include "platform/temporary_files.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace palvex::theme {

namespace {
std::string native(const QString& path) {
    return path.toStdString();
}
// The copy keeps the picture's date, so the compiled entry carries it.
void copyKeepingDate(const std::string& source, const std::string& target, std::error_code& error) {
    namespace fs = std::filesystem;
    fs::copy_file(source, target, fs::copy_options::overwrite_existing, error);
    if (error)
        return;
    const fs::file_time_type date = fs::last_write_time(source, error);
    if (!error)
        fs::last_write_time(target, date, error);
}

} // namespace

bool existsAsFile(const QString& path) {
    return platform::existsAsFile(native(path));
}

QString displayName(const QString& path) {
    return QString::fromStdString(platform::displayName(native(path)));
}

std::int64_t fileSize(const QString& path) {
    return platform::fileSize(native(path));
}

bool absentInFolder(const QString& path) {
    return !path.isEmpty() && platform::entryKind(native(path)) == platform::EntryKind::None &&
           platform::entryKind(native(QFileInfo(path).path())) == platform::EntryKind::Folder;
}

bool removeSlotFile(const QString& path, QString* reason) {
    const platform::EntryKind kind = platform::entryKind(native(path));
    if (kind != platform::EntryKind::RegularFile && kind != platform::EntryKind::Link) {
        *reason = QStringLiteral("not a file");
        return false;
    }
    if (platform::removeFile(native(path)))
        return true;
    *reason = QString::fromLocal8Bit(std::strerror(errno));
    return false;
}

QString resolvedPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : folder + QLatin1Char('/') + info.fileName();
}

bool replaceFile(const QString& source, const QString& target, QString* reason) {
    namespace fs = std::filesystem;
    const std::string folder = native(QFileInfo(target).path());
    const std::string staging = platform::createTemporaryFile(folder, ".replace-");
    std::error_code error;
    if (staging.empty()) {
        error = std::error_code(errno, std::generic_category());
    } else {
        copyKeepingDate(native(source), staging, error);
        if (!error)
            fs::rename(staging, native(target), error);
        if (error)
            platform::removeFile(staging);
    }
    if (error && reason)
        *reason = QString::fromStdString(error.message());
    return !error;
}

} // namespace palvex::theme
