#pragma once

#include "editor/picture_fitter.h"
#include "editor/slot_catalogue.h"

#include <QImage>
#include <QString>

namespace palvex::editor {

// What a slot asks of a fitted picture: the slot file's format, a box the size of the slot's
// current picture when it exists and decodes (never beyond the limit group), else the limit
// group's maximum, and the group's kb limit. Raises palvex::Exception for a slot file of a
// format no fitting writes.
FitTarget slotFitTarget(TerminalModel model, int slot, const QString& workspaceRoot, bool fill);

// Reads any picture the installed readers know, by its content, turned upright. Raises
// palvex::Exception with the reader's reason when it cannot.
QImage readPictureToFit(const QString& path);

// "Fitted mi1.gif : H:37 W:55, 2.95 kb, 64 colours".
QString fittedLine(const QString& name, const FittedPicture& fitted);

} // namespace palvex::editor
