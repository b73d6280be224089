#include "sim/PowerModel.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace zephrane::sim {
namespace {

constexpr double kMillisPerUnit = 1000;

std::int64_t whole(double value) { return static_cast<std::int64_t>(std::llround(value)); }

}  // namespace

PowerModel::PowerModel(const MachineProfile& profile)
    : battery_(profile.battery),
      adapter_(profile.adapter),
      lid_(profile.lid),
      idleDieWatts_(profile.thermal.idleWatts),
      maxDieWatts_(profile.thermal.maxWatts),
      drawWatts_(0) {
    if (battery_) {
        chargeMah_ = battery_->fullChargeCapacityMah * battery_->levelPercent / 100;
        cycleCount_ = battery_->cycleCount;
    }
    drawWatts_ = drawWatts(0);
}

double PowerModel::drawWatts(double load) const {
    const double platform = battery_ ? battery_->platformWatts : 0;
    return platform + idleDieWatts_ + load * (maxDieWatts_ - idleDieWatts_);
}

void PowerModel::advance(SimDuration dt, double load) {
    drawWatts_ = drawWatts(std::isnan(load) ? 0.0 : std::clamp(load, 0.0, 1.0));
    if (!battery_ || dt <= SimDuration::zero()) return;
    const double hours = seconds(dt) / 3600 * battery_->timeScale;
    const double before = chargeMah_;
    chargeMah_ = std::clamp(chargeMah_ + currentAt(drawWatts_) * hours, 0.0, battery_->fullChargeCapacityMah);
    if (chargeMah_ < before) {
        dischargedMah_ += before - chargeMah_;
        while (dischargedMah_ >= battery_->fullChargeCapacityMah) {
            dischargedMah_ -= battery_->fullChargeCapacityMah;
            ++cycleCount_;
        }
    }
}

double PowerModel::levelPercent() const {
    return battery_ ? chargeMah_ / battery_->fullChargeCapacityMah * 100 : 0;
}

double PowerModel::voltageMillivolts() const {
    if (!battery_) return 0;
    const double fraction = std::clamp(chargeMah_ / battery_->fullChargeCapacityMah, 0.0, 1.0);
    return battery_->emptyMillivolts + fraction * (battery_->fullMillivolts - battery_->emptyMillivolts);
}

// On the adapter a full battery rests; otherwise it takes the adapter's
// surplus (capped), or makes up the shortfall when the machine draws more
// than the adapter gives.
double PowerModel::currentAt(double watts) const {
    if (!battery_) return 0;
    const double volts = voltageMillivolts() / kMillisPerUnit;
    if (!adapterConnected()) return -watts / volts * kMillisPerUnit;
    const double surplus = adapter_->watts - watts;
    if (surplus <= 0) return surplus / volts * kMillisPerUnit;
    if (chargeMah_ >= battery_->fullChargeCapacityMah) return 0;
    return std::min(battery_->maxChargeMilliamps, surplus / volts * kMillisPerUnit);
}

double PowerModel::currentMilliamps() const { return currentAt(drawWatts_); }

bool PowerModel::isCharging() const { return adapterConnected() && currentMilliamps() > 0; }

bool PowerModel::isFullyCharged() const {
    return battery_ && adapterConnected() && chargeMah_ >= battery_->fullChargeCapacityMah;
}

void PowerModel::requireBattery() const {
    if (!battery_) throw std::out_of_range("the machine has no battery");
}

void PowerModel::setAdapterConnected(bool connected) {
    if (!adapter_) throw std::out_of_range("the machine has no power adapter");
    adapter_->connected = connected;
}

void PowerModel::setBatteryLevel(double percent) {
    requireBattery();
    chargeMah_ = battery_->fullChargeCapacityMah * std::clamp(percent, 0.0, 100.0) / 100;
}

void PowerModel::drainBattery(double points) {
    requireBattery();
    setBatteryLevel(levelPercent() - std::max(points, 0.0));
}

void PowerModel::setLidClosed(bool closed) {
    if (!lid_) throw std::out_of_range("the machine has no lid");
    lid_->closed = closed;
}

std::string PowerModel::providingPowerSourceType() const {
    return battery_ && !adapterConnected() ? "Battery Power" : "AC Power";
}

std::optional<Json> PowerModel::adapterDetails() const {
    if (!adapterConnected()) return std::nullopt;
    return Json{{"Watts", whole(adapter_->watts)},
                {"Voltage", whole(adapter_->millivolts)},
                {"Current", whole(adapter_->watts / adapter_->millivolts * kMillisPerUnit * kMillisPerUnit)},
                {"IsWireless", false},
                {"Name", std::to_string(whole(adapter_->watts)) + "W USB-C Power Adapter"}};
}

std::optional<Json> PowerModel::batteryProperties(double batteryC) const {
    if (!battery_) return std::nullopt;
    const std::int64_t current = whole(currentMilliamps());
    const std::int64_t voltage = whole(voltageMillivolts());
    const std::int64_t level = std::clamp<std::int64_t>(whole(levelPercent()), 0, 100);
    const std::int64_t full = whole(battery_->fullChargeCapacityMah);
    const std::int64_t design = whole(battery_->designCapacityMah);
    const std::int64_t nominal = whole(battery_->nominalChargeCapacityMah);
    return Json{
        {"BatteryInstalled", true},
        {"ExternalConnected", adapterConnected()},
        {"IsCharging", isCharging()},
        {"FullyCharged", isFullyCharged()},
        {"CurrentCapacity", level},
        {"MaxCapacity", 100},
        {"AppleRawCurrentCapacity", whole(chargeMah_)},
        {"AppleRawMaxCapacity", full},
        {"DesignCapacity", design},
        {"NominalChargeCapacity", nominal},
        {"Voltage", voltage},
        {"AppleRawBatteryVoltage", voltage},
        {"Amperage", current},
        {"InstantAmperage", current},
        {"CycleCount", cycleCount_},
        {"Temperature", whole(batteryC * 100)},
        {"BatteryData",
         {{"DesignCapacity", design},
          {"FullChargeCapacity", full},
          {"NominalChargeCapacity", nominal},
          {"CycleCount", cycleCount_},
          {"StateOfCharge", level},
          {"Voltage", voltage}}},
    };
}

Json PowerModel::rootDomainProperties() const {
    Json properties = Json::object();
    if (lid_) {
        properties["AppleClamshellState"] = lid_->closed;
        properties["AppleClamshellCausesSleep"] = true;
    }
    return properties;
}

}  // namespace zephrane::sim
