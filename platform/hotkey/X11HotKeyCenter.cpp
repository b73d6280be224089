#include "platform/hotkey/X11HotKeyCenter.hpp"

#include <array>
#include <cstdlib>

#include <QSocketNotifier>
#include <QTimer>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include "platform/hotkey/CarbonKeyMap.hpp"

namespace zephrane::hotkey {
namespace {

constexpr std::uint8_t kBadAccess = 10;
constexpr xcb_keysym_t kNumLockKeysym = 0xff7f;
// The modifier bits of an event's state; above them are the pointer buttons.
constexpr std::uint16_t kModifierBits = 0xff;

template <typename T>
struct FreeDeleter {
    void operator()(T* p) const { std::free(p); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeDeleter<T>>;

}  // namespace

X11HotKeyCenter::X11HotKeyCenter(const char* display) {
    int screenNumber = 0;
    xcb_connection_t* connection = xcb_connect(display, &screenNumber);
    if (xcb_connection_has_error(connection) != 0) {
        xcb_disconnect(connection);
        return;
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    for (int i = 0; i < screenNumber && screens.rem > 0; ++i) xcb_screen_next(&screens);
    if (screens.rem == 0) {
        xcb_disconnect(connection);
        return;
    }
    connection_ = connection;
    root_ = screens.data->root;
    symbols_ = xcb_key_symbols_alloc(connection_);
    notifier_ = std::make_unique<QSocketNotifier>(xcb_get_file_descriptor(connection_), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { readEvents(); });
}

X11HotKeyCenter::~X11HotKeyCenter() {
    notifier_.reset();
    if (connection_ == nullptr) return;
    // Closing the connection releases its grabs with it.
    xcb_key_symbols_free(symbols_);
    xcb_disconnect(connection_);
}

OSStatus X11HotKeyCenter::installPressedHandler(PressedHandler handler) {
    handler_ = std::move(handler);
    return noErr;
}

std::uint16_t X11HotKeyCenter::numLockMask() {
    Reply<xcb_get_modifier_mapping_reply_t> mapping(
        xcb_get_modifier_mapping_reply(connection_, xcb_get_modifier_mapping(connection_), nullptr));
    Reply<xcb_keycode_t> numLock(xcb_key_symbols_get_keycode(symbols_, kNumLockKeysym));
    if (!mapping || !numLock) return 1u << 4;  // Mod2, where every common layout puts it
    const xcb_keycode_t* codes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    for (int modifier = 0; modifier < 8; ++modifier) {
        for (int i = 0; i < perModifier; ++i) {
            const xcb_keycode_t code = codes[modifier * perModifier + i];
            for (const xcb_keycode_t* candidate = numLock.get(); *candidate != XCB_NO_SYMBOL; ++candidate) {
                if (code != 0 && code == *candidate) return static_cast<std::uint16_t>(1u << modifier);
            }
        }
    }
    return 1u << 4;
}

OSStatus X11HotKeyCenter::registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, HotKeyID id,
                                         HotKeyRef* ref) {
    if (ref == nullptr) return paramErr;
    *ref = 0;
    if (connection_ == nullptr) return eventHotKeyExistsErr;
    const auto keysym = keysymForKeyCode(keyCode);
    if (!keysym) return eventHotKeyInvalidErr;
    Reply<xcb_keycode_t> keycodes(xcb_key_symbols_get_keycode(symbols_, *keysym));
    if (!keycodes || keycodes.get()[0] == XCB_NO_SYMBOL) return eventHotKeyInvalidErr;
    const xcb_keycode_t keycode = keycodes.get()[0];
    const std::uint16_t modifiers = xModifiersForCarbon(carbonModifiers);
    for (const auto& [existing, grab] : grabs_) {
        if (grab.keycode == keycode && grab.modifiers == modifiers) return eventHotKeyExistsErr;
    }

    numLock_ = numLockMask();
    const std::uint16_t numLock = numLock_;
    const std::array<std::uint16_t, 4> locks{0, kXLock, numLock, static_cast<std::uint16_t>(kXLock | numLock)};
    std::array<xcb_void_cookie_t, 4> cookies{};
    for (std::size_t i = 0; i < locks.size(); ++i) {
        cookies[i] = xcb_grab_key_checked(connection_, 1, root_, static_cast<std::uint16_t>(modifiers | locks[i]),
                                          keycode, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
    }
    OSStatus status = noErr;
    std::array<bool, 4> taken{};
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        Reply<xcb_generic_error_t> error(xcb_request_check(connection_, cookies[i]));
        taken[i] = !error;
        if (error && status == noErr) status = error->error_code == kBadAccess ? eventHotKeyExistsErr : eventInternalErr;
    }
    if (status != noErr) {
        for (std::size_t i = 0; i < locks.size(); ++i) {
            if (taken[i]) ungrab(keycode, static_cast<std::uint16_t>(modifiers | locks[i]));
        }
        xcb_flush(connection_);
    } else {
        *ref = nextRef_++;
        grabs_[*ref] = Grab{keycode, modifiers, id, false};
    }
    // Waiting for the replies may have read events into xcb's queue, where
    // the socket notifier cannot see them.
    QTimer::singleShot(0, notifier_.get(), [this] { readEvents(); });
    return status;
}

void X11HotKeyCenter::ungrab(std::uint8_t keycode, std::uint16_t modifiers) {
    xcb_ungrab_key(connection_, keycode, root_, modifiers);
}

OSStatus X11HotKeyCenter::unregisterHotKey(HotKeyRef ref) {
    const auto found = grabs_.find(ref);
    if (found == grabs_.end()) return eventHotKeyInvalidErr;
    const Grab grab = found->second;
    grabs_.erase(found);
    const std::uint16_t numLock = numLock_;
    for (const std::uint16_t lock : {std::uint16_t{0}, kXLock, numLock, static_cast<std::uint16_t>(kXLock | numLock)})
        ungrab(grab.keycode, static_cast<std::uint16_t>(grab.modifiers | lock));
    xcb_flush(connection_);
    return noErr;
}

X11HotKeyCenter::Grab* X11HotKeyCenter::find(std::uint8_t keycode, std::uint16_t state) {
    const auto modifiers = static_cast<std::uint16_t>(state & kModifierBits & ~(kXLock | numLock_));
    for (auto& [ref, grab] : grabs_) {
        if (grab.keycode == keycode && grab.modifiers == modifiers) return &grab;
    }
    return nullptr;
}

void X11HotKeyCenter::keyPressed(std::uint8_t keycode, std::uint16_t state) {
    Grab* grab = find(keycode, state);
    if (grab == nullptr || grab->down) return;
    grab->down = true;
    if (handler_) handler_(grab->id);
}

void X11HotKeyCenter::keyReleased(std::uint8_t keycode) {
    // Matched by key alone: people often let go of the modifiers first, and
    // the release then carries none of them.
    for (auto& [ref, grab] : grabs_) {
        if (grab.keycode == keycode) grab.down = false;
    }
}

void X11HotKeyCenter::readEvents() {
    if (connection_ == nullptr) return;
    // A release held back until the next event shows whether it was an
    // auto-repeat (a press of the same key with the same time follows).
    struct Release {
        bool pending = false;
        std::uint8_t keycode = 0;
        xcb_timestamp_t time = 0;
    } release;
    auto settleRelease = [&] {
        if (release.pending) keyReleased(release.keycode);
        release.pending = false;
    };
    while (true) {
        Reply<xcb_generic_event_t> event(xcb_poll_for_event(connection_));
        if (!event) break;
        const std::uint8_t type = event->response_type & 0x7f;
        if (type == XCB_KEY_PRESS) {
            const auto* press = reinterpret_cast<const xcb_key_press_event_t*>(event.get());
            if (release.pending && release.keycode == press->detail && release.time == press->time) {
                release.pending = false;  // auto-repeat: the key never went up
                continue;
            }
            settleRelease();
            keyPressed(press->detail, press->state);
        } else if (type == XCB_KEY_RELEASE) {
            settleRelease();
            const auto* up = reinterpret_cast<const xcb_key_release_event_t*>(event.get());
            release = {true, up->detail, up->time};
        }
    }
    settleRelease();
    if (xcb_connection_has_error(connection_) != 0) notifier_->setEnabled(false);
}

}  // namespace zephrane::hotkey
