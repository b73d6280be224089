// Registers the one summon shortcut with the desktop's hot-key center and
// runs a handler on this thread when it is pressed. Idle (nothing
// registered) or armed (key registered, handler set); each registration
// first disarms. A false result is what the status item shows as a
// shortcut conflict: an invalid shortcut, a center that would not take
// the press handler, or a key someone else holds.
#pragma once

#include <functional>
#include <optional>

#include "platform/hotkey/HotKeyCenter.hpp"
#include "ZephraneApp/Model/GlobalShortcut.hpp"

namespace zephrane {

class GlobalHotKeyRegistrar {
public:
    // "ZPsm", identifier 1.
    static constexpr hotkey::HotKeyID kIdentity{hotkey::fourCharCode("ZPsm"), 1};

    explicit GlobalHotKeyRegistrar(hotkey::HotKeyCenter& center) : center_(center) {}
    // Releases the key and takes the press handler back from the center,
    // which would otherwise call into a freed registrar.
    ~GlobalHotKeyRegistrar();
    GlobalHotKeyRegistrar(const GlobalHotKeyRegistrar&) = delete;
    GlobalHotKeyRegistrar& operator=(const GlobalHotKeyRegistrar&) = delete;

    bool registerShortcut(const GlobalShortcut& shortcut, std::function<void()> handler);
    void unregister();

    bool isArmed() const { return hotKeyRef_.has_value(); }

private:
    hotkey::HotKeyCenter& center_;
    std::optional<hotkey::HotKeyRef> hotKeyRef_;
    bool eventHandlerInstalled_ = false;
    std::function<void()> handler_;
};

}  // namespace zephrane
