#include "ZephraneApp/Settings/ShortcutKeyMap.hpp"

#include <array>
#include <utility>

#include <Qt>

#include "ZephraneApp/Model/GlobalShortcut.hpp"

namespace zephrane::settingsview {
namespace {

// (X key code, Mac virtual key code), key by key across a full keyboard.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 101> kPositions{{
    // Escape, the digit row, Backspace.
    {9, 53}, {10, 18}, {11, 19}, {12, 20}, {13, 21}, {14, 23}, {15, 22}, {16, 26}, {17, 28}, {18, 25}, {19, 29},
    {20, 27}, {21, 24}, {22, 51},
    // Tab, the top letter row, the brackets, Return.
    {23, 48}, {24, 12}, {25, 13}, {26, 14}, {27, 15}, {28, 17}, {29, 16}, {30, 32}, {31, 34}, {32, 31}, {33, 35},
    {34, 33}, {35, 30}, {36, 36},
    // The home row, the quote and the grave accent.
    {38, 0}, {39, 1}, {40, 2}, {41, 3}, {42, 5}, {43, 4}, {44, 38}, {45, 40}, {46, 37}, {47, 41}, {48, 39}, {49, 50},
    // The backslash, the bottom row.
    {51, 42}, {52, 6}, {53, 7}, {54, 8}, {55, 9}, {56, 11}, {57, 45}, {58, 46}, {59, 43}, {60, 47}, {61, 44},
    // Space, F1 to F10.
    {65, 49}, {67, 122}, {68, 120}, {69, 99}, {70, 118}, {71, 96}, {72, 97}, {73, 98}, {74, 100}, {75, 101},
    {76, 109},
    // The keypad: its lock key stands where the Mac's Clear is.
    {63, 67}, {77, 71}, {79, 89}, {80, 91}, {81, 92}, {82, 78}, {83, 86}, {84, 87}, {85, 88}, {86, 69}, {87, 83},
    {88, 84}, {89, 85}, {90, 82}, {91, 65}, {104, 76}, {106, 75}, {125, 81},
    // The key beside the left Shift on ISO keyboards, F11, F12.
    {94, 10}, {95, 103}, {96, 111},
    // Home, the arrows, the page keys, Insert where the Mac's Help is,
    // Forward Delete.
    {110, 115}, {111, 126}, {112, 116}, {113, 123}, {114, 124}, {115, 119}, {116, 125}, {117, 121}, {118, 114},
    {119, 117},
    // F13 to F20.
    {191, 105}, {192, 107}, {193, 113}, {194, 106}, {195, 64}, {196, 79}, {197, 80}, {198, 90},
}};

// (Qt key, Mac virtual key code) on the US layout: every character a key
// makes, with and without Shift, and the named keys.
constexpr std::array<std::pair<int, std::uint32_t>, 107> kQtKeys{{
    {Qt::Key_A, 0}, {Qt::Key_B, 11}, {Qt::Key_C, 8}, {Qt::Key_D, 2}, {Qt::Key_E, 14}, {Qt::Key_F, 3},
    {Qt::Key_G, 5}, {Qt::Key_H, 4}, {Qt::Key_I, 34}, {Qt::Key_J, 38}, {Qt::Key_K, 40}, {Qt::Key_L, 37},
    {Qt::Key_M, 46}, {Qt::Key_N, 45}, {Qt::Key_O, 31}, {Qt::Key_P, 35}, {Qt::Key_Q, 12}, {Qt::Key_R, 15},
    {Qt::Key_S, 1}, {Qt::Key_T, 17}, {Qt::Key_U, 32}, {Qt::Key_V, 9}, {Qt::Key_W, 13}, {Qt::Key_X, 7},
    {Qt::Key_Y, 16}, {Qt::Key_Z, 6},
    {Qt::Key_0, 29}, {Qt::Key_1, 18}, {Qt::Key_2, 19}, {Qt::Key_3, 20}, {Qt::Key_4, 21}, {Qt::Key_5, 23},
    {Qt::Key_6, 22}, {Qt::Key_7, 26}, {Qt::Key_8, 28}, {Qt::Key_9, 25},
    {Qt::Key_ParenRight, 29}, {Qt::Key_Exclam, 18}, {Qt::Key_At, 19}, {Qt::Key_NumberSign, 20},
    {Qt::Key_Dollar, 21}, {Qt::Key_Percent, 23}, {Qt::Key_AsciiCircum, 22}, {Qt::Key_Ampersand, 26},
    {Qt::Key_Asterisk, 28}, {Qt::Key_ParenLeft, 25},
    {Qt::Key_Minus, 27}, {Qt::Key_Underscore, 27}, {Qt::Key_Equal, 24}, {Qt::Key_Plus, 24},
    {Qt::Key_BracketLeft, 33}, {Qt::Key_BraceLeft, 33}, {Qt::Key_BracketRight, 30}, {Qt::Key_BraceRight, 30},
    {Qt::Key_Semicolon, 41}, {Qt::Key_Colon, 41}, {Qt::Key_Apostrophe, 39}, {Qt::Key_QuoteDbl, 39},
    {Qt::Key_QuoteLeft, 50}, {Qt::Key_AsciiTilde, 50}, {Qt::Key_Backslash, 42}, {Qt::Key_Bar, 42},
    {Qt::Key_Comma, 43}, {Qt::Key_Less, 43}, {Qt::Key_Period, 47}, {Qt::Key_Greater, 47},
    {Qt::Key_Slash, 44}, {Qt::Key_Question, 44},
    {Qt::Key_Escape, 53}, {Qt::Key_Return, 36}, {Qt::Key_Enter, 76}, {Qt::Key_Tab, 48}, {Qt::Key_Backtab, 48},
    {Qt::Key_Space, 49}, {Qt::Key_Backspace, 51}, {Qt::Key_Delete, 117}, {Qt::Key_Insert, 114},
    {Qt::Key_Help, 114}, {Qt::Key_Home, 115}, {Qt::Key_End, 119}, {Qt::Key_PageUp, 116},
    {Qt::Key_PageDown, 121}, {Qt::Key_Left, 123}, {Qt::Key_Right, 124}, {Qt::Key_Up, 126}, {Qt::Key_Down, 125},
    {Qt::Key_Clear, 71},
    {Qt::Key_F1, 122}, {Qt::Key_F2, 120}, {Qt::Key_F3, 99}, {Qt::Key_F4, 118}, {Qt::Key_F5, 96},
    {Qt::Key_F6, 97}, {Qt::Key_F7, 98}, {Qt::Key_F8, 100}, {Qt::Key_F9, 101}, {Qt::Key_F10, 109},
    {Qt::Key_F11, 103}, {Qt::Key_F12, 111}, {Qt::Key_F13, 105}, {Qt::Key_F14, 107}, {Qt::Key_F15, 113},
    {Qt::Key_F16, 106}, {Qt::Key_F17, 64}, {Qt::Key_F18, 79}, {Qt::Key_F19, 80}, {Qt::Key_F20, 90},
}};

}  // namespace

std::optional<std::uint32_t> keyCodeAtPosition(std::uint32_t xKeyCode) {
    for (const auto& [position, code] : kPositions)
        if (position == xKeyCode) return code;
    return std::nullopt;
}

std::optional<std::uint32_t> keyCodeForQtKey(int qtKey) {
    for (const auto& [key, code] : kQtKeys)
        if (key == qtKey) return code;
    return std::nullopt;
}

std::optional<std::uint32_t> eventKeyCode(int qtKey, std::uint32_t nativeScanCode) {
    if (const auto code = keyCodeAtPosition(nativeScanCode)) return code;
    return keyCodeForQtKey(qtKey);
}

bool isModifierKey(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Shift:
        case Qt::Key_Control:
        case Qt::Key_Alt:
        case Qt::Key_AltGr:
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
        case Qt::Key_Super_R:
        case Qt::Key_Hyper_L:
        case Qt::Key_Hyper_R:
        case Qt::Key_CapsLock:
        case Qt::Key_NumLock:
        case Qt::Key_ScrollLock:
            return true;
        default:
            return false;
    }
}

std::uint64_t modifierFlags(int qtModifiers) {
    constexpr std::array<std::pair<int, std::uint64_t>, 4> kModifiers{{
        {Qt::ControlModifier, GlobalShortcut::commandFlag},
        {Qt::MetaModifier, GlobalShortcut::controlFlag},
        {Qt::AltModifier, GlobalShortcut::optionFlag},
        {Qt::ShiftModifier, GlobalShortcut::shiftFlag},
    }};
    std::uint64_t flags = 0;
    for (const auto& [qt, flag] : kModifiers)
        if ((qtModifiers & qt) != 0) flags |= flag;
    return flags;
}

}  // namespace zephrane::settingsview
