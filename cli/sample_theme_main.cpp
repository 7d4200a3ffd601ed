// Draws and compiles the sample themes the build places beside the program.
#include "cli/sample_theme.h"

#include <QGuiApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    const QStringList arguments = QGuiApplication::arguments();
    const auto model =
        arguments.size() == 3 ? palvex::theme::modelFromName(arguments[1]) : std::nullopt;
    if (!model) {
        std::fputs("usage: palvex-sample-theme korvell|korvell-plus OUTPUT\n", stderr);
        return 2;
    }
    const QString error = palvex::cli::writeSampleTheme(*model, arguments[2]);
    if (!error.isEmpty()) {
        std::fputs(qPrintable(error), stderr);
        return 1;
    }
    return 0;
}
