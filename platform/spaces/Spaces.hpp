// Spaces, the desktops a window system switches between, as the main window
// needs them: a window put on every desktop (as a Mac window that joins all
// Spaces), and whether a window is on the desktop in view, so the window
// can tell the engine it is out of sight. X11 window managers say both
// through the EWMH root and window properties; elsewhere nothing is known,
// and a window counts as on the desktop in view.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace zephrane::spaces {

// An X window's id (QWindow::winId() on X11).
using WindowId = std::uint32_t;

// The EWMH desktop number that means every desktop.
inline constexpr std::uint32_t kAllDesktops = 0xFFFFFFFF;

// Whether a window on `windowDesktop` shows while `currentDesktop` is in
// view; none when either is unknown.
std::optional<bool> showsOnDesktop(std::optional<std::uint32_t> windowDesktop,
                                   std::optional<std::uint32_t> currentDesktop);

class Spaces {
public:
    virtual ~Spaces() = default;

    // Puts the window on every desktop; what else the window system holds
    // for it (its state, its layer) stays.
    virtual void joinAllDesktops(WindowId window) = 0;
    // Whether the window is on the desktop in view; none when unknown.
    virtual std::optional<bool> onCurrentDesktop(WindowId window) = 0;
    // `changed` runs on the GUI thread after the desktop in view or a
    // window's desktop changed. One handler; a new one replaces it.
    virtual void setChangeHandler(std::function<void()> changed) = 0;
};

// The X11 one while the application runs on an X server, else one that
// knows nothing and changes nothing. Call on the GUI thread, with the
// QGuiApplication made.
std::unique_ptr<Spaces> makeSpaces();

}  // namespace zephrane::spaces
