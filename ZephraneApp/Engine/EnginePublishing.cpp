// Turning each poll into what the views see: the sensor lists and what is
// derived from them (system power, device rows, control and displayed
// temperatures) whenever the poller re-read the sensors, and the fan table,
// at once on a change that matters and otherwise at most once a second.
// Also the throttled reopen of a lost SMC read connection.
#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <string>
#include <utility>

#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/SensorSelection.hpp"

namespace zephrane {

using engine::TaskInFlight;
using namespace std::chrono_literals;

namespace {

constexpr double kSpeedChangeThreshold = 25.0;  // rpm
constexpr auto kFanPublishInterval = 1s;
constexpr auto kSMCReopenInterval = 5s;

// Two readings of the same field are the same when equal, and also when
// both are not a number: a fan whose reading keeps failing is not a new
// fan on every poll.
bool sameReading(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool sameFan(const FanStatus& a, const FanStatus& b) {
    return a.id == b.id && sameReading(a.currentRPM, b.currentRPM) && sameReading(a.minRPM, b.minRPM) &&
           sameReading(a.maxRPM, b.maxRPM) && sameReading(a.targetRPM, b.targetRPM) && a.isManaged == b.isManaged &&
           a.currentRPMValid == b.currentRPMValid;
}

bool sameFanTable(const FanTable& a, const FanTable& b) {
    if (a.size() != b.size()) return false;
    for (auto ia = a.begin(), ib = b.begin(); ia != a.end(); ++ia, ++ib)
        if (ia->first != ib->first || !sameFan(ia->second, ib->second)) return false;
    return true;
}

bool speedMovedEnough(double before, double now) {
    if (std::isnan(before) && std::isnan(now)) return false;
    const double moved = std::fabs(now - before);
    return !(moved < kSpeedChangeThreshold);  // a NaN on one side is a change
}

// A change the views must show at once rather than within the second.
bool isSignificantChange(const FanTable& previous, const FanTable& next) {
    if (previous.size() != next.size()) return true;
    for (const auto& [id, fan] : next) {
        const auto old = previous.find(id);
        if (old == previous.end()) return true;
        const FanStatus& was = old->second;
        if (!sameReading(was.minRPM, fan.minRPM) || !sameReading(was.maxRPM, fan.maxRPM) ||
            !sameReading(was.targetRPM, fan.targetRPM) || was.isManaged != fan.isManaged ||
            speedMovedEnough(was.currentRPM, fan.currentRPM))
            return true;
    }
    return false;
}

std::optional<double> powerFromKey(const SensorList& sensors, std::string_view key) {
    for (const auto& sensor : sensors) {
        if (sensor.key != key) continue;
        // Only the first sensor of that key counts.
        if (sensor.sensorClass == SensorClass::power && sensor.currentTemp > 0)
            return PowerTelemetry::displayWatts(sensor.currentTemp);
        return std::nullopt;
    }
    return std::nullopt;
}

const DeviceSensorReading* rowWithId(const DeviceSensorList& rows, const std::string& id) {
    for (const auto& row : rows)
        if (row.id == id) return &row;
    return nullptr;
}

}  // namespace

void ZephraneEngine::publishFansIfChanged(SensorPoller::Result result) {
    publish(smcAvailable_, result.smcAvailable, &ZephraneEngine::smcAvailableChanged);

    if (result.sensorsRefreshed) {
        cachedMenuBarHottestSensor_ = hottestNamedSensor(result.temperatureSensors);
        // The key set is rebuilt only when the keys themselves changed, which
        // is rare: the readings change every second, the sensors almost never.
        const bool sameKeys = std::equal(allSensors_.begin(), allSensors_.end(), result.allSensors.begin(),
                                         result.allSensors.end(),
                                         [](const SMCSensor& a, const SMCSensor& b) { return a.key == b.key; });
        publish(availableSensors_, std::move(result.temperatureSensors), &ZephraneEngine::availableSensorsChanged);
        publish(allSensors_, std::move(result.allSensors), &ZephraneEngine::allSensorsChanged);
        publish(hasDiscoveredSensors_, !allSensors_.empty(), &ZephraneEngine::hasDiscoveredSensorsChanged);
        if (!sameKeys) {
            SensorKeySet keys;
            for (const auto& sensor : allSensors_) keys.insert(sensor.key);
            publish(allSensorKeys_, std::move(keys), &ZephraneEngine::allSensorKeysChanged);
        }
        publish(systemPowerWatts_, smcSystemPowerWatts(allSensors_), &ZephraneEngine::systemPowerWattsChanged);
        refreshTemperatures(true);
    }

    FanTable table;
    for (const auto& fan : result.fans) {
        if (fan.id < 0 || fan.id > std::numeric_limits<int>::max()) continue;  // no fan has such an index
        table.insert_or_assign(static_cast<int>(fan.id), fan);
    }
    const Instant now = clock_->continuousNow();
    if (sameFanTable(table, fans_)) return;
    if (!isSignificantChange(fans_, table) && lastFanPublish_ && now - *lastFanPublish_ < kFanPublishInterval) return;
    const FanTable previous = std::exchange(fans_, std::move(table));
    holdRampsToNewRanges(previous);
    emit fansChanged();
    lastFanPublish_ = now;
}

std::optional<double> ZephraneEngine::smcSystemPowerWatts(const SensorList& sensors) {
    if (auto watts = powerFromKey(sensors, "PSTR")) return watts;
    return powerFromKey(sensors, "PDTR");
}

std::optional<SMCSensor> ZephraneEngine::hottestNamedSensor(const SensorList& sensors) {
    const auto named = [](const SMCSensor& s) { return s.sensorClass == SensorClass::temperature && s.name != s.key; };
    const bool anyNamed = std::any_of(sensors.begin(), sensors.end(), named);
    const SMCSensor* hottest = nullptr;
    for (const auto& sensor : sensors) {
        if (anyNamed && !named(sensor)) continue;
        if (!hottest || sensor.currentTemp > hottest->currentTemp) hottest = &sensor;
    }
    if (!hottest) return std::nullopt;
    return *hottest;
}

void ZephraneEngine::refreshTemperatures(bool fromTick) {
    DeviceSensorList rows = DeviceSensorMap::fixedList(availableSensors_, coreCounts_);
    if (fromTick) appendSensorHistory(rows);
    publish(deviceSensors_, std::move(rows), &ZephraneEngine::deviceSensorsChanged);
    refreshDeviceSensorsDisplay();

    const std::optional<double> sourceValue = DeviceSensorMap::aggregate(controlSource_, availableSensors_, coreCounts_);
    const std::optional<CustomMode> mode = activeCustomMode();
    const auto valueOf = [&](const ModeSensor& sensor) -> std::optional<double> {
        if (const auto id = sensor.sensorId()) {
            const DeviceSensorReading* row = rowWithId(deviceSensors_, *id);
            return row ? row->value : std::nullopt;
        }
        return DeviceSensorMap::aggregate(*sensor.controlSource(), availableSensors_, coreCounts_);
    };

    std::optional<double> value = sourceValue;
    bool unavailable = !sourceValue.has_value();
    if (mode) {
        // The mode's own sensor, or the chosen source when it gives nothing.
        if (const auto modeValue = valueOf(mode->controlSensor())) {
            value = modeValue;
            unavailable = false;
        } else {
            unavailable = true;
        }
    }
    publish(controlSourceUnavailable_, unavailable, &ZephraneEngine::controlSourceUnavailableChanged);
    const double trusted = SensorSelection::trustedMaxTemperature(availableSensors_).value_or(0);
    publish(controlTemperature_, value.value_or(trusted), &ZephraneEngine::controlTemperatureChanged);

    std::optional<double> display;
    if (mode && mode->drivesMainReadout()) {
        display = valueOf(mode->displaySensor().value_or(mode->controlSensor()));
    } else if (const auto source = aggregateSource(menuBarTempSource_)) {
        display = DeviceSensorMap::aggregate(*source, availableSensors_, coreCounts_);
    } else {
        display = sourceValue;
    }
    const double shown = display.value_or(trusted);
    latestRawDisplayedTemperature_ = shown;
    if (displayRounded(displayedTemperature_) != displayRounded(shown))
        publish(displayedTemperature_, shown, &ZephraneEngine::displayedTemperatureChanged);
    refreshHeroDisplayTemperature();
}

void ZephraneEngine::reopenSMCIfDue() {
    if (isSMCReopenInFlight_) return;
    const Instant now = clock_->continuousNow();
    if (lastSMCReopenAttempt_ && now - *lastSMCReopenAttempt_ < kSMCReopenInterval) return;
    lastSMCReopenAttempt_ = now;
    isSMCReopenInFlight_ = true;
    reopenSMC();
}

QCoro::Task<void> ZephraneEngine::reopenSMC() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto driver = driver_;
    const auto bridge = co_await engine::attempt(driver->reopenReadBridgeIfNeeded(), "SMC reopen did not run: ");
    if (alive.expired()) co_return;
    if (bridge && *bridge) {
        std::shared_ptr<engine::PollerPort> poller = services_->makePoller(*bridge);
        discoverSensors(poller);
        if (alive.expired()) co_return;
        poller_ = poller;
        handOverRegistryVisibility(poller, mainWindowVisible_);
        if (alive.expired()) co_return;
    }
    isSMCReopenInFlight_ = false;
}

}  // namespace zephrane
