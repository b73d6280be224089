// How the main window behaves on the desktop: it floats above ordinary
// windows, and it tells the engine whether it can be seen, so that the
// engine polls more slowly while nobody looks.
#pragma once

#include <optional>

#include <Qt>

namespace zephrane::mainwindow {

// The window's flags with the floating level added and every other flag
// kept; applying it twice gives the same flags.
Qt::WindowFlags floatingWindowFlags(Qt::WindowFlags flags);

// X11 tells no occlusion: a window is visible while it is exposed, not
// minimised and on the desktop in view. Where the desktop is not known
// it counts as visible: a window wrongly thought hidden would show stale
// readings, one wrongly thought visible only costs a little.
bool windowVisibleOnScreen(bool exposed, bool minimised, std::optional<bool> onCurrentDesktop);

}  // namespace zephrane::mainwindow
