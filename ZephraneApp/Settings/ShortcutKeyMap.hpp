// Key events as the shortcut recorder reads them. A key is known by its
// physical position: the X server's key code (the evdev code + 8, the same
// on every layout) maps to the Mac's virtual key code of the key in that
// place, so Shift-1 records the "1" key, whatever character the layout
// makes of it. Where the event carries no key code (synthesized events),
// Qt's key stands in, read on the US layout the Mac's codes are named by,
// shifted characters included.
//
// The modifiers follow the shell's rule: Command is Ctrl, Control is Super
// (Meta), Option is Alt and Shift is Shift; they come out as the platform's
// event modifier flags that GlobalShortcut::from() takes.
#pragma once

#include <cstdint>
#include <optional>

namespace zephrane::settingsview {

// The Mac virtual key code at an X key code's position; none for keys the
// Mac has not (and for the modifiers themselves).
std::optional<std::uint32_t> keyCodeAtPosition(std::uint32_t xKeyCode);
// The Mac virtual key code of a Qt key on the US layout; none for keys the
// Mac has not.
std::optional<std::uint32_t> keyCodeForQtKey(int qtKey);
// The position when the event carries one the table knows, else the Qt key.
std::optional<std::uint32_t> eventKeyCode(int qtKey, std::uint32_t nativeScanCode);

// Qt's key of a modifier alone (Shift, Control, Alt, Meta, Super, the lock
// keys): such a press makes no chord and is passed over.
bool isModifierKey(int qtKey);

// Qt's keyboard modifiers as the platform's event modifier flags.
std::uint64_t modifierFlags(int qtModifiers);

}  // namespace zephrane::settingsview
