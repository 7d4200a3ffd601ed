#pragma once

namespace palvex::app {

// Whether a window can be shown at all. Qt aborts when it cannot reach a display, so the
// program asks first and says what to do instead.
bool displayReachable();

} // namespace palvex::app
