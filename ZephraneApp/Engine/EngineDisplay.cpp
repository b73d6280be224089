// The engine's derived, read-mostly values: the temperatures as the views
// show them, the device rows as displayed, a short history per row, the
// thermal trend with the pre-spool floor it gives, the pinned sensors, the
// system loads, the workload, and the history export.
#include <algorithm>
#include <cmath>
#include <exception>
#include <string>

#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane {

using engine::TaskInFlight;

namespace {

constexpr std::size_t kHistoryLength = 120;  // readings per device row
constexpr std::size_t kTrendSampleLimit = 150;
constexpr double kPreSpoolHorizonMinutes = 10;
constexpr double kPreSpoolUrgentMinutes = 3;
constexpr double kPreSpoolUrgentFloor = 0.25;
constexpr double kPreSpoolHorizonFloor = 0.1;

std::string_view shortSourceName(ControlSource source) {
    switch (source) {
        case ControlSource::hottest: return "Hottest";
        case ControlSource::cpuAverage: return "CPU";
        case ControlSource::cpuPerformance: return "CPU P";
        case ControlSource::cpuEfficiency: return "CPU E";
        case ControlSource::gpuAverage: return "GPU";
    }
    return "Hottest";
}

// Loads that would show the same figures: the same components and details,
// fractions the same in whole percent. A fraction that is not a number
// shows nothing sensible either way, so it always counts as a change.
bool sameLoadsOnScreen(const SystemLoadList& a, const SystemLoadList& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (!std::isfinite(a[i].fraction) || !std::isfinite(b[i].fraction)) return false;
        if (!a[i].displayEquivalent(b[i])) return false;
    }
    return true;
}

}  // namespace

double ZephraneEngine::displayRounded(double celsius) const {
    const double value = useFahrenheit_ ? celsius * 9.0 / 5.0 + 32.0 : celsius;
    return preciseTemperatures_ ? std::round(value * 10.0) / 10.0 : std::round(value);
}

void ZephraneEngine::refreshHeroDisplayTemperature() {
    publish(heroDisplayTemperature_, displayRounded(displayedTemperature_),
            &ZephraneEngine::heroDisplayTemperatureChanged);
}

QString ZephraneEngine::displayedTemperatureSourceLabel() const {
    const ControlSource source = aggregateSource(menuBarTempSource_).value_or(controlSource_);
    return QString::fromUtf8(shortSourceName(source).data(), static_cast<qsizetype>(shortSourceName(source).size()));
}

void ZephraneEngine::refreshDeviceSensorsDisplay() {
    const auto visiblyEqual = [this](const DeviceSensorReading& a, const DeviceSensorReading& b) {
        if (a.id != b.id || a.value.has_value() != b.value.has_value()) return false;
        return !a.value || displayRounded(*a.value) == displayRounded(*b.value);
    };
    const bool same = deviceSensors_.size() == deviceSensorsDisplay_.size() &&
                      std::equal(deviceSensors_.begin(), deviceSensors_.end(), deviceSensorsDisplay_.begin(),
                                 visiblyEqual);
    if (same) return;
    deviceSensorsDisplay_ = deviceSensors_;
    emit deviceSensorsDisplayChanged();
}

void ZephraneEngine::appendSensorHistory(const DeviceSensorList& readings) {
    bool appended = false;
    for (const auto& reading : readings) {
        if (!reading.value) continue;
        auto& values = sensorHistory_[reading.id];
        values.push_back(*reading.value);
        if (values.size() > kHistoryLength)
            values.erase(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(values.size() - kHistoryLength));
        appended = true;
    }
    if (appended) emit sensorHistoryChanged();
}

std::vector<double> ZephraneEngine::history(const std::string& id) const {
    const auto found = sensorHistory_.find(id);
    return found == sensorHistory_.end() ? std::vector<double>{} : found->second;
}

std::optional<double> ZephraneEngine::temperature(const ModeSensor& sensor) const {
    if (const auto source = sensor.controlSource()) return DeviceSensorMap::aggregate(*source, availableSensors_, coreCounts_);
    const auto id = sensor.sensorId();
    for (const auto& row : deviceSensors_)
        if (row.id == *id) return row.value;
    return std::nullopt;
}

std::optional<CustomMode> ZephraneEngine::activeCustomMode() const {
    if (!activeCustomModeID_) return std::nullopt;
    for (const auto& mode : customModes_)
        if (mode.id() == *activeCustomModeID_) return mode;
    return std::nullopt;
}

double ZephraneEngine::preSpoolFloor(const ThermalTrend& trend, bool enabled) {
    if (!enabled || trend.kind() != ThermalTrend::Kind::rising || !trend.etaMinutes()) return 0;
    const double eta = *trend.etaMinutes();
    if (!(eta <= kPreSpoolHorizonMinutes)) return 0;
    if (eta < kPreSpoolUrgentMinutes) return kPreSpoolUrgentFloor;
    return (kPreSpoolHorizonMinutes - eta) / (kPreSpoolHorizonMinutes - kPreSpoolUrgentMinutes) *
               (kPreSpoolUrgentFloor - kPreSpoolHorizonFloor) +
           kPreSpoolHorizonFloor;
}

void ZephraneEngine::sampleThermalTrend() {
    if (!(lastMaxTempSample_ > 0) || !std::isfinite(lastMaxTempSample_)) return;
    const double t =
        std::chrono::duration<double>(clock_->wallNow().time_since_epoch()).count();  // seconds since 1970
    // The wall clock was set back: the samples held were taken on another
    // time line, and a fit across the step would read it as a slope.
    if (!trendSamples_.empty() && t < trendSamples_.back().t) trendSamples_.clear();
    trendSamples_.push_back({t, lastMaxTempSample_});
    if (trendSamples_.size() > kTrendSampleLimit)
        trendSamples_.erase(trendSamples_.begin(),
                            trendSamples_.begin() + static_cast<std::ptrdiff_t>(trendSamples_.size() - kTrendSampleLimit));
    setThermalTrend(preSpoolEnabled_ ? ThermalTrend::fit(trendSamples_, overheatThreshold_) : ThermalTrend::steady());
}

void ZephraneEngine::setThermalTrend(ThermalTrend trend) {
    publish(thermalTrend_, trend, &ZephraneEngine::thermalTrendChanged);
}

bool ZephraneEngine::isPinned(const std::string& key) const { return pinnedSensorKeys_.contains(key); }

void ZephraneEngine::togglePin(const std::string& key) {
    SensorKeySet keys = pinnedSensorKeys_;
    if (!keys.erase(key)) keys.insert(key);
    publish(pinnedSensorKeys_, std::move(keys), &ZephraneEngine::pinnedSensorKeysChanged);
    pinnedSensorStore_->save(pinnedSensorKeys_);
}

QCoro::Task<void> ZephraneEngine::refreshSystemLoads() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto sample = co_await engine::attempt(systemLoadSampler_->sample(), "system load not sampled: ");
    if (alive.expired() || !sample) co_return;
    if (sameLoadsOnScreen(*sample, systemLoads_)) co_return;
    systemLoads_ = std::move(*sample);
    emit systemLoadsChanged();
}

void ZephraneEngine::setWorkload(const WorkloadPolicy& policy) {
    if (workload_ != policy) workload_ = policy;
}

QCoro::Task<std::optional<QString>> ZephraneEngine::exportHistoryCSV() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    FileWriteResult result;
    try {
        result = co_await historyWriter_->write(telemetry_.history(), clock_->wallNow());
    } catch (const std::exception& e) {
        result = FileWriteResult::failed({}, QString::fromStdString(e.what()));
    }
    if (alive.expired()) co_return std::nullopt;
    if (result.succeeded) co_return result.path;
    setLastError(csvExportFailedText(result.error).toStdString());
    co_return std::nullopt;
}

}  // namespace zephrane
