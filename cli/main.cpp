#include "cli/command_line.h"
#include "cli/picture_part.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    using namespace palvex::cli;
    // Commands that work on pictures run in the picture part, which brings the GUI libraries
    // with it; the archive commands start with QtCore alone.
    const Command* command = findCommand(commands(), commandName(argc, argv));
    if (command && !command->run)
        return runPicturePart(argc, argv);
    QCoreApplication app(argc, argv);
    return runCommandLine(commands());
}
