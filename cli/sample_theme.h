#pragma once

#include "theme/slot_catalogue.h"

#include <QByteArray>
#include <QString>

namespace palvex::cli {

// A picture for one slot, drawn here: its label on a coloured ground, fitted to the slot's
// format and limit group.
QByteArray samplePicture(theme::TerminalModel model, int slot);

// Draws every slot of the model into a workspace and compiles it into a theme archive with
// the program's own pipeline. Answers an error text, empty on success.
QString writeSampleTheme(theme::TerminalModel model, const QString& output);

} // namespace palvex::cli
