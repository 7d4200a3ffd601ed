#pragma once

#include <QString>

namespace palvex::editor {

// The folder a theme is unpacked into and compiled from: C:/IMAGE on Windows, elsewhere
// <user cache folder>/palvex-image-changer/IMAGE. No trailing separator.
QString workspaceRoot();

// The tar file the compile leaves in the workspace.
QString workspaceTarFile(const QString& root);

} // namespace palvex::editor
