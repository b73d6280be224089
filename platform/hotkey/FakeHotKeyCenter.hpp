// Hot keys in memory: registrations as a table, combinations other
// applications hold as a set, and presses a test makes by hand.
#pragma once

#include <map>
#include <set>
#include <utility>

#include "platform/hotkey/HotKeyCenter.hpp"

namespace zephrane::hotkey {

class FakeHotKeyCenter final : public HotKeyCenter {
public:
    struct Registration {
        std::uint32_t keyCode = 0;
        std::uint32_t carbonModifiers = 0;
        HotKeyID id;
        friend bool operator==(const Registration&, const Registration&) = default;
    };

    OSStatus installPressedHandler(PressedHandler handler) override {
        ++handlerInstalls;
        if (failHandlerInstall) return eventInternalErr;
        handler_ = std::move(handler);
        return noErr;
    }

    OSStatus registerHotKey(std::uint32_t keyCode, std::uint32_t carbonModifiers, HotKeyID id,
                            HotKeyRef* ref) override {
        *ref = 0;
        if (takenElsewhere.contains({keyCode, carbonModifiers})) return eventHotKeyExistsErr;
        for (const auto& [existing, registration] : registrations)
            if (registration.keyCode == keyCode && registration.carbonModifiers == carbonModifiers)
                return eventHotKeyExistsErr;
        *ref = nextRef_++;
        registrations[*ref] = {keyCode, carbonModifiers, id};
        ++registerCalls;
        return noErr;
    }

    OSStatus unregisterHotKey(HotKeyRef ref) override {
        ++unregisterCalls;
        return registrations.erase(ref) == 1 ? noErr : eventHotKeyInvalidErr;
    }

    // A press of the combination: the handler runs when it is registered.
    bool press(std::uint32_t keyCode, std::uint32_t carbonModifiers) {
        for (const auto& [ref, registration] : registrations) {
            if (registration.keyCode == keyCode && registration.carbonModifiers == carbonModifiers && handler_) {
                handler_(registration.id);
                return true;
            }
        }
        return false;
    }

    std::set<std::pair<std::uint32_t, std::uint32_t>> takenElsewhere;
    bool failHandlerInstall = false;
    std::map<HotKeyRef, Registration> registrations;
    int handlerInstalls = 0;
    int registerCalls = 0;
    int unregisterCalls = 0;

private:
    PressedHandler handler_;
    HotKeyRef nextRef_ = 1;
};

}  // namespace zephrane::hotkey
