#pragma once

#include <QString>
#include <QStringList>
#include <QTextStream>

namespace palvex::cli {

struct CommandContext {
    QStringList arguments; // after the command's name
    QString workspace;
    QTextStream& out;
    QTextStream& err;
};

struct Command {
    const char* name;
    const char* synopsis;
    int argumentCount;
    int (*run)(CommandContext&);
};

// Every command of palvex-theme, in the order --help lists them.
const QList<Command>& commands();

} // namespace palvex::cli
