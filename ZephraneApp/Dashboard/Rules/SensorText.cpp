#include "ZephraneApp/Dashboard/Rules/SensorText.hpp"

#include <cmath>
#include <cstdint>

#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"
#include "shared/NumberText.hpp"
#include "shared/Saturating.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane::dashboard {

std::string sensorSymbolName(const SMCSensor& sensor) {
    switch (sensor.sensorClass) {
        case SensorClass::temperature:
            switch (sensor.category) {
                case SensorCategory::cpu: return "cpu";
                case SensorCategory::gpu: return "memorychip";
                case SensorCategory::neuralEngine: return "brain";
                case SensorCategory::memory: return "memorychip";
                case SensorCategory::battery: return "minus.plus.batteryblock";
                case SensorCategory::enclosure: return "thermometer.medium";
            }
            return "thermometer.medium";
        case SensorClass::power: return "bolt.fill";
        case SensorClass::voltage: return "powerplug.fill";
        case SensorClass::current: return "bolt.horizontal.fill";
        case SensorClass::fan: return "fan.fill";
        case SensorClass::other: return "dot.scope";
    }
    return "dot.scope";
}

std::string sensorValueText(const SMCSensor& sensor, bool fahrenheit, bool precise) {
    const double v = sensor.currentTemp;
    if (!std::isfinite(v)) return kNoValue;
    switch (sensor.sensorClass) {
        case SensorClass::temperature: return TemperatureFormat::display(v, fahrenheit, precise);
        case SensorClass::power: return fixedText(v, 2) + " W";
        case SensorClass::voltage: return fixedText(v, 2) + " V";
        case SensorClass::current: return fixedText(v, 2) + " A";
        // A speed past the integer range sticks at its bound.
        case SensorClass::fan: return groupedIntegerText(saturatingRound<std::int64_t>(v)) + " RPM";
        case SensorClass::other: return fixedText(v, 2);
    }
    return fixedText(v, 2);
}

bool sensorValueIsHot(const SMCSensor& sensor) {
    return sensor.sensorClass == SensorClass::temperature && std::isfinite(sensor.currentTemp) &&
           sensor.currentTemp >= kHotCelsius;
}

std::string sensorSpokenText(const SMCSensor& sensor, bool fahrenheit, bool precise, bool pinned) {
    return sensor.name + ", " + sensorValueText(sensor, fahrenheit, precise) + (pinned ? ", pinned" : "");
}

std::string pinSymbol(bool pinned) { return pinned ? "pin.slash" : "pin"; }

std::string pinLabel(bool pinned, const std::string& name) { return (pinned ? "Unpin " : "Pin ") + name; }

std::string pinMenuText(bool pinned) { return pinned ? "Unpin" : "Pin"; }

}  // namespace zephrane::dashboard
