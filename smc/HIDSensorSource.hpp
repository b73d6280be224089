// Temperatures the machine reports through the HID event system rather than
// the SMC (power-management dies, flash storage, the battery's gauge...):
// one reading per product name, the median of the services that share it.
// Needs no privilege and no SMC connection. Nothing here throws or logs; the
// worst case is an empty list.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/iokit/HIDEventSystemClient.hpp"

namespace zephrane {

struct HIDSensorReading {
    std::string name;  // the service's product name
    double celsius = 0;

    friend bool operator==(const HIDSensorReading&, const HIDSensorReading&) = default;
};

// Not thread-safe: one user at a time (the sensor poller). readAll() blocks
// for the length of the HID queries.
class HIDSensorSource {
public:
    // Over this process's event system client.
    HIDSensorSource();
    // Over the given client; without one every read is empty.
    explicit HIDSensorSource(std::unique_ptr<iokit::HIDEventSystemClient> client);

    std::vector<HIDSensorReading> readAll() const;

    // Drops empty and "?" names and readings outside -40 to 130 °C (NaN
    // included), then gives each remaining name the median of its readings,
    // names in the order they first passed.
    static std::vector<HIDSensorReading> medianByName(const std::vector<std::pair<std::string, double>>& readings);

private:
    std::unique_ptr<iokit::HIDEventSystemClient> client_;
};

}  // namespace zephrane
