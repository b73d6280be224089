// Mac virtual key codes and Carbon modifier bits, mapped to X11 keysyms and
// modifier masks. The Mac's ANSI key positions are facts; the modifiers
// follow the shell's rule that Command is Ctrl, Control is Super (Meta),
// Option is Alt and Shift is Shift.
#pragma once

#include <cstdint>
#include <optional>

namespace zephrane::hotkey {

// The keysym of a Mac virtual key code; none for keys the table lacks.
std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode);
// The Mac virtual key code of a keysym (letters in either case); none when
// the Mac has no such key.
std::optional<std::uint32_t> keyCodeForKeysym(std::uint32_t keysym);

// X11 modifier bits (ShiftMask 1, ControlMask 4, Mod1 8, Mod4 64).
inline constexpr std::uint16_t kXShift = 1u << 0;
inline constexpr std::uint16_t kXLock = 1u << 1;
inline constexpr std::uint16_t kXControl = 1u << 2;
inline constexpr std::uint16_t kXMod1 = 1u << 3;
inline constexpr std::uint16_t kXMod4 = 1u << 6;

// The X modifier mask for a Carbon mask; bits other than command, shift,
// option and control are dropped.
std::uint16_t xModifiersForCarbon(std::uint32_t carbonModifiers);

}  // namespace zephrane::hotkey
