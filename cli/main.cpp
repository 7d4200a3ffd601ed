#include "cli/commands.h"
#include "editor/workspace.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("palvex-theme"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALVEX_VERSION));

    QString description = QStringLiteral("Works on Palvex terminal theme archives from the shell.\n"
                                         "MODEL is korvell or korvell-plus; SLOT is an index, a "
                                         "label or a file name from `slots`.\n\nCommands:");
    for (const auto& command : palvex::cli::commands())
        description += QStringLiteral("\n  ") + QLatin1String(command.synopsis);

    QCommandLineParser parser;
    parser.setApplicationDescription(description);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(palvex::cli::commandOptions());
    const QString workspaceOption = QStringLiteral("workspace");
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."));
    parser.process(app);

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        err << parser.helpText();
        return 2;
    }
    const QString name = arguments.takeFirst();
    for (const auto& command : palvex::cli::commands()) {
        if (name != QLatin1String(command.name))
            continue;
        if (arguments.size() < command.minArguments || arguments.size() > command.maxArguments) {
            err << "Usage: palvex-theme " << command.synopsis << " [--workspace DIR]" << Qt::endl;
            return 2;
        }
        const QString workspace =
            parser.isSet(workspaceOption)
                ? QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(workspaceOption)))
                : palvex::editor::workspaceRoot();
        palvex::cli::CommandContext context{arguments, workspace, parser, out, err};
        return command.run(context);
    }
    err << "Unknown command \"" << name << "\"; palvex-theme --help lists them." << Qt::endl;
    return 2;
}
