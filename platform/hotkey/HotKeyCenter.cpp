#include "platform/hotkey/HotKeyCenter.hpp"

#include <cstdlib>

#include "platform/hotkey/X11HotKeyCenter.hpp"

namespace zephrane::hotkey {
namespace {

// A session that offers no global key grabs to applications (Wayland's, or
// none at all): every combination reads as taken.
class UnavailableHotKeyCenter final : public HotKeyCenter {
public:
    OSStatus installPressedHandler(PressedHandler) override { return noErr; }
    OSStatus registerHotKey(std::uint32_t, std::uint32_t, HotKeyID, HotKeyRef* ref) override {
        if (ref != nullptr) *ref = 0;
        return eventHotKeyExistsErr;
    }
    OSStatus unregisterHotKey(HotKeyRef) override { return eventHotKeyInvalidErr; }
};

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

std::unique_ptr<HotKeyCenter> makeUnavailableHotKeyCenter() { return std::make_unique<UnavailableHotKeyCenter>(); }

std::unique_ptr<HotKeyCenter> makeDesktopHotKeyCenter() {
    // Under Wayland an X connection (XWayland) exists, but its grabs see
    // only the keys typed into X windows: no global hot key.
    if (isSet("WAYLAND_DISPLAY") || !isSet("DISPLAY")) return makeUnavailableHotKeyCenter();
    auto center = std::make_unique<X11HotKeyCenter>();
    if (!center->connected()) return makeUnavailableHotKeyCenter();
    return center;
}

}  // namespace zephrane::hotkey
