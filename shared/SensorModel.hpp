// How both programs describe sensors: the categories, one discovered SMC
// sensor, and the per-category alert rule the app keeps.
#pragma once

#include <array>
#include <cstddef>
#include <map>
#include <string>
#include <string_view>

#include "shared/EnumCases.hpp"
#include "shared/JsonFwd.hpp"
#include "shared/SensorClass.hpp"

namespace zephrane {

enum class SensorCategory { cpu, gpu, neuralEngine, memory, battery, enclosure };

constexpr std::string_view rawValue(SensorCategory c) {
    switch (c) {
        case SensorCategory::cpu: return "cpu";
        case SensorCategory::gpu: return "gpu";
        case SensorCategory::neuralEngine: return "neuralEngine";
        case SensorCategory::memory: return "memory";
        case SensorCategory::battery: return "battery";
        case SensorCategory::enclosure: return "enclosure";
    }
    return "cpu";
}

constexpr std::string_view displayName(SensorCategory c) {
    switch (c) {
        case SensorCategory::cpu: return "CPU";
        case SensorCategory::gpu: return "GPU";
        case SensorCategory::neuralEngine: return "Neural Engine";
        case SensorCategory::memory: return "Memory";
        case SensorCategory::battery: return "Battery";
        case SensorCategory::enclosure: return "Enclosure";
    }
    return "";
}

template <>
struct EnumCases<SensorCategory> {
    static constexpr std::string_view typeName = "SensorCategory";
    static constexpr std::array values{SensorCategory::cpu,    SensorCategory::gpu,     SensorCategory::neuralEngine,
                                       SensorCategory::memory, SensorCategory::battery, SensorCategory::enclosure};
};

struct AlertRule {
    bool enabled = false;
    double thresholdCelsius = 0;  // °C at which the rule fires
    bool autoBoost = false;       // the engine also boosts the fans when it fires

    friend bool operator==(const AlertRule&, const AlertRule&) = default;

    Json toJson(std::string_view path = {}) const;
    static AlertRule fromJson(const Json& value, std::string_view path = {});
};

struct SMCSensor {
    std::string id;
    std::string key;   // the four-character SMC key
    std::string name;  // display name; equals `key` when classification found no readable name
    SensorCategory category = SensorCategory::cpu;
    double currentTemp = 0;  // latest value, in `unit` (°C for temperatures)
    SensorClass sensorClass = SensorClass::other;
    std::string unit;

    friend bool operator==(const SMCSensor&, const SMCSensor&) = default;

    Json toJson(std::string_view path = {}) const;
    static SMCSensor fromJson(const Json& value, std::string_view path = {});
};

}  // namespace zephrane

template <>
struct std::hash<zephrane::SMCSensor> {
    std::size_t operator()(const zephrane::SMCSensor& sensor) const noexcept;
};
