#include "theme/workspace_removal.h"

#include "platform/tree_removal.h"
#include "theme/printable_text.h"
#include "theme/slot_catalogue.h"
#include "theme/texts.h"
#include "theme/workspace_lock.h"

#include <QDir>
#include <QFileInfo>
#include <cstring>

namespace palvex::theme {

namespace {

QString shown(const QString& path) {
    return printable(QDir::toNativeSeparators(path));
}

// Whether path is folder or lies below it; both canonical.
bool holds(const QString& folder, const QString& path) {
    return !path.isEmpty() && (path == folder || folder == QLatin1String("/") ||
                               path.startsWith(folder + QLatin1Char('/')));
}

bool hasSlotFile(const QString& folder) {
    for (const TerminalModel model : {TerminalModel::Korvell, TerminalModel::KorvellPlus}) {
        for (const Slot& slot : slotCatalogue(model)) {
            const QFileInfo file(folder + QLatin1Char('/') + QString::fromUtf8(slot.relativePath));
            if (file.isFile() && !file.isSymLink())
                return true;
        }
    }
    return false;
}

} // namespace

QString removalRefusal(const QString& workspace, WorkspaceOwner owner) {
    if (workspace.isEmpty())
        return texts::kRemovalEmptyPath;
    const QFileInfo info(workspace);
    if (info.isSymLink())
        return texts::kRemovalLink.arg(shown(workspace));
    if (!info.isDir())
        return texts::kRemovalNotFolder.arg(shown(workspace));
    const QString folder = info.canonicalFilePath();
    if (folder == QLatin1String("/"))
        return texts::kRemovalRoot.arg(shown(workspace));
    if (holds(folder, QFileInfo(QDir::homePath()).canonicalFilePath()))
        return texts::kRemovalHome.arg(shown(workspace));
    if (owner == WorkspaceOwner::Program)
        return {};
    if (holds(folder, QFileInfo(QDir::currentPath()).canonicalFilePath()))
        return texts::kRemovalCurrent.arg(shown(workspace));
    if (!hasSlotFile(folder) && !hasLockFile(folder))
        return texts::kRemovalNoWorkspace.arg(shown(workspace));
    return {};
}

bool removeWorkspace(const QString& workspace, WorkspaceOwner owner, PipelineUi& ui) {
    const QFileInfo info(workspace);
    if (!workspace.isEmpty() && !info.exists() && !info.isSymLink())
        return true;
    if (const QString refusal = removalRefusal(workspace, owner); !refusal.isEmpty()) {
        ui.showError(refusal);
        return false;
    }
    // The folder the checks saw, whatever happens to the spelling's links meanwhile.
    const QString folder = info.canonicalFilePath();
    const WorkspaceGuard lock(folder, ui);
    if (!lock)
        return false;
    const platform::TreeRemoval removal = platform::removeTree(folder.toStdString());
    if (removal)
        return true;
    const QString left = removal.leftBehind.empty()
                             ? shown(folder)
                             : shown(folder + QLatin1Char('/')) + printableName(removal.leftBehind);
    ui.showError(texts::kRemovalIncomplete.arg(
        shown(workspace), left, QString::fromLocal8Bit(std::strerror(removal.error))));
    return false;
}

} // namespace palvex::theme
