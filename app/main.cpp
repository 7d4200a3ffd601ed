#include "app/application_windows.h"
#include "app/display_check.h"
#include "editor/editor_texts.h"
#include "editor/workspace.h"

#include <QApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (!palvex::app::displayReachable()) {
        std::fputs("No graphical display can be reached; start the program under Xvfb instead: "
                   "xvfb-run -a palvex-image-changer\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(palvex::editor::texts::kApplicationTitle);
    QApplication::setQuitOnLastWindowClosed(false); // the chooser's close ends the program

    palvex::app::ApplicationWindows windows(palvex::editor::workspaceRoot());
    windows.frmSplash.show();
    return QApplication::exec();
}
