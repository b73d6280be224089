// What the menu-bar item shows, and which temperature it (and the main
// readout) follows: two of the user's settings, stored as their raw values.
#pragma once

#include <array>
#include <optional>
#include <string_view>

#include "shared/ControlSource.hpp"
#include "shared/EnumCases.hpp"

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

// What the user calls each readout.
constexpr std::string_view displayName(MenuBarReadout r) {
    switch (r) {
        case MenuBarReadout::none: return "Off";
        case MenuBarReadout::controlTemperature: return "Temperature";
        case MenuBarReadout::hottestFan: return "Fan speed";
        case MenuBarReadout::both: return "Temperature & fan speed";
        case MenuBarReadout::hottestSensor: return "Hottest Sensor";
    }
    return "Off";
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

// What the user calls each source.
constexpr std::string_view displayName(MenuBarTempSource s) {
    switch (s) {
        case MenuBarTempSource::control: return "Control temperature";
        case MenuBarTempSource::hottest: return "Hottest Sensor";
        case MenuBarTempSource::cpuAverage: return "CPU Core Average";
        case MenuBarTempSource::cpuPerformance: return "CPU Performance";
        case MenuBarTempSource::cpuEfficiency: return "CPU Efficiency";
        case MenuBarTempSource::gpuAverage: return "GPU Average";
    }
    return "Control temperature";
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

}  // namespace zephrane
