#include "shared/SensorSelection.hpp"

#include <cmath>

namespace zephrane {

bool SensorSelection::isNamed(const SMCSensor& sensor) { return sensor.name != sensor.key; }

std::optional<double> SensorSelection::trustedMaxTemperature(std::span<const SMCSensor> sensors) {
    std::optional<double> hottest;
    for (const SMCSensor& sensor : sensors) {
        if (sensor.sensorClass != SensorClass::temperature || !isNamed(sensor)) continue;
        // A NaN would win or lose depending on where it sits in the list, and
        // once chosen it would drive the fan curve; skip it instead.
        if (std::isnan(sensor.currentTemp)) continue;
        if (!hottest || sensor.currentTemp > *hottest) hottest = sensor.currentTemp;
    }
    return hottest;
}

}  // namespace zephrane
