#include "app/application_windows.h"

namespace palvex::app {

ApplicationWindows::ApplicationWindows(const QString& workspaceRoot)
    : frmPlus(workspaceRoot), frmMain(workspaceRoot) {
    frmSplash.setEditors(&frmMain, &frmPlus);
    for (editor::TEditorWindow* editor : {static_cast<editor::TEditorWindow*>(&frmPlus),
                                          static_cast<editor::TEditorWindow*>(&frmMain)})
        QObject::connect(editor, &editor::TEditorWindow::formClosed, &frmSplash, &QWidget::show);
}

} // namespace palvex::app
