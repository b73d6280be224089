#include "ZephraneApp/Shell/GlobalHotKeyRegistrar.hpp"

#include <utility>

namespace zephrane {

GlobalHotKeyRegistrar::~GlobalHotKeyRegistrar() {
    unregister();
    if (eventHandlerInstalled_) center_.installPressedHandler({});
}

bool GlobalHotKeyRegistrar::registerShortcut(const GlobalShortcut& shortcut, std::function<void()> handler) {
    if (hotKeyRef_) {
        center_.unregisterHotKey(*hotKeyRef_);
        hotKeyRef_.reset();
    }
    handler_ = nullptr;
    if (!shortcut.isValid()) return false;
    handler_ = std::move(handler);
    if (!eventHandlerInstalled_) {
        // The registrar holds one key at a time, so any press is ours.
        const hotkey::OSStatus installed = center_.installPressedHandler([this](hotkey::HotKeyID) {
            if (handler_) handler_();
        });
        if (installed != hotkey::noErr) return false;
        eventHandlerInstalled_ = true;
    }
    hotkey::HotKeyRef ref = 0;
    if (center_.registerHotKey(shortcut.keyCode, shortcut.carbonModifiers, kIdentity, &ref) != hotkey::noErr) {
        handler_ = nullptr;
        return false;
    }
    hotKeyRef_ = ref;
    return true;
}

void GlobalHotKeyRegistrar::unregister() {
    if (hotKeyRef_) {
        center_.unregisterHotKey(*hotKeyRef_);
        hotKeyRef_.reset();
    }
    handler_ = nullptr;
}

}  // namespace zephrane
