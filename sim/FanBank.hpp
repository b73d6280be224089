// The firmware's fan control over the key table: which writes to the fan
// keys and "Ftst" it takes, and how the fans' keys move as time passes.
//
// Manual mode (F<i>Md = 1) is refused (result kModeRefused) on a machine
// with "Ftst" until "Ftst" = 1 has been held for the profile's unlock delay,
// and always for a fan a fault has told never to take it. "Ftst" = 0 hands
// every fan back to automatic control, as does F<i>Md = 0 for its fan; any
// mode other than 1 counts as automatic.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <span>
#include <vector>

#include "sim/KeyTable.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimulatedFan.hpp"

namespace zephrane::sim {

class FanBank {
public:
    FanBank(const KeyTable& table, const MachineProfile& profile);

    // Applies a write that already passed the generic checks (key present,
    // writable, right size) and returns the result byte.
    std::uint8_t write(KeyTable& table, SimKey& key, std::span<const std::uint8_t> bytes, SimDuration now,
                       const std::set<int>& neverManual);

    void advance(KeyTable& table, SimDuration dt, double dieC);

    int count() const { return static_cast<int>(fans_.size()); }
    // No fan in manual mode and no "Ftst" held: the firmware has them all.
    bool firmwareHasEveryFan() const;
    // The slots a write or advance() may change.
    std::vector<std::size_t> drivenSlots() const;
    const SimulatedFan& fan(int index) const { return fans_[static_cast<std::size_t>(index)].fan; }
    double airflow() const;  // the fans' mean share of their maximum speed; 0 without fans

private:
    struct Fan {
        SimulatedFan fan;
        std::size_t actualSlot;
        std::size_t targetSlot;
        std::size_t modeSlot;
    };

    bool unlocked(SimDuration now) const;
    void handBackAll(KeyTable& table);

    std::vector<Fan> fans_;
    std::optional<std::size_t> forceTestSlot_;
    std::optional<SimDuration> forceTestSince_;  // when "Ftst" became 1
    SimDuration unlockDelay_;
};

}  // namespace zephrane::sim
