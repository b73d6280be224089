#include "sim/FanBank.hpp"

#include <algorithm>

#include "shared/FanKey.hpp"
#include "shared/FourCC.hpp"
#include "shared/SMCDataCodec.hpp"
#include "sim/SMCRecord.hpp"

namespace zephrane::sim {
namespace {

// The profile guarantees every fan key exists with a type the codec knows.
std::size_t slotOf(const KeyTable& table, const std::string& name) { return *table.slot(FourCC::code(name)); }

double valueIn(const KeyTable& table, std::size_t slot) { return KeyTable::value(table.inSlot(slot)).value_or(0); }

}  // namespace

FanBank::FanBank(const KeyTable& table, const MachineProfile& profile)
    : forceTestSlot_(table.slot(FourCC::code(FanKey::forceTest))), unlockDelay_(profile.fanControl.unlockDelay) {
    for (int i = 0; i < profile.fanCount(); ++i) {
        const double min = valueIn(table, slotOf(table, FanKey::minimum(i)));
        const double max = valueIn(table, slotOf(table, FanKey::maximum(i)));
        const double actual = valueIn(table, slotOf(table, FanKey::current(i)));
        fans_.push_back({SimulatedFan(min, max, actual, profile.fanControl), slotOf(table, FanKey::current(i)),
                         slotOf(table, FanKey::target(i)), slotOf(table, FanKey::mode(i))});
    }
    if (forceTestSlot_ && valueIn(table, *forceTestSlot_) == 1) forceTestSince_ = SimDuration::zero();
}

bool FanBank::unlocked(SimDuration now) const {
    if (!forceTestSlot_) return true;
    return forceTestSince_ && now - *forceTestSince_ >= unlockDelay_;
}

std::uint8_t FanBank::write(KeyTable& table, SimKey& key, std::span<const std::uint8_t> bytes, SimDuration now,
                            const std::set<int>& neverManual) {
    const auto slot = table.slot(key.code);
    double value = 0;
    try {
        value = SMCDataCodec::decode(bytes, SMCDataType(key.type));
    } catch (const SMCCodecError&) {
        // A key of a type the codec does not know is none of ours: just store it.
    }

    for (std::size_t i = 0; i < fans_.size(); ++i) {
        Fan& f = fans_[i];
        if (slot == f.modeSlot) {
            const bool manual = value == 1;
            if (manual && !f.fan.manual() && (neverManual.contains(static_cast<int>(i)) || !unlocked(now)))
                return result::kModeRefused;
            f.fan.setManual(manual);
        } else if (slot == f.targetSlot) {
            f.fan.setTarget(value);
        }
    }
    std::copy(bytes.begin(), bytes.end(), key.bytes.begin());

    if (slot && slot == forceTestSlot_) {
        if (value != 1) {
            forceTestSince_.reset();
            handBackAll(table);
        } else if (!forceTestSince_) {
            forceTestSince_ = now;
        }
    }
    return result::kSuccess;
}

std::vector<std::size_t> FanBank::drivenSlots() const {
    std::vector<std::size_t> slots;
    for (const Fan& f : fans_) slots.insert(slots.end(), {f.actualSlot, f.targetSlot, f.modeSlot});
    if (forceTestSlot_) slots.push_back(*forceTestSlot_);
    return slots;
}

bool FanBank::firmwareHasEveryFan() const {
    if (forceTestSince_) return false;
    for (const Fan& f : fans_)
        if (f.fan.manual()) return false;
    return true;
}

void FanBank::handBackAll(KeyTable& table) {
    for (Fan& f : fans_) {
        f.fan.setManual(false);
        KeyTable::setValue(table.inSlot(f.modeSlot), 0);
    }
}

void FanBank::advance(KeyTable& table, SimDuration dt, double dieC) {
    for (Fan& f : fans_) {
        f.fan.advance(dt, dieC);
        KeyTable::setValue(table.inSlot(f.actualSlot), f.fan.actual());
        if (!f.fan.manual()) KeyTable::setValue(table.inSlot(f.targetSlot), f.fan.target());
    }
}

double FanBank::airflow() const {
    if (fans_.empty()) return 0;
    double sum = 0;
    for (const Fan& f : fans_) sum += f.fan.airflow();
    return sum / static_cast<double>(fans_.size());
}

}  // namespace zephrane::sim
