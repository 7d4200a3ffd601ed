#include "theme/workspace_lock.h"

#include "platform/temporary_files.h"
#include "theme/texts.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>

namespace palvex::theme {

namespace {

QString besideWorkspace(const QFileInfo& workspace) {
    return workspace.absolutePath() + QLatin1Char('/') + workspace.fileName() +
           QStringLiteral(".lock");
}

// Where the lock goes when the workspace's parent folder takes no files (a read-only mount):
// named after the workspace, so every program of this user finds the same one.
QString inTemporaryFolder(const QFileInfo& workspace) {
    const QString folder = QString::fromStdString(platform::temporaryFolder());
    if (folder.isEmpty())
        return {};
    const QByteArray key =
        QCryptographicHash::hash(workspace.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(16);
    return folder + QStringLiteral("workspace-") + QString::fromLatin1(key) +
           QStringLiteral(".lock");
}

} // namespace

QString lockFileBeside(const QString& workspace) {
    return besideWorkspace(QFileInfo(workspace));
}

WorkspaceLock::WorkspaceLock(const QString& workspace) {
    const QFileInfo info(workspace);
    QDir().mkpath(info.absolutePath());
    if (!tryAt(besideWorkspace(info)) && holder_ == 0)
        tryAt(inTemporaryFolder(info));
}

bool WorkspaceLock::tryAt(const QString& lockFile) {
    if (lockFile.isEmpty())
        return false;
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
    if (lock_.inUse())
        ui.showError(texts::kWorkspaceInUse.arg(lock_.holder()));
}

} // namespace palvex::theme
