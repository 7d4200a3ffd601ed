#include "cli/command_line.h"
#include "cli/picture_part.h"
#include "platform/temporary_files.h"

#include <QCoreApplication>

int main(int argc, char* argv[]) {
    using namespace palvex::cli;
    // What a killed run left in the private temporary folder goes before this one starts.
    palvex::platform::sweepStaleTemporaryFiles();
    // Commands that work on pictures run in the picture part, which brings the GUI libraries
    // with it; the archive commands start with QtCore alone.
    const Command* command = findCommand(commands(), commandName(argc, argv));
    if (command && !command->run)
        return runPicturePart(argc, argv);
    QCoreApplication app(argc, argv);
    return runCommandLine(commands());
}
