#include "ZephraneApp/Model/GlobalShortcut.hpp"

#include <array>
#include <limits>
#include <map>
#include <utility>

namespace zephrane {
namespace {

using KeyTable = std::map<std::uint32_t, std::string_view>;

const KeyTable& letters() {
    static const KeyTable table{{0, "A"},  {11, "B"}, {8, "C"},  {2, "D"},  {14, "E"}, {3, "F"},  {5, "G"},
                                {4, "H"},  {34, "I"}, {38, "J"}, {40, "K"}, {37, "L"}, {46, "M"}, {45, "N"},
                                {31, "O"}, {35, "P"}, {12, "Q"}, {15, "R"}, {1, "S"},  {17, "T"}, {32, "U"},
                                {9, "V"},  {13, "W"}, {7, "X"},  {16, "Y"}, {6, "Z"}};
    return table;
}

const KeyTable& digits() {
    static const KeyTable table{{29, "0"}, {18, "1"}, {19, "2"}, {20, "3"}, {21, "4"},
                                {23, "5"}, {22, "6"}, {26, "7"}, {28, "8"}, {25, "9"}};
    return table;
}

const KeyTable& functionKeys() {
    static const KeyTable table{{122, "F1"},  {120, "F2"},  {99, "F3"},   {118, "F4"},  {96, "F5"},
                                {97, "F6"},   {98, "F7"},   {100, "F8"},  {101, "F9"},  {109, "F10"},
                                {103, "F11"}, {111, "F12"}, {105, "F13"}, {107, "F14"}, {113, "F15"},
                                {106, "F16"}, {64, "F17"},  {79, "F18"},  {80, "F19"},  {90, "F20"}};
    return table;
}

const KeyTable& specialKeys() {
    static const KeyTable table{{49, "Space"},       {36, "Return"},         {48, "Tab"},    {53, "Escape"},
                                {51, "Delete"},      {117, "Forward Delete"}, {123, "\u2190"}, {124, "\u2192"},
                                {126, "\u2191"},     {125, "\u2193"},        {115, "Home"},  {119, "End"},
                                {116, "Page Up"},    {121, "Page Down"}};
    return table;
}

std::uint32_t decodeUInt32(const json::ObjectReader& reader, std::string_view key) {
    const std::int64_t value = reader.int64(key);
    if (value < 0 || value > std::numeric_limits<std::uint32_t>::max())
        throw DecodingError(DecodingError::Kind::dataCorrupted, reader.path(key),
                            "Number " + std::to_string(value) + " does not fit in UInt32.");
    return static_cast<std::uint32_t>(value);
}

}  // namespace

std::string keyName(std::uint32_t keyCode) {
    for (const KeyTable* table : {&letters(), &digits(), &functionKeys(), &specialKeys()}) {
        if (const auto found = table->find(keyCode); found != table->end()) return std::string(found->second);
    }
    return "Key " + std::to_string(keyCode);
}

std::string GlobalShortcut::displayString() const {
    static constexpr std::array<std::pair<std::uint32_t, std::string_view>, 4> symbols{{
        {controlKey, "\u2303"},
        {optionKey, "\u2325"},
        {shiftKey, "\u21e7"},
        {commandKey, "\u2318"},
    }};
    std::string text;
    for (const auto& [bit, symbol] : symbols) {
        if ((carbonModifiers & bit) != 0) text += symbol;
    }
    return text + keyName(keyCode);
}

std::optional<GlobalShortcut> GlobalShortcut::from(std::uint32_t keyCode, std::uint64_t modifierFlags) {
    static constexpr std::array<std::pair<std::uint64_t, std::uint32_t>, 4> mapping{{
        {commandFlag, commandKey},
        {shiftFlag, shiftKey},
        {optionFlag, optionKey},
        {controlFlag, controlKey},
    }};
    GlobalShortcut shortcut{keyCode, 0};
    for (const auto& [flag, bit] : mapping) {
        if ((modifierFlags & flag) != 0) shortcut.carbonModifiers |= bit;
    }
    if (!shortcut.isValid()) return std::nullopt;
    return shortcut;
}

Json GlobalShortcut::toJson(std::string_view) const {
    Json object = Json::object();
    object["keyCode"] = keyCode;
    object["carbonModifiers"] = carbonModifiers;
    return object;
}

GlobalShortcut GlobalShortcut::fromJson(const Json& value, std::string_view path) {
    json::ObjectReader reader(value, std::string(path), "GlobalShortcut");
    GlobalShortcut shortcut;
    shortcut.keyCode = decodeUInt32(reader, "keyCode");
    shortcut.carbonModifiers = decodeUInt32(reader, "carbonModifiers");
    return shortcut;
}

}  // namespace zephrane
