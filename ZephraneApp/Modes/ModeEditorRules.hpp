// What the mode editor decides, apart from drawing: which mode it edits, the
// entries of its two sensor pickers and which entry each shows, what
// choosing an entry does, and how a symbol is spoken.
//
// The pickers never lose a mode's sensor: a mode that names a device sensor
// the machine no longer lists shows the first entry, yet keeps its sensor
// until the user picks another one.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "shared/CustomMode.hpp"
#include "shared/DeviceSensorMap.hpp"

namespace zephrane::modes {

// The mode the editor sheet is opened for: a blank new mode, or an existing
// one as it stood when the sheet was asked for.
class ModeEditorTarget {
public:
    static ModeEditorTarget newMode() { return ModeEditorTarget(std::nullopt); }
    static ModeEditorTarget edit(CustomMode mode) { return ModeEditorTarget(std::move(mode)); }

    bool isNew() const { return !mode_.has_value(); }
    // The mode edited; none for a new one.
    const std::optional<CustomMode>& mode() const { return mode_; }
    // The sheet is one per identity: "new", or the mode's id as text.
    std::string identity() const;

    // new equals new; two edits are equal when their modes are equal in
    // every field.
    friend bool operator==(const ModeEditorTarget&, const ModeEditorTarget&) = default;

private:
    explicit ModeEditorTarget(std::optional<CustomMode> mode) : mode_(std::move(mode)) {}

    std::optional<CustomMode> mode_;
};

// One entry of a sensor picker. `id` is unique within a list; `sensor` is
// absent only for the "Same as trigger" entry.
struct ModeSensorPickerOption {
    std::string id;
    std::string label;
    std::optional<ModeSensor> sensor;
    friend bool operator==(const ModeSensorPickerOption&, const ModeSensorPickerOption&) = default;
};

// The trigger picker's entries: the five aggregates in their order, then one
// per device reading in the list's order.
std::vector<ModeSensorPickerOption> modeSensorOptions(std::span<const DeviceSensorReading> readings);
// "mode-sensor.same-as-trigger", "Same as trigger", no sensor.
const ModeSensorPickerOption& sameAsTriggerOption();
// The display picker's entries: "Same as trigger", then modeSensorOptions.
std::vector<ModeSensorPickerOption> displaySensorOptions(std::span<const DeviceSensorReading> readings);

// The entry the trigger picker shows for `controlSensor`: the first whose
// sensor equals it, else the first entry ("Hottest Sensor").
std::string triggerSelection(std::span<const ModeSensorPickerOption> options, const ModeSensor& controlSensor);
// The trigger after the user picked `id`: that entry's sensor; none (keep the
// trigger as it is) when no entry has that id or the entry has no sensor.
std::optional<ModeSensor> chosenTrigger(std::span<const ModeSensorPickerOption> options, std::string_view id);

// The entry the display picker (displaySensorOptions) shows: the first
// without a sensor for no choice, else the first whose sensor equals it,
// else the first entry.
std::string displaySelection(std::span<const ModeSensorPickerOption> options,
                             const std::optional<ModeSensor>& displaySensorChoice);
// The display choice after the user picked `id`: that entry's sensor, so
// none for "Same as trigger" and for an id no entry has.
std::optional<ModeSensor> chosenDisplay(std::span<const ModeSensorPickerOption> options, std::string_view id);

// What a screen reader says for a mode symbol: "Game Controller" for
// "gamecontroller.fill"...; a symbol of no table entry is read as its name
// with each "." made a space.
std::string symbolAccessibilityLabel(std::string_view symbol);

// The editor's fixed words.
std::string_view modeEditorTitle(bool isEditing);      // "Edit Custom Mode" / "New Custom Mode"
std::string_view modeSpeedKindText(bool isFixedSpeed);   // "Fixed" / "Minimum"
std::string_view modeSpeedSliderLabel(bool isFixedSpeed);  // "Fixed speed" / "Minimum speed"

}  // namespace zephrane::modes
