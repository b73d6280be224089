// The SMC names die and core sensors with short keys, and which of them exist
// differs from one machine to the next. The device sensor map turns the list
// of discovered sensors into a short, stable list of device-level rows (the
// dashboard shows them and custom modes pick them by id) and into the control
// temperature of a `ControlSource`, which drives the fan curve.
#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "shared/ControlSource.hpp"
#include "shared/SensorModel.hpp"

namespace zephrane {

// One row of the device list. Custom modes store `id`, so the id texts are
// part of the stored format. Identified by `id`; never persisted itself.
struct DeviceSensorReading {
    std::string id;
    std::string name;    // the label shown
    std::string symbol;  // system symbol image shown beside the label
    std::optional<double> value;  // °C; absent when no active reading exists

    friend bool operator==(const DeviceSensorReading&, const DeviceSensorReading&) = default;
};

class DeviceSensorMap {
public:
    DeviceSensorMap() = delete;

    // Physical core counts of the machine; a count below 1 means that kind of
    // core is not looked for.
    struct CoreCounts {
        int performance = 0;
        int efficiency = 0;

        friend bool operator==(const CoreCounts&, const CoreCounts&) = default;
    };

    // More GPU clusters than this are averaged into this many buckets.
    static constexpr std::size_t maxGpuClusters = 5;

    // The device rows, in their fixed order: named proximity and battery
    // keys, the CPU average (or the generic CPU/GPU category rows on a machine
    // without core keys), efficiency cores, performance cores, GPU clusters
    // and their average, the power-manager die average, power supply,
    // Thunderbolt and storage keys. A row whose condition holds is listed even
    // when its value is absent.
    static std::vector<DeviceSensorReading> fixedList(std::span<const SMCSensor> sensors, CoreCounts counts);

    // °C; absent when nothing qualifies. The CPU and GPU averages fall back to
    // a category average only when no core or cluster keys exist at all, not
    // when they exist but read as inactive.
    static std::optional<double> aggregate(ControlSource source, std::span<const SMCSensor> sensors,
                                           CoreCounts counts);
};

}  // namespace zephrane
