#include "cli/command_line.h"
#include "cli/picture_part.h"
#include "platform/temporary_files.h"
#include "theme/printable_text.h"
#include "theme/texts.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[]) {
    using namespace palvex::cli;
    // What a killed run left in the private temporary folder goes before this one starts.
    palvex::platform::sweepStaleTemporaryFiles();
    // Qt reads arguments as UTF-8: a name that is not would silently become another name.
    for (int i = 1; i < argc; ++i)
        if (!palvex::theme::isValidUtf8(argv[i])) {
            const QString shown = palvex::theme::printableName(argv[i]);
            std::fprintf(stderr, "%s\n",
                         palvex::theme::texts::kArgumentNotUtf8.arg(shown).toUtf8().constData());
            return 2;
        }
    // Commands that work on pictures run in the picture part, which brings the GUI libraries
    // with it; the archive commands start with QtCore alone.
    const Command* command = findCommand(commands(), commandName(argc, argv));
    if (command && !command->run)
        return runPicturePart(argc, argv);
    QCoreApplication app(argc, argv);
    return runCommandLine(commands());
}
