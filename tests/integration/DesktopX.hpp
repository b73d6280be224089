// A test's or benchmark's own line to the X server: finding the app's
// windows by title, closing them as a window's close button would, keys and
// clicks through XTEST (as from a keyboard and a mouse, so the app's grab on
// the root sees them), who holds the focus and the keyboard, and the pixels
// of a window or of the screen.
#pragma once

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zephrane::integration {

namespace keysym {
inline constexpr xcb_keysym_t shiftL = 0xffe1, controlL = 0xffe3, altL = 0xffe9, superL = 0xffeb, escape = 0xff1b;
inline constexpr xcb_keysym_t returnKey = 0xff0d, left = 0xff51, up = 0xff52, right = 0xff53, down = 0xff54;
inline constexpr xcb_keysym_t f = 0x66, four = 0x34;
}  // namespace keysym

class DesktopX {
public:
    DesktopX();
    ~DesktopX();
    DesktopX(const DesktopX&) = delete;
    DesktopX& operator=(const DesktopX&) = delete;

    bool connected() const { return connection_ != nullptr && xtestOpcode_ != 0; }
    xcb_connection_t* connection() const { return connection_; }
    xcb_window_t root() const { return root_; }

    std::string title(xcb_window_t window);
    bool viewable(xcb_window_t window);
    // A viewable window of exactly that title that the window manager
    // manages (menus and tooltips, which carry the app's name, are not): the
    // app's own window, under the window manager's frame if it has one.
    std::optional<xcb_window_t> findViewable(const std::string& title);
    std::optional<xcb_window_t> find(const std::string& title);

    void watchStructure(xcb_window_t window);
    void watchRootChildren();
    // WM_DELETE_WINDOW, as the frame's close button sends it.
    void close(xcb_window_t window);
    void activate(xcb_window_t window);

    // Presses the modifiers, then the key, releases it all; returns the
    // moment the key's press went to the server.
    std::uint64_t chord(const std::vector<xcb_keysym_t>& modifiers, xcb_keysym_t key);
    // A click of `button` (1 left, 3 right) at (x, y) in `window`, or on
    // the screen.
    void click(xcb_window_t window, int x, int y, std::uint8_t button = 1);
    void clickAt(int rootX, int rootY, std::uint8_t button = 1);

    // In screen coordinates.
    struct Rect {
        int x = 0, y = 0, width = 0, height = 0;
    };
    std::optional<Rect> geometry(xcb_window_t window);
    xcb_window_t focus();

    // ZPixmap bytes of a rectangle of `drawable`; empty when the server
    // refused (a window not yet viewable).
    std::vector<std::uint8_t> pixels(xcb_drawable_t drawable, int x, int y, int width, int height);
    std::optional<std::pair<int, int>> size(xcb_window_t window);

private:
    xcb_atom_t atom(const char* name);
    bool managedAndViewable(xcb_window_t window);
    xcb_keycode_t keycode(xcb_keysym_t keysym);
    void fakeInput(std::uint8_t type, std::uint8_t detail, std::int16_t x = 0, std::int16_t y = 0);
    std::optional<xcb_window_t> search(xcb_window_t window, const std::string& title, bool mustBeViewable, int depth);

    xcb_connection_t* connection_ = nullptr;
    xcb_key_symbols_t* symbols_ = nullptr;
    xcb_window_t root_ = 0;
    std::uint8_t xtestOpcode_ = 0;
};

// A window of its own that takes the keyboard focus, so that a client
// grabbing the keyboard (an open menu does) shows as the focus going away
// for the grab, and its letting go as the focus coming back. Asking the
// server by grabbing would make the client's own grab fail when the two
// meet.
class KeyboardGrabWatch {
public:
    KeyboardGrabWatch();
    ~KeyboardGrabWatch();
    KeyboardGrabWatch(const KeyboardGrabWatch&) = delete;
    KeyboardGrabWatch& operator=(const KeyboardGrabWatch&) = delete;

    bool connected() const { return connection_ != nullptr; }
    // Takes the focus and forgets what was seen before.
    void takeFocus();
    // True once some client grabbed the keyboard since takeFocus(), or let
    // it go again, within `deadline`.
    bool waitForGrab(std::chrono::milliseconds deadline);
    bool waitForRelease(std::chrono::milliseconds deadline);

private:
    bool waitFor(std::uint8_t type, std::chrono::milliseconds deadline);

    xcb_connection_t* connection_ = nullptr;
    xcb_window_t window_ = 0;
};

// Steady clock in microseconds.
std::uint64_t nowMicros();

}  // namespace zephrane::integration
