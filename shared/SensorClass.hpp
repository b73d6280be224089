// The kind of quantity an SMC key carries, with the unit it is shown in.
#pragma once

#include <array>
#include <string_view>

#include "shared/EnumCases.hpp"

namespace zephrane {

enum class SensorClass { temperature, power, voltage, current, fan, other };

constexpr std::string_view rawValue(SensorClass c) {
    switch (c) {
        case SensorClass::temperature: return "temperature";
        case SensorClass::power: return "power";
        case SensorClass::voltage: return "voltage";
        case SensorClass::current: return "current";
        case SensorClass::fan: return "fan";
        case SensorClass::other: return "other";
    }
    return "other";
}

constexpr std::string_view unit(SensorClass c) {
    switch (c) {
        case SensorClass::temperature: return "\u00B0C";
        case SensorClass::power: return "W";
        case SensorClass::voltage: return "V";
        case SensorClass::current: return "A";
        case SensorClass::fan: return "RPM";
        case SensorClass::other: return "";
    }
    return "";
}

template <>
struct EnumCases<SensorClass> {
    static constexpr std::string_view typeName = "SensorClass";
    static constexpr std::array values{SensorClass::temperature, SensorClass::power, SensorClass::voltage,
                                       SensorClass::current,     SensorClass::fan,   SensorClass::other};
};

}  // namespace zephrane
