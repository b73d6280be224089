#include "ZephraneApp/Modes/ModesText.hpp"

#include "shared/TemperatureFormat.hpp"

namespace zephrane::modes {

std::string modeCountText(std::size_t count) {
    return std::to_string(count) + (count == 1 ? " custom mode" : " custom modes");
}

std::optional<std::string> modeDisabledReason(bool hasFans) {
    if (hasFans) return std::nullopt;
    return "This Mac reports no controllable fans.";
}

std::string templateAccessibilityLabel(std::string_view name) { return "Start from " + std::string(name); }

std::string templateAccessibilityHint(std::string_view name, std::string_view speedSummary) {
    return "Adds a custom mode named " + std::string(name) + " with a " + std::string(speedSummary) + " speed";
}

std::string deleteConfirmationMessage(std::string_view name) {
    return "\u201C" + std::string(name) + "\u201D will be removed. This can't be undone.";
}

const ModeSensor& shownSensor(const CustomMode& mode) {
    return mode.displaySensor() ? *mode.displaySensor() : mode.controlSensor();
}

std::string modeTemperatureText(std::optional<double> celsius, bool fahrenheit, bool precise) {
    if (!celsius) return "\u2014";
    return TemperatureFormat::display(*celsius, fahrenheit, precise);
}

bool modeTemperatureIsHot(std::optional<double> celsius) {
    constexpr double kHotCelsius = 72.0;
    return celsius && *celsius >= kHotCelsius;
}

std::string modeRowAccessibilityValue(bool isActive, std::string_view speedSummary, std::string_view sensorLabel,
                                      std::string_view temperatureText) {
    std::string value = isActive ? "On" : "Off";
    value += ". ";
    value += speedSummary;
    value += ". ";
    value += sensorLabel;
    value += ", ";
    value += temperatureText;
    value += ".";
    return value;
}

std::string_view modeRowHint(bool isActive) {
    return isActive ? "Turns off, returning control to Apple Auto." : "Engages this mode.";
}

std::string editChipLabel(std::string_view name) { return "Edit " + std::string(name); }

std::string deleteChipLabel(std::string_view name) { return "Delete " + std::string(name); }

}  // namespace zephrane::modes
