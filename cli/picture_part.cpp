#include "cli/picture_part.h"

#include "platform/program_folder.h"

#include <QLibrary>
#include <QStringList>
#include <cstdio>

namespace palvex::cli {

namespace {

using Entry = int (*)(int, char*[]);

// Beside the program (the build tree), then where an installation puts it relative to the
// program's folder, so that an installed tree may be moved as a whole.
QStringList pictureFolders(const char* argv0) {
    const QString program = QString::fromStdString(platform::programFolder(argv0));
    return {program, program + QStringLiteral("/" PALVEX_PICTURE_PART_FROM_BIN)};
}

} // namespace

int runPicturePart(int argc, char* argv[]) {
    QStringList tried;
    for (const QString& folder : pictureFolders(argv[0])) {
        // Loaded for the rest of the process: the command runs inside it.
        QLibrary part(folder + QStringLiteral("/palvex-theme-pictures"));
        if (const auto entry = reinterpret_cast<Entry>(part.resolve("palvex_theme_pictures_main")))
            return entry(argc, argv);
        tried << part.errorString();
    }
    std::fprintf(stderr, "palvex-theme: this command needs the picture part, which is missing:\n");
    for (const QString& reason : tried)
        std::fprintf(stderr, "  %s\n", qPrintable(reason));
    return 2;
}

} // namespace palvex::cli
