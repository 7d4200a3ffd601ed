#include "app/application_windows.h"
#include "app/display_check.h"
#include "platform/temporary_files.h"
#include "theme/texts.h"
#include "theme/workspace.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <cstdio>

int main(int argc, char* argv[]) {
    if (!palvex::app::displayReachable()) {
        std::fputs("No graphical display can be reached; start the program under Xvfb instead: "
                   "xvfb-run -a palvex-image-changer\n",
                   stderr);
        return 1;
    }
    // What a killed run left in the private temporary folder goes before this one starts.
    palvex::platform::sweepStaleTemporaryFiles();
    QApplication app(argc, argv);
    QApplication::setApplicationName(palvex::theme::texts::kApplicationTitle);
    QApplication::setQuitOnLastWindowClosed(false); // the chooser's close ends the program

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Replaces the pictures of a Palvex terminal theme. With ARCHIVE, the editor chosen at "
        "start-up opens that theme archive."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("ARCHIVE"), QStringLiteral("A theme archive."),
                                 QStringLiteral("[ARCHIVE]"));
    parser.process(app);

    palvex::app::ApplicationWindows windows(palvex::theme::workspaceRoot());
    if (const QStringList given = parser.positionalArguments(); !given.isEmpty())
        windows.openWhenChosen(QDir::current().absoluteFilePath(given.first()));
    windows.frmSplash.show();
    return QApplication::exec();
}
