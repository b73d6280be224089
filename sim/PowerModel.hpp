// The simulated machine's power parts as the I/O Registry and the power-sources
// service show them: the battery's gas gauge ("AppleSmartBattery"), the
// external adapter, and the lid (the power-management root domain's
// "AppleClamshellState").
//
// The battery drains while the machine runs on it and charges on the adapter:
// the machine draws its platform watts plus the die's power at the current
// load; on the adapter the surplus over that draw charges the battery, up to
// the maximum charge current, until it is full. A current is negative while
// discharging. Charge moves `timeScale` times faster than real time (see
// BatteryParams), and each full capacity discharged adds a cycle.
//
// Property maps use the Mac's names and units: mA (signed), mV, mAh, whole
// percentages, temperatures in hundredths of a degree; every number is an
// integer, as the gas gauge reports them.
//
// Not thread-safe: the owning SimulatedSMC guards it with its lock.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "shared/JsonCoding.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimTime.hpp"

namespace zephrane::sim {

class PowerModel {
public:
    explicit PowerModel(const MachineProfile& profile);

    // Moves the charge over dt while the die runs at `load` (0 to 1).
    void advance(SimDuration dt, double load);

    bool hasBattery() const { return battery_.has_value(); }
    bool hasAdapter() const { return adapter_.has_value(); }
    bool hasLid() const { return lid_.has_value(); }

    // Changes at run time; std::out_of_range when the machine lacks the part.
    void setAdapterConnected(bool connected);
    void setBatteryLevel(double percent);  // clamped to 0 to 100
    void drainBattery(double points);      // takes points off the level, not below 0
    void setLidClosed(bool closed);

    // What the power-sources service says: "Battery Power" when a battery
    // carries the machine, else "AC Power" (a desktop runs on AC).
    std::string providingPowerSourceType() const;
    // The adapter's details ({"Watts", "Voltage" mV, "Current" mA, ...});
    // nothing without a connected adapter.
    std::optional<Json> adapterDetails() const;
    // The battery's registry properties; nothing without a battery.
    // `batteryC` is the thermal model's battery temperature.
    std::optional<Json> batteryProperties(double batteryC) const;
    // The root domain's properties; the clamshell state only with a lid.
    Json rootDomainProperties() const;

    // The state, for tests and the properties above.
    double levelPercent() const;     // 0 without a battery
    double currentMilliamps() const;  // + charging, - discharging, 0 without a battery
    double voltageMillivolts() const;
    bool adapterConnected() const { return adapter_ && adapter_->connected; }
    bool isCharging() const;
    bool isFullyCharged() const;
    std::int64_t cycleCount() const { return cycleCount_; }
    bool lidClosed() const { return lid_ && lid_->closed; }

private:
    double drawWatts(double load) const;
    double currentAt(double drawWatts) const;
    void requireBattery() const;

    std::optional<BatteryParams> battery_;
    std::optional<AdapterParams> adapter_;
    std::optional<LidParams> lid_;
    double idleDieWatts_;
    double maxDieWatts_;
    double chargeMah_ = 0;
    double drawWatts_;            // over the latest advance
    double dischargedMah_ = 0;    // toward the next cycle
    std::int64_t cycleCount_ = 0;
};

}  // namespace zephrane::sim
