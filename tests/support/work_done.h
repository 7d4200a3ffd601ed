#pragma once

#include "editor/editor_window.h"

#include <QTest>

namespace palvex::test {

// Lets the window's event loop turn until the work it runs on its worker has ended and the
// window shows everything the work reported; false when that takes over half a minute.
inline bool workDone(editor::TEditorWindow& window) {
    return QTest::qWaitFor([&] { return !window.workPending(); }, 30000);
}

} // namespace palvex::test
