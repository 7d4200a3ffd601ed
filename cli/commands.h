#pragma once

#include "editor/slot_catalogue.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>
#include <QTextStream>

namespace palvex::cli {

struct CommandContext {
    QStringList arguments; // after the command's name
    QString workspace;
    const QCommandLineParser& parser; // holds every option of commandOptions()
    QTextStream& out;
    QTextStream& err;
};

struct Command {
    const char* name;
    const char* synopsis;
    int minArguments;
    int maxArguments;
    int (*run)(CommandContext&); // empty: the command runs in the picture part
};

// Every option a command may read, --workspace first; the parser knows them all and each
// command reads the ones it understands.
const QList<QCommandLineOption>& commandOptions();

// A model by its command-line name; says on err what the names are when it is none.
std::optional<editor::TerminalModel> parseModel(CommandContext& context, const QString& name);
// A path given on the command line, made absolute against the current folder.
QString absolute(const QString& path);

// Every command of palvex-theme, in the order --help lists them.
const QList<Command>& commands();

} // namespace palvex::cli
