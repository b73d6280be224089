#include "sim/KeyFollower.hpp"

#include "shared/FourCC.hpp"

namespace zephrane::sim {

KeyFollower::KeyFollower(const KeyTable& table, const MachineProfile& profile)
    : unparkAtLoad_(profile.thermal.unparkAtLoad) {
    for (const ProfileKey& key : profile.keys) {
        for (const FollowRule& rule : profile.follow) {
            if (!key.name.starts_with(rule.prefix)) continue;
            const std::size_t slot = *table.slot(FourCC::code(key.name));
            const std::optional<double> snapshot = KeyTable::value(table.inSlot(slot));
            const bool temperature = key.name.starts_with('T') && rule.driver != Driver::load;
            const bool parked = temperature && snapshot && *snapshot <= profile.thermal.parkedBelowC;
            if (snapshot && !(parked && *snapshot == 0))
                bindings_.push_back({slot, rule.driver, rule.gain, *snapshot, parked});
            break;
        }
    }
}

std::vector<std::size_t> KeyFollower::drivenSlots() const {
    std::vector<std::size_t> slots;
    slots.reserve(bindings_.size());
    for (const Binding& b : bindings_) slots.push_back(b.slot);
    return slots;
}

void KeyFollower::update(KeyTable& table, const ThermalModel& model, double load) const {
    const bool awake = unparkAtLoad_ && load >= *unparkAtLoad_;
    for (const Binding& b : bindings_) {
        double value;
        if (!b.parked)
            value = b.snapshot + b.gain * model.change(b.driver, load);
        else if (awake)
            value = model.ambientC() + b.gain * (model.level(b.driver, load) - model.ambientC());
        else
            value = b.snapshot;
        KeyTable::setValue(table.inSlot(b.slot), value);
    }
}

}  // namespace zephrane::sim
