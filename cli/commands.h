#pragma once

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
    int (*run)(CommandContext&);
};

// Every option a command may read, --workspace first; the parser knows them all and each
// command reads the ones it understands.
const QList<QCommandLineOption>& commandOptions();

// Every command of palvex-theme, in the order --help lists them.
const QList<Command>& commands();

} // namespace palvex::cli
