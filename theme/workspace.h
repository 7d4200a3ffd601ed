#pragma once

#include "theme/slot_catalogue.h"

#include <QString>

namespace palvex::theme {

// The folder a theme is unpacked into and compiled from: C:/IMAGE on Windows, elsewhere
// <user cache folder>/palvex-image-changer/IMAGE. No trailing separator.
QString workspaceRoot();

// Where the input dialog opens: the model's folder beside the program when it exists (the build
// tree), else the model's installed sample themes (share/palvex-image-changer/samples/ beside
// the bin folder), else home. `programFolder` is the running executable's folder.
QString inputStartFolder(TerminalModel model, const QString& programFolder);

} // namespace palvex::theme
