// The global key combination that summons the menu-bar panel. It keeps the
// Mac's numbering, a virtual key code and a Carbon modifier mask, because
// that is what the user's stored setting holds; platform/hotkey maps both to
// the desktop's keys when the shortcut is registered. The engine stores it
// as {"keyCode": 3, "carbonModifiers": 2560}; the shell registers it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "shared/JsonCoding.hpp"

namespace zephrane {

struct GlobalShortcut {
    // Carbon modifier bits.
    static constexpr std::uint32_t commandKey = 0x100;
    static constexpr std::uint32_t shiftKey = 0x200;
    static constexpr std::uint32_t optionKey = 0x800;
    static constexpr std::uint32_t controlKey = 0x1000;

    // A key event's modifier flags, in the platform's key-event numbering.
    enum ModifierFlag : std::uint64_t {
        capsLockFlag = 1u << 16,
        shiftFlag = 1u << 17,
        controlFlag = 1u << 18,
        optionFlag = 1u << 19,
        commandFlag = 1u << 20,
        numericPadFlag = 1u << 21,
        functionFlag = 1u << 23,
    };

    static constexpr std::uint32_t escapeKeyCode = 53;

    std::uint32_t keyCode = 0;
    std::uint32_t carbonModifiers = 0;

    // Option-Shift-F.
    static constexpr GlobalShortcut defaultSummon() { return {3, optionKey | shiftKey}; }

    // Command, option or control must take part; shift alone is too easy
    // to press while typing.
    constexpr bool isValid() const { return (carbonModifiers & (commandKey | optionKey | controlKey)) != 0; }

    // "⌃⌥⇧⌘" for the modifiers present, in that order, then the key's name.
    std::string displayString() const;

    // From a key event's code and modifier flags; flags other than command,
    // shift, option and control are ignored. None unless the result is valid.
    static std::optional<GlobalShortcut> from(std::uint32_t keyCode, std::uint64_t modifierFlags);

    friend bool operator==(const GlobalShortcut&, const GlobalShortcut&) = default;

    Json toJson(std::string_view path = {}) const;
    // Both keys required, each an unsigned 32-bit number; DecodingError otherwise.
    static GlobalShortcut fromJson(const Json& value, std::string_view path = {});
};

// The key's name ("F", "F12", "Space", "←"), else "Key " and the code.
std::string keyName(std::uint32_t keyCode);

}  // namespace zephrane
