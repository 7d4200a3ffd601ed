#pragma once

#include "cli/commands.h"

#include <QString>

namespace palvex::cli {

// The command a command line names: its first argument that is neither an option nor the
// value of one. Read before any application object exists, to choose which one to make.
QString commandName(int argc, char* argv[]);

// The command of that name in the table, or none.
const Command* findCommand(const QList<Command>& table, const QString& name);

// Names the running application, parses the command line against every option and runs
// the command it names from table; answers the exit status.
int runCommandLine(const QList<Command>& table);

} // namespace palvex::cli
