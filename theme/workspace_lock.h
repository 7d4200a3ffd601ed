#pragma once

#include "theme/pipeline_ui.h"

#include <QLockFile>
#include <QString>
#include <memory>

namespace palvex::theme {

// The lock file beside the workspace, where every program looks first.
QString lockFileBeside(const QString& workspace);

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

private:
    bool tryAt(const QString& lockFile);

    std::unique_ptr<QLockFile> lock_;
    qint64 holder_ = 0;
};

// Holds the workspace for a pipeline's scope; when another program holds it, shows the error
// box that says so and converts to false.
class WorkspaceGuard {
public:
    WorkspaceGuard(const QString& workspace, PipelineUi& ui);
    explicit operator bool() const { return !lock_.inUse(); }

private:
    WorkspaceLock lock_;
};

} // namespace palvex::theme
