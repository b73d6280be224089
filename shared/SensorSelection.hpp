// Which sensor readings may be trusted: the floor below which a die or core
// reading means the silicon is idle or the key is a placeholder, and the
// hottest temperature among sensors that classification could name.
#pragma once

#include <optional>
#include <span>

#include "shared/SensorModel.hpp"

namespace zephrane {

class SensorSelection {
public:
    SensorSelection() = delete;

    // °C. A die, core, cluster, category or named-key reading counts as
    // active only when strictly greater than this; 12.0 itself is inactive.
    static constexpr double activeSiliconFloor = 12.0;

    // True when classification gave the sensor a readable name (a known
    // family), i.e. its name differs from its key.
    static bool isNamed(const SMCSensor& sensor);

    // °C. The highest reading among the named temperature sensors, taken as
    // is: neither the plausible range nor the activity floor applies. A NaN
    // reading is no reading; absent when no trusted sensor has a number.
    static std::optional<double> trustedMaxTemperature(std::span<const SMCSensor> sensors);
};

}  // namespace zephrane
