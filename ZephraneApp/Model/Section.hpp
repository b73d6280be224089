// The main window's sections. The choice is kept under "selectedSection"
// as the lower-case word and shared live by every window; a stored value in
// the capitalised form of older builds still reads.
#pragma once

#include <array>
#include <string_view>

#include "shared/EnumCases.hpp"

namespace zephrane {

enum class Section { dashboard, sensors, modes, settings };

// "Dashboard", "Sensors", "Modes", "Settings": also the sidebar's labels.
constexpr std::string_view rawValue(Section s) {
    switch (s) {
        case Section::dashboard: return "Dashboard";
        case Section::sensors: return "Sensors";
        case Section::modes: return "Modes";
        case Section::settings: return "Settings";
    }
    return "Dashboard";
}

// "dashboard", "sensors", "modes", "settings".
constexpr std::string_view storedValue(Section s) {
    switch (s) {
        case Section::dashboard: return "dashboard";
        case Section::sensors: return "sensors";
        case Section::modes: return "modes";
        case Section::settings: return "settings";
    }
    return "dashboard";
}

template <>
struct EnumCases<Section> {
    static constexpr std::string_view typeName = "Section";
    static constexpr std::array values{Section::dashboard, Section::sensors, Section::modes, Section::settings};
};

// Either form of a section's name; anything else is the dashboard.
constexpr Section sectionFromStored(std::string_view stored) {
    for (const Section s : EnumCases<Section>::values)
        if (stored == storedValue(s) || stored == rawValue(s)) return s;
    return Section::dashboard;
}

}  // namespace zephrane
