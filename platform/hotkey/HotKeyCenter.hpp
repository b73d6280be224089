// The global hot keys of the Carbon Event Manager: one handler for the
// hot-key-pressed event, and hot keys registered by Mac virtual key code and
// Carbon modifier mask. On the desktop a hot key is an X11 key grab on the
// root window (X11HotKeyCenter); where no X server can be reached (a Wayland
// session, no display) every registration fails as a conflict, which is how
// a taken key reads on the Mac too.
//
// Statuses are Carbon's OSStatus values. Everything runs on the thread that
// made the center, which must run an event loop; the handler is called
// there.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>

namespace zephrane::hotkey {

using OSStatus = std::int32_t;
inline constexpr OSStatus noErr = 0;
inline constexpr OSStatus paramErr = -50;
inline constexpr OSStatus eventHotKeyExistsErr = -9878;   // another application holds the combination
inline constexpr OSStatus eventHotKeyInvalidErr = -9879;  // no such key on this keyboard, or no such registration
inline constexpr OSStatus eventInternalErr = -9868;

// "ZPsm" style: four characters folded into 32 bits, the first one highest.
constexpr std::uint32_t fourCharCode(const char (&text)[5]) {
    std::uint32_t code = 0;
    for (int i = 0; i < 4; ++i) code = (code << 8) | static_cast<unsigned char>(text[i]);
    return code;
}

struct HotKeyID {
    std::uint32_t signature = 0;
    std::uint32_t id = 0;
    friend bool operator==(const HotKeyID&, const HotKeyID&) = default;
};

// A registration's handle; 0 is none.
using HotKeyRef = std::uint64_t;

class HotKeyCenter {
public:
    virtual ~HotKeyCenter() = default;

    using PressedHandler = std::function<void(HotKeyID)>;
    // The one handler for every hot key of this center; a second install
    // replaces the first.
    virtual OSStatus installPressedHandler(PressedHandler handler) = 0;
    // Registers keyCode + carbonModifiers; on noErr `*ref` names the
    // registration. A combination held by anyone else, this center included,
    // gives eventHotKeyExistsErr.
    virtual OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, HotKeyID id,
                                    HotKeyRef* ref) = 0;
    virtual OSStatus unregisterHotKey(HotKeyRef ref) = 0;
};

// The desktop's: X11 when an X server answers and the session is not
// Wayland's, else a center whose registrations all fail as conflicts.
std::unique_ptr<HotKeyCenter> makeDesktopHotKeyCenter();

// The center of a session without X key grabs.
std::unique_ptr<HotKeyCenter> makeUnavailableHotKeyCenter();

}  // namespace zephrane::hotkey
