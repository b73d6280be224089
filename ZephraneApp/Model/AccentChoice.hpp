// The app's accent: six choices the user picks from. The engine stores the
// choice; the theme draws every view with its colour.
#pragma once

#include <array>
#include <string_view>

#include "shared/EnumCases.hpp"

namespace zephrane::Theme {

enum class AccentChoice { system, sky, teal, indigo, violet, graphite };

constexpr std::string_view rawValue(AccentChoice c) {
    switch (c) {
        case AccentChoice::system: return "system";
        case AccentChoice::sky: return "sky";
        case AccentChoice::teal: return "teal";
        case AccentChoice::indigo: return "indigo";
        case AccentChoice::violet: return "violet";
        case AccentChoice::graphite: return "graphite";
    }
    return "system";
}

constexpr std::string_view displayName(AccentChoice c) {
    switch (c) {
        case AccentChoice::system: return "System";
        case AccentChoice::sky: return "Sky";
        case AccentChoice::teal: return "Teal";
        case AccentChoice::indigo: return "Indigo";
        case AccentChoice::violet: return "Violet";
        case AccentChoice::graphite: return "Graphite";
    }
    return "";
}

}  // namespace zephrane::Theme

namespace zephrane {
template <>
struct EnumCases<Theme::AccentChoice> {
    static constexpr std::string_view typeName = "AccentChoice";
    static constexpr std::array values{Theme::AccentChoice::system, Theme::AccentChoice::sky,
                                       Theme::AccentChoice::teal,   Theme::AccentChoice::indigo,
                                       Theme::AccentChoice::violet, Theme::AccentChoice::graphite};
};
}  // namespace zephrane
