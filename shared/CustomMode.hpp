// Custom modes: a named setting the user makes for one kind of work (a game,
// a recording, a render). A mode holds a speed rule for the fans, the
// temperature that drives them and, optionally, the temperature shown for it.
//
// The speed's percentage is a fraction of each fan's range (0 at its minimum
// RPM, 1 at its maximum) and a mode only ever holds it within 0...1: the
// constructor, `setSpeed` and decoding all clamp it, keeping the case. A
// `ModeSpeed` on its own is not clamped; the invariant belongs to the mode.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "shared/ControlSource.hpp"
#include "shared/EnumCases.hpp"
#include "shared/JsonFwd.hpp"
#include "shared/Uuid.hpp"

namespace zephrane {

// How a mode sets the fans: `floor` keeps them at no less than the fraction,
// `fixed` runs them at it.
class ModeSpeed {
public:
    enum class Case { floor, fixed };

    static constexpr ModeSpeed floor(double percentage) { return {Case::floor, percentage}; }
    static constexpr ModeSpeed fixed(double percentage) { return {Case::fixed, percentage}; }

    constexpr Case kind() const { return kind_; }
    constexpr double percentage() const { return percentage_; }
    // "Minimum" for floor, "Fixed" for fixed.
    std::string_view displayName() const;

    // Same case, percentage clamped to 0...1: at or below 0 gives 0 (so -0.0
    // becomes +0.0), above 1 gives 1, NaN gives 0.
    ModeSpeed clamped() const;

    friend constexpr bool operator==(const ModeSpeed&, const ModeSpeed&) = default;

    // {"floor":{"percentage":0.25}} or {"fixed":{"percentage":0.7}}.
    // Encoding a non-finite percentage throws EncodingError.
    Json toJson(std::string_view path = {}) const;
    static ModeSpeed fromJson(const Json& value, std::string_view path = {});

private:
    constexpr ModeSpeed(Case kind, double percentage) : kind_(kind), percentage_(percentage) {}

    Case kind_;
    double percentage_;
};

// Which temperature a mode uses: one of the aggregates, or one row of the
// device sensor list by its id.
class ModeSensor {
public:
    enum class Case { source, sensor };

    static ModeSensor source(ControlSource source) { return ModeSensor(source); }
    static ModeSensor sensor(std::string id) { return ModeSensor(std::move(id)); }

    Case kind() const { return std::holds_alternative<ControlSource>(payload_) ? Case::source : Case::sensor; }
    std::optional<ControlSource> controlSource() const;  // set for `source` only
    std::optional<std::string> sensorId() const;         // set for `sensor` only

    friend bool operator==(const ModeSensor&, const ModeSensor&) = default;

    // {"source":{"_0":"gpuAverage"}} or {"sensor":{"id":"perf.0"}}.
    Json toJson(std::string_view path = {}) const;
    static ModeSensor fromJson(const Json& value, std::string_view path = {});

private:
    explicit ModeSensor(ControlSource source) : payload_(source) {}
    explicit ModeSensor(std::string id) : payload_(std::in_place_type<std::string>, std::move(id)) {}

    std::variant<ControlSource, std::string> payload_;
};

class CustomMode {
public:
    CustomMode(Uuid id, std::string name, std::string symbolName, ModeSpeed speed, ModeSensor controlSensor,
               std::optional<ModeSensor> displaySensor, bool drivesMainReadout);

    const Uuid& id() const { return id_; }

    const std::string& name() const { return name_; }
    void setName(std::string name) { name_ = std::move(name); }

    // Name of the symbol image shown for the mode.
    const std::string& symbolName() const { return symbolName_; }
    void setSymbolName(std::string symbolName) { symbolName_ = std::move(symbolName); }

    // Always within 0...1; there is deliberately no mutable access.
    const ModeSpeed& speed() const { return speed_; }
    void setSpeed(ModeSpeed speed) { speed_ = speed.clamped(); }

    // The temperature that drives the fans while the mode is active.
    const ModeSensor& controlSensor() const { return controlSensor_; }
    void setControlSensor(ModeSensor sensor) { controlSensor_ = std::move(sensor); }

    // The temperature shown for the mode; none when the user chose none.
    const std::optional<ModeSensor>& displaySensor() const { return displaySensor_; }
    void setDisplaySensor(std::optional<ModeSensor> sensor) { displaySensor_ = std::move(sensor); }

    // The display temperature also takes over the dashboard and menu bar.
    bool drivesMainReadout() const { return drivesMainReadout_; }
    void setDrivesMainReadout(bool drives) { drivesMainReadout_ = drives; }

    friend bool operator==(const CustomMode&, const CustomMode&) = default;

    // Writes the current form only ("floorPercentage" is read, never written)
    // and leaves "displaySensor" out when there is none.
    Json toJson(std::string_view path = {}) const;
    // Accepts the older form that stored only "floorPercentage" in place of
    // "speed"; missing "controlSensor", "displaySensor" and
    // "drivesMainReadout" take their defaults (hottest, none, false).
    static CustomMode fromJson(const Json& value, std::string_view path = {});

    // The symbols the mode editor offers, in the order it shows them.
    static constexpr std::array<std::string_view, 8> curatedSymbolNames{
        "gamecontroller.fill", "mic.fill", "cube.fill", "flame.fill",
        "bolt.fill",           "moon.fill", "film.fill", "chart.bar.fill"};

    // Built once per run on first use, each with a fresh id, so they are stable
    // within a run and differ across runs. `templates()` holds the same three
    // values: Gaming, Recording, Rendering.
    static const CustomMode& gamingTemplate();
    static const CustomMode& recordingTemplate();
    static const CustomMode& renderingTemplate();
    static const std::vector<CustomMode>& templates();

private:
    Uuid id_;
    std::string name_;
    std::string symbolName_;
    ModeSpeed speed_;
    ModeSensor controlSensor_;
    std::optional<ModeSensor> displaySensor_;
    bool drivesMainReadout_;
};

// The user's modes as the settings store them: a JSON array of modes. One bad
// element fails the whole read, so a caller never gets a list with modes
// silently missing.
Json encodeCustomModes(std::span<const CustomMode> modes, std::string_view path = {});
std::vector<CustomMode> decodeCustomModes(const Json& value, std::string_view path = {});

}  // namespace zephrane
