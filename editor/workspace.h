#pragma once

#include <QString>

namespace palvex::editor {

// The folder a theme is unpacked into and compiled from: C:/IMAGE on Windows, elsewhere
// <user cache folder>/palvex-image-changer/IMAGE. No trailing separator.
QString workspaceRoot();

} // namespace palvex::editor
