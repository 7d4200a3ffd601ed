#include "cli/picture_entry.h"

#include "cli/command_line.h"
#include "cli/fit_command.h"
#include "cli/slot_commands.h"
#include "cli/theme_commands.h"

#include <QGuiApplication>
#include <memory>

namespace palvex::cli {

const QList<Command>& pictureCommands() {
    static const QList<Command> all{
        {"show", "", 0, 0, runShow},     {"check", "", 0, 0, runCheck},
        {"change", "", 0, 0, runChange}, {"verify", "", 0, 0, runVerify},
        {"sheet", "", 0, 0, runSheet},   {"fit", "", 0, 0, runFit},
        {"diff", "", 0, 0, runDiff},
    };
    return all;
}

} // namespace palvex::cli

namespace {

// Only a command that draws text (sheet, diff's sheet) needs a GUI application (for its fonts), and
// then with no window system: a command line never shows a window. Decoding pictures needs neither,
// and without them no platform plugin is loaded.
std::unique_ptr<QCoreApplication> makeApplication(int& argc, char* argv[]) {
    const QString command = palvex::cli::commandName(argc, argv);
    if (command != QLatin1String("sheet") && command != QLatin1String("diff"))
        return std::make_unique<QCoreApplication>(argc, argv);
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace

int palvex_theme_pictures_main(int argc, char* argv[]) {
    using namespace palvex::cli;
    const auto app = makeApplication(argc, argv);
    QList<Command> table = commands();
    for (Command& command : table)
        if (const Command* picture = findCommand(pictureCommands(), QLatin1String(command.name)))
            command.run = picture->run;
    return runCommandLine(table);
}
