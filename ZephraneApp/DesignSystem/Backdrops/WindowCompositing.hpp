// Whether a compositor blends the app's windows with what lies behind them.
// Only then can the window material be see-through; without one the
// see-through part of a window shows black.
#pragma once

namespace zephrane::design {

// Wayland always composites. On X11, a compositing manager holds the
// selection _NET_WM_CM_S0 while it runs. Anything else (offscreen, no
// display) has none. Asks the display server on every call.
bool windowCompositingActive();

}  // namespace zephrane::design
