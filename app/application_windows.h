#pragma once

#include "app/splash_window.h"
#include "editor/editor_window.h"

namespace palvex::app {

// The program's three windows, created once in this order and never destroyed before the
// program ends: the chooser first, so that it is the main window, then the two editors,
// hidden until the chooser hands over to one of them.
class ApplicationWindows {
public:
    explicit ApplicationWindows(const QString& workspaceRoot);

    // An archive the program was started with ("Open with" on the desktop): the editor the
    // user then chooses opens it, once.
    void openWhenChosen(const QString& archive) { pendingArchive_ = archive; }

    TfrmSplash frmSplash;
    editor::TfrmPlus frmPlus;
    editor::TfrmMain frmMain;

private:
    void openPendingArchive(QWidget* editor);

    QString pendingArchive_;
};

} // namespace palvex::app
