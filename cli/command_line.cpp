#include "cli/command_line.h"

#include "theme/workspace.h"

#include <QCoreApplication>
#include <QDir>

namespace palvex::cli {

namespace {

bool takesValue(const QString& option) {
    for (const QCommandLineOption& known : commandOptions())
        if (known.names().contains(option))
            return !known.valueName().isEmpty();
    return false;
}

QString helpDescription(const QList<Command>& table) {
    QString description = QStringLiteral("Works on Palvex terminal theme archives from the shell.\n"
                                         "MODEL is korvell or korvell-plus; SLOT is an index, a "
                                         "label or a file name from `slots`.\n\nCommands:");
    for (const auto& command : table)
        description += QStringLiteral("\n  ") + QLatin1String(command.synopsis);
    return description;
}

} // namespace

QString commandName(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        const QString argument = QString::fromLocal8Bit(argv[i]);
        if (argument == QLatin1String("--"))
            return i + 1 < argc ? QString::fromLocal8Bit(argv[i + 1]) : QString();
        if (!argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-"))
            return argument;
        const QString option = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
        if (!option.contains(QLatin1Char('=')) && takesValue(option))
            ++i;
    }
    return {};
}

const Command* findCommand(const QList<Command>& table, const QString& name) {
    for (const Command& command : table)
        if (name == QLatin1String(command.name))
            return &command;
    return nullptr;
}

int runCommandLine(const QList<Command>& table) {
    QCoreApplication::setApplicationName(QStringLiteral("palvex-theme"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PALVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(helpDescription(table));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(commandOptions());
    const QString workspaceOption = QStringLiteral("workspace");
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("What to do."));
    parser.process(*QCoreApplication::instance());

    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = parser.positionalArguments();
    if (arguments.isEmpty()) {
        err << parser.helpText();
        return 2;
    }
    const QString name = arguments.takeFirst();
    const Command* command = findCommand(table, name);
    if (!command || !command->run) {
        err << "Unknown command \"" << name << "\"; palvex-theme --help lists them." << Qt::endl;
        return 2;
    }
    if (arguments.size() < command->minArguments || arguments.size() > command->maxArguments) {
        err << "Usage: palvex-theme " << command->synopsis << " [--workspace DIR]" << Qt::endl;
        return 2;
    }
    // An option the command does not read would be silently ignored: refused instead.
    const QStringList known = QString::fromLatin1(command->options).split(QLatin1Char(' '));
    for (const QString& option : parser.optionNames()) {
        if (option != workspaceOption && !known.contains(option)) {
            err << "--" << option << " does not apply to " << name
                << "; palvex-theme --help says which command reads it." << Qt::endl;
            return 2;
        }
    }
    // What an unset shell variable gives: taken as the current folder, it would have a clean
    // remove that folder and an unpack fill it.
    if (parser.isSet(workspaceOption) && parser.value(workspaceOption).isEmpty()) {
        err << "--workspace is empty: give the workspace folder." << Qt::endl;
        return 1;
    }
    const QString workspace =
        parser.isSet(workspaceOption)
            ? QDir::cleanPath(QDir::current().absoluteFilePath(parser.value(workspaceOption)))
            : palvex::theme::workspaceRoot();
    CommandContext context{arguments, workspace, parser, out, err};
    return command->run(context);
}

} // namespace palvex::cli
