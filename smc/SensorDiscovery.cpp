#include "smc/SensorDiscovery.hpp"

#include <algorithm>
#include <exception>
#include <string>
#include <string_view>

#include "platform/oslog/OSLog.hpp"
#include "shared/SMCDataCodec.hpp"
#include "shared/SensorClassifier.hpp"

namespace zephrane {
namespace {

constexpr std::int64_t kReservedSensors = 512;

const oslog::Logger& discoveryLog() {
    static const oslog::Logger& logger = oslog::logger("com.zephrane.smc", "discovery");
    return logger;
}

// Only temperatures are sorted by the key's family; every other reading
// counts as the enclosure's. The prefixes are case-sensitive.
SensorCategory categoryOf(SensorClass sensorClass, std::string_view key) {
    if (sensorClass != SensorClass::temperature) return SensorCategory::enclosure;
    const std::string_view family = key.substr(0, 2);
    if (family == "Tp" || family == "Te" || family == "TC") return SensorCategory::cpu;
    if (family == "Tg" || family == "TG") return SensorCategory::gpu;
    if (family == "Tn" || family == "Tf") return SensorCategory::neuralEngine;
    if (family == "Tm" || family == "TM") return SensorCategory::memory;
    if (family == "TB" || family == "Tb") return SensorCategory::battery;
    return SensorCategory::enclosure;
}

}  // namespace

std::vector<SMCSensor> SensorDiscovery::discoverAll() const {
    std::int64_t count = 0;
    try {
        count = bridge_->keyCount();
    } catch (const std::exception&) {
        return {};
    }
    if (count < 1) return {};
    const std::int64_t limit = std::min(count, kMaxKeys);
    if (count > kMaxKeys)
        discoveryLog().error("#KEY reported " + std::to_string(count) + " keys \u2014 implausible, walking the first " +
                             std::to_string(kMaxKeys));

    std::vector<SMCSensor> sensors;
    sensors.reserve(static_cast<std::size_t>(std::min(count, kReservedSensors)));
    for (std::int64_t index = 0; index < limit; ++index) {
        // Any failure leaves this key out and the walk goes on.
        try {
            std::string key = bridge_->keyAtIndex(index);
            // A byte that is not valid text decodes to a longer name.
            if (key.size() != 4) continue;
            const SMCKernelBridge::RawValue raw = bridge_->readRaw(key);
            const double value = SMCDataCodec::decode(raw.bytes, raw.type);
            SensorClassifier::Classification found = SensorClassifier::classify(key, raw.type, value);
            if (found.sensorClass == SensorClass::other) continue;
            SMCSensor sensor;
            sensor.id = key;
            sensor.name = std::move(found.name);
            sensor.category = categoryOf(found.sensorClass, key);
            sensor.currentTemp = value;
            sensor.sensorClass = found.sensorClass;
            sensor.unit = std::string(unit(found.sensorClass));
            sensor.key = std::move(key);
            sensors.push_back(std::move(sensor));
        } catch (const std::exception&) {
            continue;
        }
    }
    return sensors;
}

void SensorDiscovery::refreshOne(SMCSensor& sensor) const {
    double value = 0;
    try {
        const SMCKernelBridge::RawValue raw = bridge_->readRaw(sensor.key);
        value = SMCDataCodec::decode(raw.bytes, raw.type);
    } catch (const std::exception&) {
        return;  // a vanished or unreadable key keeps its last value
    }
    if (sensor.sensorClass == SensorClass::temperature &&
        !SensorClassifier::plausibleTemperatureRange.contains(value))
        return;
    sensor.currentTemp = value;
}

std::vector<SMCSensor> SensorDiscovery::refresh(std::vector<SMCSensor> sensors) const {
    for (SMCSensor& sensor : sensors) refreshOne(sensor);
    return sensors;
}

std::vector<SMCSensor> SensorDiscovery::refresh(std::vector<SMCSensor> sensors,
                                                const std::function<bool(const SMCSensor&)>& predicate) const {
    for (SMCSensor& sensor : sensors)
        if (predicate(sensor)) refreshOne(sensor);
    return sensors;
}

}  // namespace zephrane
