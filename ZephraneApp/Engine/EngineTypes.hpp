// The small value types the engine keeps as settings and state: what the
// menu-bar item shows, the per-preset speed caps and the memory of a quiet
// driver. The window backdrop is the design system's catalogue, the summon
// shortcut the shell's.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

#include "shared/ControlSource.hpp"
#include "shared/EnumCases.hpp"
#include "shared/FanModel.hpp"
#include "shared/JsonFwd.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/WindowBackdrop.hpp"
#include "ZephraneApp/Shell/GlobalShortcut.hpp"

namespace zephrane {

// What the menu-bar item shows.
enum class MenuBarReadout { none, controlTemperature, hottestFan, both, hottestSensor };

constexpr std::string_view rawValue(MenuBarReadout r) {
    switch (r) {
        case MenuBarReadout::none: return "none";
        case MenuBarReadout::controlTemperature: return "controlTemperature";
        case MenuBarReadout::hottestFan: return "hottestFan";
        case MenuBarReadout::both: return "both";
        case MenuBarReadout::hottestSensor: return "hottestSensor";
    }
    return "none";
}

template <>
struct EnumCases<MenuBarReadout> {
    static constexpr std::string_view typeName = "MenuBarReadout";
    static constexpr std::array values{MenuBarReadout::none, MenuBarReadout::controlTemperature,
                                       MenuBarReadout::hottestFan, MenuBarReadout::both,
                                       MenuBarReadout::hottestSensor};
};

// Which temperature the menu-bar item (and the main readout) follows.
enum class MenuBarTempSource { control, hottest, cpuAverage, cpuPerformance, cpuEfficiency, gpuAverage };

constexpr std::string_view rawValue(MenuBarTempSource s) {
    switch (s) {
        case MenuBarTempSource::control: return "control";
        case MenuBarTempSource::hottest: return "hottest";
        case MenuBarTempSource::cpuAverage: return "cpuAverage";
        case MenuBarTempSource::cpuPerformance: return "cpuPerformance";
        case MenuBarTempSource::cpuEfficiency: return "cpuEfficiency";
        case MenuBarTempSource::gpuAverage: return "gpuAverage";
    }
    return "control";
}

// The aggregate of the same name; none for `control`, which follows the
// engine's control source.
constexpr std::optional<ControlSource> aggregateSource(MenuBarTempSource s) {
    switch (s) {
        case MenuBarTempSource::control: return std::nullopt;
        case MenuBarTempSource::hottest: return ControlSource::hottest;
        case MenuBarTempSource::cpuAverage: return ControlSource::cpuAverage;
        case MenuBarTempSource::cpuPerformance: return ControlSource::cpuPerformance;
        case MenuBarTempSource::cpuEfficiency: return ControlSource::cpuEfficiency;
        case MenuBarTempSource::gpuAverage: return ControlSource::gpuAverage;
    }
    return std::nullopt;
}

template <>
struct EnumCases<MenuBarTempSource> {
    static constexpr std::string_view typeName = "MenuBarTempSource";
    static constexpr std::array values{MenuBarTempSource::control,        MenuBarTempSource::hottest,
                                       MenuBarTempSource::cpuAverage,     MenuBarTempSource::cpuPerformance,
                                       MenuBarTempSource::cpuEfficiency, MenuBarTempSource::gpuAverage};
};

// A preset's speed caps, fractions of the fan range: on external power and
// on battery. Stored as {"ac": 0.55, "battery": 0.35}, both keys required.
struct PresetPowerCaps {
    double ac = 1.0;
    double battery = 1.0;

    friend bool operator==(const PresetPowerCaps&, const PresetPowerCaps&) = default;

    Json toJson(std::string_view path = {}) const;
    static PresetPowerCaps fromJson(const Json& value, std::string_view path = {});
};

using PresetPowerCapsTable = std::map<FanPreset, PresetPowerCaps>;

// The memory of one quiet driver (quiet hours, meeting quiet): whether it
// holds its window, and what it took over from.
struct QuietDriverState {
    std::optional<bool> wasActive;  // none: not evaluated yet (behaves as false)
    std::optional<FanPreset> priorPreset;
    std::optional<FanProfile> priorProfile;
    bool hasMemory = false;
    bool overridden = false;

    friend bool operator==(const QuietDriverState&, const QuietDriverState&) = default;
};

}  // namespace zephrane
