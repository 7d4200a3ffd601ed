#include "theme/workspace_lock.h"

#include "platform/temporary_files.h"
#include "theme/file_functions.h"
#include "theme/texts.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace palvex::theme {

namespace {

QString besideWorkspace(const QString& resolvedWorkspace) {
    return resolvedWorkspace + QStringLiteral(".lock");
}

// Where the lock goes when the workspace's parent folder takes no files (a read-only mount):
// named after the workspace, so every program of this user finds the same one.
QString inTemporaryFolder(const QString& resolvedWorkspace) {
    const QString folder = QString::fromStdString(platform::temporaryFolder());
    if (folder.isEmpty())
        return {};
    const QByteArray key =
        QCryptographicHash::hash(resolvedWorkspace.toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return folder + QStringLiteral("workspace-") + QString::fromLatin1(key) +
           QStringLiteral(".lock");
}

bool isLockFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

// What stands at the lock's path when it is no lock file; empty when it is one or when
// nothing is there.
QString whatBlocks(const QString& lockFile) {
    const QFileInfo info(lockFile);
    if (info.isSymLink())
        return QStringLiteral("a symbolic link");
    if (info.isDir())
        return QStringLiteral("a folder");
    return info.exists() && !info.isFile() ? QStringLiteral("a special file") : QString();
}

} // namespace

QString lockFileBeside(const QString& workspace) {
    return besideWorkspace(resolvedPath(workspace));
}

bool hasLockFile(const QString& workspace) {
    const QString resolved = resolvedPath(workspace);
    if (isLockFile(besideWorkspace(resolved)))
        return true;
    const QString inTemporary = inTemporaryFolder(resolved);
    return !inTemporary.isEmpty() && isLockFile(inTemporary);
}

WorkspaceLock::WorkspaceLock(const QString& workspace) {
    QDir().mkpath(QFileInfo(workspace).absolutePath());
    const QString resolved = resolvedPath(workspace);
    if (!tryAt(besideWorkspace(resolved)) && holder_ == 0 && blocked_.isEmpty())
        tryAt(inTemporaryFolder(resolved));
}

bool WorkspaceLock::tryAt(const QString& lockFile) {
    if (lockFile.isEmpty())
        return false;
    // QLockFile would read such a thing as a lock whose holder never says who it is.
    if (const QString what = whatBlocks(lockFile); !what.isEmpty()) {
        blocked_ = texts::kLockPathBlocked.arg(QDir::toNativeSeparators(lockFile), what);
        return false;
    }
    lock_ = std::make_unique<QLockFile>(lockFile);
    // Only a holder that died makes a lock stale, never its age: a long compile keeps it.
    lock_->setStaleLockTime(0);
    if (lock_->tryLock(0))
        return true;
    if (lock_->error() == QLockFile::LockFailedError) {
        QString host, application;
        if (!lock_->getLockInfo(&holder_, &host, &application) || holder_ == 0) {
            holder_ = -1;
            // A holder writes who it is as soon as it has the file; one that still says
            // nothing after a while was cut short (a crash, a full disk) and holds nothing.
            const QDateTime written = QFileInfo(lockFile).lastModified();
            if (written.isValid() && written.secsTo(QDateTime::currentDateTime()) > 10 &&
                lock_->removeStaleLockFile() && lock_->tryLock(0)) {
                holder_ = 0;
                return true;
            }
        }
    }
    return false;
}

WorkspaceGuard::WorkspaceGuard(const QString& workspace, PipelineUi& ui) : lock_(workspace) {
    if (!lock_.blocked().isEmpty())
        ui.showError(lock_.blocked());
    else if (lock_.inUse())
        ui.showError(texts::kWorkspaceInUse.arg(lock_.holder()));
}

} // namespace palvex::theme
