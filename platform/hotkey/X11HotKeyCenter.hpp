// Hot keys as passive key grabs on the X root window, over a connection of
// our own (a separate X client from the toolkit's, so a grab held by the
// toolkit or by any other program is someone else's and shows as a
// conflict). Each combination is grabbed four times, with and without Caps
// Lock and Num Lock, so that the locks never swallow a press. A grab
// another client holds fails with BadAccess, reported as
// eventHotKeyExistsErr, and the variants already taken are released.
//
// Key presses arrive on the connection's socket, watched by the event loop
// of the thread that made the center. A key held down repeats on X as
// release/press pairs with one timestamp; those count as one press.
#pragma once

#include <map>
#include <memory>

#include "platform/hotkey/HotKeyCenter.hpp"

class QSocketNotifier;
struct xcb_connection_t;
typedef struct _XCBKeySymbols xcb_key_symbols_t;  // as xcb_keysyms.h declares it

namespace zephrane::hotkey {

class X11HotKeyCenter final : public HotKeyCenter {
public:
    // Connects to `display` (the environment's DISPLAY when null). Check
    // connected() before use.
    explicit X11HotKeyCenter(const char* display = nullptr);
    ~X11HotKeyCenter() override;
    X11HotKeyCenter(const X11HotKeyCenter&) = delete;
    X11HotKeyCenter& operator=(const X11HotKeyCenter&) = delete;

    bool connected() const { return connection_ != nullptr; }

    OSStatus installPressedHandler(PressedHandler handler) override;
    OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, HotKeyID id, HotKeyRef* ref) override;
    OSStatus unregisterHotKey(HotKeyRef ref) override;

private:
    struct Grab {
        std::uint8_t keycode = 0;
        std::uint16_t modifiers = 0;
        HotKeyID id;
        bool down = false;
    };

    std::uint16_t numLockMask();
    void ungrab(std::uint8_t keycode, std::uint16_t modifiers);
    void readEvents();
    void keyPressed(std::uint8_t keycode, std::uint16_t state);
    void keyReleased(std::uint8_t keycode);
    Grab* find(std::uint8_t keycode, std::uint16_t state);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    std::uint16_t numLock_ = 1u << 4;
    xcb_key_symbols_t* symbols_ = nullptr;
    std::unique_ptr<QSocketNotifier> notifier_;
    PressedHandler handler_;
    std::map<HotKeyRef, Grab> grabs_;
    HotKeyRef nextRef_ = 1;
};

}  // namespace zephrane::hotkey
