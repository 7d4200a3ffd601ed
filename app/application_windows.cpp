#include "app/application_windows.h"

#include <utility>

namespace palvex::app {

ApplicationWindows::ApplicationWindows(const QString& workspaceRoot)
    : frmPlus(workspaceRoot), frmMain(workspaceRoot) {
    frmSplash.setEditors(&frmMain, &frmPlus);
    for (editor::TEditorWindow* editor : {static_cast<editor::TEditorWindow*>(&frmPlus),
                                          static_cast<editor::TEditorWindow*>(&frmMain)})
        QObject::connect(editor, &editor::TEditorWindow::formClosed, &frmSplash, &QWidget::show);
    QObject::connect(&frmSplash, &TfrmSplash::handedOver, &frmSplash,
                     [this](QWidget* editor) { openPendingArchive(editor); });
}

void ApplicationWindows::openPendingArchive(QWidget* editor) {
    if (pendingArchive_.isEmpty())
        return;
    const QString archive = std::exchange(pendingArchive_, QString());
    static_cast<editor::TEditorWindow*>(editor)->openArchiveFile(archive);
}

} // namespace palvex::app
