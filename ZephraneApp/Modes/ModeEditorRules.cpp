#include "ZephraneApp/Modes/ModeEditorRules.hpp"

#include <algorithm>
#include <array>
#include <iterator>
#include <utility>

namespace zephrane::modes {
namespace {

constexpr std::string_view kSourcePrefix = "mode-sensor.source.";
constexpr std::string_view kSensorPrefix = "mode-sensor.sensor.";

const ModeSensorPickerOption* optionWithId(std::span<const ModeSensorPickerOption> options, std::string_view id) {
    const auto found = std::ranges::find(options, id, &ModeSensorPickerOption::id);
    return found == options.end() ? nullptr : &*found;
}

std::string firstId(std::span<const ModeSensorPickerOption> options) {
    return options.empty() ? std::string() : options.front().id;
}

}  // namespace

std::string ModeEditorTarget::identity() const { return mode_ ? mode_->id().uuidString() : std::string("new"); }

std::vector<ModeSensorPickerOption> modeSensorOptions(std::span<const DeviceSensorReading> readings) {
    std::vector<ModeSensorPickerOption> options;
    options.reserve(EnumCases<ControlSource>::values.size() + readings.size());
    for (const ControlSource source : EnumCases<ControlSource>::values)
        options.push_back({std::string(kSourcePrefix) + std::string(rawValue(source)),
                           std::string(displayName(source)), ModeSensor::source(source)});
    for (const DeviceSensorReading& reading : readings)
        options.push_back({std::string(kSensorPrefix) + reading.id, reading.name, ModeSensor::sensor(reading.id)});
    return options;
}

const ModeSensorPickerOption& sameAsTriggerOption() {
    static const ModeSensorPickerOption option{"mode-sensor.same-as-trigger", "Same as trigger", std::nullopt};
    return option;
}

std::vector<ModeSensorPickerOption> displaySensorOptions(std::span<const DeviceSensorReading> readings) {
    std::vector<ModeSensorPickerOption> options{sameAsTriggerOption()};
    std::ranges::move(modeSensorOptions(readings), std::back_inserter(options));
    return options;
}

std::string triggerSelection(std::span<const ModeSensorPickerOption> options, const ModeSensor& controlSensor) {
    const auto found = std::ranges::find_if(options, [&](const ModeSensorPickerOption& option) {
        return option.sensor == controlSensor;
    });
    return found != options.end() ? found->id : firstId(options);
}

std::optional<ModeSensor> chosenTrigger(std::span<const ModeSensorPickerOption> options, std::string_view id) {
    const ModeSensorPickerOption* option = optionWithId(options, id);
    return option != nullptr ? option->sensor : std::nullopt;
}

std::string displaySelection(std::span<const ModeSensorPickerOption> options,
                             const std::optional<ModeSensor>& displaySensorChoice) {
    // Both cases look for the first entry whose sensor equals the choice: for
    // no choice that is the first entry without a sensor.
    const auto found = std::ranges::find(options, displaySensorChoice, &ModeSensorPickerOption::sensor);
    return found != options.end() ? found->id : firstId(options);
}

std::optional<ModeSensor> chosenDisplay(std::span<const ModeSensorPickerOption> options, std::string_view id) {
    const ModeSensorPickerOption* option = optionWithId(options, id);
    return option != nullptr ? option->sensor : std::nullopt;
}

std::string symbolAccessibilityLabel(std::string_view symbol) {
    static const std::array<std::pair<std::string_view, std::string_view>, 8> labels{{
        {"gamecontroller.fill", "Game Controller"},
        {"mic.fill", "Microphone"},
        {"cube.fill", "Cube"},
        {"flame.fill", "Flame"},
        {"bolt.fill", "Bolt"},
        {"moon.fill", "Moon"},
        {"film.fill", "Film"},
        {"chart.bar.fill", "Bar Chart"},
    }};
    const auto found = std::ranges::find(labels, symbol, &std::pair<std::string_view, std::string_view>::first);
    if (found != labels.end()) return std::string(found->second);
    std::string spoken(symbol);
    std::ranges::replace(spoken, '.', ' ');
    return spoken;
}

std::string_view modeEditorTitle(bool isEditing) { return isEditing ? "Edit Custom Mode" : "New Custom Mode"; }

std::string_view modeSpeedKindText(bool isFixedSpeed) { return isFixedSpeed ? "Fixed" : "Minimum"; }

std::string_view modeSpeedSliderLabel(bool isFixedSpeed) { return isFixedSpeed ? "Fixed speed" : "Minimum speed"; }

}  // namespace zephrane::modes
