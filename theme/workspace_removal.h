#pragma once

#include "theme/pipeline_ui.h"

#include <QString>

namespace palvex::theme {

// Who says the folder is a workspace: the user, who may mistype or pass an unset variable,
// or the program, whose own workspace root it is.
enum class WorkspaceOwner { User, Program };

// One line that says why the folder must not be removed as a workspace; empty when it may go.
// Never a link, the root, the home folder or a folder that holds it; a folder the user named
// must also not hold the current folder and must look like a workspace of this program (a
// slot file of either model, or a lock of ours).
QString removalRefusal(const QString& workspace, WorkspaceOwner owner);

// Removes the workspace with everything in it when removalRefusal() lets it and no other
// program holds it, never crossing into another file system. Nothing there is nothing to do.
// False after telling ui, as an error box, why it stays or what was left.
bool removeWorkspace(const QString& workspace, WorkspaceOwner owner, PipelineUi& ui);

} // namespace palvex::theme
