#pragma once

class QWidget;

namespace palvex::editor {

// "MS Sans Serif" at 11 pixels, the look every window was drawn for; the system's sans
// serif stands in where that face is missing.
void applyWindowFont(QWidget* window);
void makeBold(QWidget* control);
void makeBlue(QWidget* control);

} // namespace palvex::editor
