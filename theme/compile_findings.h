#pragma once

#include "theme/slot_catalogue.h"

#include <QStringList>
#include <optional>

// What is checked before a theme is written, by the rules that need no pixels: the window asks
// before it compiles such a workspace, the command line names the findings (or, strict,
// refuses).
namespace palvex::theme {

// One line per slot that is not ok, then one per file of no slot; nothing when the workspace is
// no folder (the compile itself says so). When none of the model's slot files is there but some
// of the other model's are, a line saying so comes first.
QStringList compileFindings(TerminalModel model, const QString& workspaceRoot);

// How many of the names (relative, "/"-separated) are slot files of the model.
int slotFilesAmong(TerminalModel model, const QStringList& relativeNames);

// The other model, when none of the names is a slot file of the model and some are of the
// other's.
std::optional<TerminalModel> namesOfOtherModel(TerminalModel model,
                                               const QStringList& relativeNames);

// The model whose slot files the workspace holds more of; Korvell when it holds as many of both.
TerminalModel workspaceModel(const QString& workspaceRoot);

} // namespace palvex::theme
