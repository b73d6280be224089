#include "platform/hotkey/CarbonKeyMap.hpp"

#include <array>
#include <utility>

namespace zephrane::hotkey {
namespace {

// (Mac virtual key code, keysym), ANSI layout.
constexpr std::array<std::pair<std::uint32_t, std::uint32_t>, 80> kKeys{{
    {0, 'a'},      {11, 'b'},     {8, 'c'},      {2, 'd'},      {14, 'e'},     {3, 'f'},      {5, 'g'},
    {4, 'h'},      {34, 'i'},     {38, 'j'},     {40, 'k'},     {37, 'l'},     {46, 'm'},     {45, 'n'},
    {31, 'o'},     {35, 'p'},     {12, 'q'},     {15, 'r'},     {1, 's'},      {17, 't'},     {32, 'u'},
    {9, 'v'},      {13, 'w'},     {7, 'x'},      {16, 'y'},     {6, 'z'},      {29, '0'},     {18, '1'},
    {19, '2'},     {20, '3'},     {21, '4'},     {23, '5'},     {22, '6'},     {26, '7'},     {28, '8'},
    {25, '9'},     {24, '='},     {27, '-'},     {33, '['},     {30, ']'},     {41, ';'},     {39, '\''},
    {43, ','},     {47, '.'},     {44, '/'},     {42, '\\'},    {50, '`'},     {49, ' '},     {36, 0xff0d},
    {48, 0xff09},  {53, 0xff1b},  {51, 0xff08},  {117, 0xffff}, {123, 0xff51}, {124, 0xff53}, {126, 0xff52},
    {125, 0xff54}, {115, 0xff50}, {119, 0xff57}, {116, 0xff55}, {121, 0xff56}, {122, 0xffbe}, {120, 0xffbf},
    {99, 0xffc0},  {118, 0xffc1}, {96, 0xffc2},  {97, 0xffc3},  {98, 0xffc4},  {100, 0xffc5}, {101, 0xffc6},
    {109, 0xffc7}, {103, 0xffc8}, {111, 0xffc9}, {105, 0xffca}, {107, 0xffcb}, {113, 0xffcc}, {106, 0xffcd},
    {64, 0xffce},  {79, 0xffcf},  {80, 0xffd0},
}};

}  // namespace

std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode) {
    for (const auto& [code, keysym] : kKeys) {
        if (code == keyCode) return keysym;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> keyCodeForKeysym(std::uint32_t keysym) {
    if (keysym >= 'A' && keysym <= 'Z') keysym += 'a' - 'A';
    for (const auto& [code, sym] : kKeys) {
        if (sym == keysym) return code;
    }
    return std::nullopt;
}

std::uint16_t xModifiersForCarbon(std::uint32_t carbonModifiers) {
    constexpr std::array<std::pair<std::uint32_t, std::uint16_t>, 4> kModifiers{{
        {0x100, kXControl},  // command
        {0x200, kXShift},    // shift
        {0x800, kXMod1},     // option
        {0x1000, kXMod4},    // control
    }};
    std::uint16_t mask = 0;
    for (const auto& [carbon, x] : kModifiers) {
        if ((carbonModifiers & carbon) != 0) mask = static_cast<std::uint16_t>(mask | x);
    }
    return mask;
}

}  // namespace zephrane::hotkey
