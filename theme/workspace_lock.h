#pragma once

#include "theme/pipeline_ui.h"

#include <QLockFile>
#include <QString>
#include <memory>

namespace palvex::theme {

// The lock file beside the workspace, where every program looks first. Named after the
// resolved workspace, so that every spelling of one folder (through a link, with "..") meets
// the same lock.
QString lockFileBeside(const QString& workspace);

// Whether a lock file of this program lies where the workspace's lock goes (beside it, or in
// the private temporary folder): a workspace whose unpack has only just begun has no slot file
// yet, but it has that.
bool hasLockFile(const QString& workspace);

// One pipeline per workspace at a time, across programs: unpack, change, compile and the
// removal hold this lock while they run. The lock file lies beside the workspace (in the
// private temporary folder when that folder takes no files); the lock of a process that
// died is taken over.
class WorkspaceLock {
public:
    explicit WorkspaceLock(const QString& workspace);

    bool isLocked() const { return lock_ && lock_->isLocked(); }
    // Another program holds the workspace. (Where no lock file can be made at all, nobody
    // can hold one, and the pipeline goes on.)
    bool inUse() const { return holder_ != 0; }
    // The process that holds the workspace; -1 when its lock file does not say.
    qint64 holder() const { return holder_; }
    // Set when something that is no lock file stands at the lock's path (a folder, a link):
    // no program can take the lock until someone removes it, so it is refused and says so.
    const QString& blocked() const { return blocked_; }

private:
    bool tryAt(const QString& lockFile);

    std::unique_ptr<QLockFile> lock_;
    qint64 holder_ = 0;
    QString blocked_;
};

// Holds the workspace for a pipeline's scope; when another program holds it, shows the error
// box that says so and converts to false.
class WorkspaceGuard {
public:
    WorkspaceGuard(const QString& workspace, PipelineUi& ui);
    explicit operator bool() const { return !lock_.inUse() && lock_.blocked().isEmpty(); }

private:
    WorkspaceLock lock_;
};

} // namespace palvex::theme
