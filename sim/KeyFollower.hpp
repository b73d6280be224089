// Moves the readings of the key table with the thermal model: each key that
// a profile rule names reads its snapshot value plus the rule's gain times
// its driver's change since idle. Keys of types the codec does not know keep
// their bytes. A temperature key whose snapshot is at or below the parked
// threshold is a parked core: it keeps its few degrees until the load wakes
// the cores, then reads ambient plus the gain times its node's rise; one
// reading exactly 0 is a sensor that is not there and never moves.
#pragma once

#include <cstddef>
#include <optional>
#include <vector>

#include "sim/KeyTable.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/ThermalModel.hpp"

namespace zephrane::sim {

class KeyFollower {
public:
    KeyFollower(const KeyTable& table, const MachineProfile& profile);

    void update(KeyTable& table, const ThermalModel& model, double load) const;

    std::size_t size() const { return bindings_.size(); }
    // The slots update() writes.
    std::vector<std::size_t> drivenSlots() const;

private:
    struct Binding {
        std::size_t slot;
        Driver driver;
        double gain;
        double snapshot;
        bool parked;
    };
    std::vector<Binding> bindings_;
    std::optional<double> unparkAtLoad_;
};

}  // namespace zephrane::sim
