#include "platform/accessibility/DisplayOptions.hpp"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

namespace zephrane::accessibility {

bool DisplayOptions::get(DisplayOption option) const {
    switch (option) {
        case DisplayOption::reduceMotion: return reduceMotion;
        case DisplayOption::reduceTransparency: return reduceTransparency;
        case DisplayOption::increaseContrast: return increaseContrast;
    }
    return false;
}

std::optional<bool> DisplayOptionLayer::get(DisplayOption option) const {
    switch (option) {
        case DisplayOption::reduceMotion: return reduceMotion;
        case DisplayOption::reduceTransparency: return reduceTransparency;
        case DisplayOption::increaseContrast: return increaseContrast;
    }
    return std::nullopt;
}

void DisplayOptionLayer::set(DisplayOption option, std::optional<bool> value) {
    switch (option) {
        case DisplayOption::reduceMotion: reduceMotion = value; break;
        case DisplayOption::reduceTransparency: reduceTransparency = value; break;
        case DisplayOption::increaseContrast: increaseContrast = value; break;
    }
}

DisplayOptions resolveDisplayOptions(const DisplayOptionLayer& environment, const DisplayOptionLayer& preference,
                                     const DisplayOptionLayer& desktop) {
    const auto decide = [&](DisplayOption option) {
        return environment.get(option).value_or(preference.get(option).value_or(desktop.get(option).value_or(false)));
    };
    return {decide(DisplayOption::reduceMotion), decide(DisplayOption::reduceTransparency),
            decide(DisplayOption::increaseContrast)};
}

std::string_view environmentVariable(DisplayOption option) {
    switch (option) {
        case DisplayOption::reduceMotion: return "ZEPHRANE_REDUCE_MOTION";
        case DisplayOption::reduceTransparency: return "ZEPHRANE_REDUCE_TRANSPARENCY";
        case DisplayOption::increaseContrast: return "ZEPHRANE_INCREASE_CONTRAST";
    }
    return "";
}

std::string_view preferenceKey(DisplayOption option) {
    switch (option) {
        case DisplayOption::reduceMotion: return "reduceMotion";
        case DisplayOption::reduceTransparency: return "reduceTransparency";
        case DisplayOption::increaseContrast: return "increaseContrast";
    }
    return "";
}

std::optional<bool> parseSwitch(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (lower == "1" || lower == "true" || lower == "yes" || lower == "on") return true;
    if (lower == "0" || lower == "false" || lower == "no" || lower == "off") return false;
    return std::nullopt;
}

DisplayOptionLayer environmentOverrides(const EnvironmentLookup& lookup) {
    DisplayOptionLayer layer;
    for (DisplayOption option : kAllDisplayOptions) {
        const std::string name(environmentVariable(option));
        const char* value = lookup ? lookup(name.c_str()) : std::getenv(name.c_str());
        if (value != nullptr) layer.set(option, parseSwitch(value));
    }
    return layer;
}

}  // namespace zephrane::accessibility
