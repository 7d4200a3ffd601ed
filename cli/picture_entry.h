#pragma once

#include "cli/commands.h"

#include <QtGlobal>

namespace palvex::cli {

// The commands that work on pictures: each fills the run the front end's table leaves empty.
const QList<Command>& pictureCommands();

} // namespace palvex::cli

// The picture part's entry: makes the application object pictures need, with no window
// system, and runs the command line against the whole table.
extern "C" Q_DECL_EXPORT int palvex_theme_pictures_main(int argc, char* argv[]);
