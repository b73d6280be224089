// Which aggregate temperature drives the fans. The raw values are stored in
// the app's settings and inside custom modes.
#pragma once

#include <array>
#include <string_view>

#include "shared/EnumCases.hpp"

namespace zephrane {

enum class ControlSource { hottest, cpuAverage, cpuPerformance, cpuEfficiency, gpuAverage };

constexpr std::string_view rawValue(ControlSource s) {
    switch (s) {
        case ControlSource::hottest: return "hottest";
        case ControlSource::cpuAverage: return "cpuAverage";
        case ControlSource::cpuPerformance: return "cpuPerformance";
        case ControlSource::cpuEfficiency: return "cpuEfficiency";
        case ControlSource::gpuAverage: return "gpuAverage";
    }
    return "hottest";
}

constexpr std::string_view displayName(ControlSource s) {
    switch (s) {
        case ControlSource::hottest: return "Hottest Sensor";
        case ControlSource::cpuAverage: return "CPU Core Average";
        case ControlSource::cpuPerformance: return "CPU Performance";
        case ControlSource::cpuEfficiency: return "CPU Efficiency";
        case ControlSource::gpuAverage: return "GPU Average";
    }
    return "";
}

template <>
struct EnumCases<ControlSource> {
    static constexpr std::string_view typeName = "ControlSource";
    static constexpr std::array values{ControlSource::hottest, ControlSource::cpuAverage,
                                       ControlSource::cpuPerformance, ControlSource::cpuEfficiency,
                                       ControlSource::gpuAverage};
};

}  // namespace zephrane
