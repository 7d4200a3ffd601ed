#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

class QWidget;

namespace palvex::editor {

// Where a top-level window goes on a screen: its client area as big as it wants where the
// screen's available area has room, smaller where it has not (never below its minimum), and
// its frame centred in the available area, the title bar never above or left of it. Answers
// the client area's geometry.
QRect placeWindow(QSize wanted, QSize minimum, QMargins frame, QRect available);

// Places a window on the screen it is on by that rule, at its current size.
void placeOnScreen(QWidget* window);

// Keeps a dialog no bigger than the available area of its screen whenever it is shown; the
// dialog itself keeps its position on the screen.
void keepDialogOnScreen(QWidget* dialog);

} // namespace palvex::editor
