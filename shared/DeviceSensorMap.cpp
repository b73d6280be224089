#include "shared/DeviceSensorMap.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string_view>

#include "shared/SensorSelection.hpp"

namespace zephrane {
namespace {

using Value = std::optional<double>;  // °C, absent when inactive
using Group = std::vector<double>;    // raw readings of neighbouring core keys

constexpr std::size_t keyLength = 4;

Value active(double celsius) {
    if (celsius > SensorSelection::activeSiliconFloor) return celsius;
    return std::nullopt;  // also NaN
}

// Digit value of each byte in the SMC's base-62 core numbering; -1 for a
// byte outside the alphabet.
const std::array<std::int8_t, 256>& coreAlphabet() {
    static const std::array<std::int8_t, 256> digits = [] {
        constexpr std::string_view alphabet = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
        std::array<std::int8_t, 256> table{};
        table.fill(-1);
        for (std::size_t i = 0; i < alphabet.size(); ++i)
            table[static_cast<unsigned char>(alphabet[i])] = static_cast<std::int8_t>(i);
        return table;
    }();
    return digits;
}

std::optional<int> coreIndex(char high, char low) {
    const auto& digits = coreAlphabet();
    int h = digits[static_cast<unsigned char>(high)];
    int l = digits[static_cast<unsigned char>(low)];
    if (h < 0 || l < 0) return std::nullopt;
    return h * 62 + l;
}

// Four-character keys starting with `prefix` (and not with `excluded`, when
// given), ordered by core index and cut wherever the index jumps by 2 or
// more: cores that sit next to each other share a group.
std::vector<Group> coreGroups(std::span<const SMCSensor> sensors, std::string_view prefix,
                              std::optional<std::string_view> excluded = std::nullopt) {
    std::vector<std::pair<int, double>> indexed;
    for (const SMCSensor& sensor : sensors) {
        std::string_view key = sensor.key;
        if (key.size() != keyLength || !key.starts_with(prefix)) continue;
        if (excluded && key.starts_with(*excluded)) continue;
        if (auto index = coreIndex(key[2], key[3])) indexed.emplace_back(*index, sensor.currentTemp);
    }
    std::stable_sort(indexed.begin(), indexed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

    std::vector<Group> groups;
    for (std::size_t i = 0; i < indexed.size(); ++i) {
        if (i == 0 || indexed[i].first - indexed[i - 1].first >= 2) groups.emplace_back();
        groups.back().push_back(indexed[i].second);
    }
    return groups;
}

Value coreValue(const Group& group) {
    Value hottest;
    for (double reading : group)
        if (Value v = active(reading); v && (!hottest || *v > *hottest)) hottest = v;
    return hottest;
}

// The first `count` groups (fewer when fewer exist), one value each.
std::vector<Value> firstCoreValues(const std::vector<Group>& groups, int count) {
    std::vector<Value> values;
    if (count < 1) return values;
    std::size_t used = std::min(groups.size(), static_cast<std::size_t>(count));
    for (std::size_t i = 0; i < used; ++i) values.push_back(coreValue(groups[i]));
    return values;
}

std::vector<Value> performanceCoreValues(std::span<const SMCSensor> sensors, int count) {
    if (count < 1) return {};
    return firstCoreValues(coreGroups(sensors, "Tp"), count);
}

std::vector<Value> efficiencyCoreValues(std::span<const SMCSensor> sensors, int count) {
    // Some machines give each efficiency core its own "Tex?" key; those are
    // used one per core, but only when their number matches the core count.
    std::vector<const SMCSensor*> perCore;
    for (const SMCSensor& sensor : sensors)
        if (sensor.key.size() == keyLength && sensor.key.starts_with("Tex")) perCore.push_back(&sensor);
    if (count >= 0 && perCore.size() == static_cast<std::size_t>(count)) {
        std::stable_sort(perCore.begin(), perCore.end(),
                         [](const SMCSensor* a, const SMCSensor* b) { return a->key < b->key; });
        std::vector<Value> values;
        for (const SMCSensor* sensor : perCore) values.push_back(active(sensor->currentTemp));
        return values;
    }
    if (count < 1) return {};
    return firstCoreValues(coreGroups(sensors, "Te", "Tex"), count);
}

Value mean(std::span<const Value> values) {
    double sum = 0;
    std::size_t present = 0;
    for (const Value& v : values) {
        if (!v) continue;
        sum += *v;
        ++present;
    }
    if (present == 0) return std::nullopt;
    return sum / static_cast<double>(present);
}

Value largest(std::span<const Value> values) {
    Value hottest;
    for (const Value& v : values)
        if (v && (!hottest || *v > *hottest)) hottest = v;
    return hottest;
}

// floor(n / 5 × i) in whole numbers: n / 5 is inexact as a double, and the
// split keeps n × i from overflowing, so this is exact for every n.
std::size_t bucketStart(std::size_t n, std::size_t i) {
    constexpr std::size_t buckets = DeviceSensorMap::maxGpuClusters;
    return n / buckets * i + n % buckets * i / buckets;
}

// "Tg" clusters first, then "TG" clusters, each list in its own index order.
// Machines with more than five clusters get five evenly spread buckets.
std::vector<Value> gpuClusterValues(std::span<const SMCSensor> sensors) {
    std::vector<Value> clusters;
    for (std::string_view prefix : {std::string_view("Tg"), std::string_view("TG")})
        for (const Group& group : coreGroups(sensors, prefix)) clusters.push_back(coreValue(group));

    constexpr std::size_t buckets = DeviceSensorMap::maxGpuClusters;
    const std::size_t n = clusters.size();
    if (n <= buckets) return clusters;
    std::vector<Value> bucketed;
    for (std::size_t i = 0; i < buckets; ++i) {
        std::size_t lo = bucketStart(n, i);
        std::size_t hi = std::min(std::max(lo + 1, bucketStart(n, i + 1)), n);
        bucketed.push_back(mean(std::span<const Value>(clusters).subspan(lo, hi - lo)));
    }
    return bucketed;
}

bool isTemperatureOf(const SMCSensor& sensor, SensorCategory category) {
    return sensor.sensorClass == SensorClass::temperature && sensor.category == category;
}

bool categoryPresent(std::span<const SMCSensor> sensors, SensorCategory category) {
    return std::ranges::any_of(sensors, [&](const SMCSensor& s) { return isTemperatureOf(s, category); });
}

Value categoryAverage(std::span<const SMCSensor> sensors, SensorCategory category) {
    std::vector<Value> readings;
    for (const SMCSensor& sensor : sensors)
        if (isTemperatureOf(sensor, category)) readings.push_back(active(sensor.currentTemp));
    return mean(readings);
}

std::vector<Value> joined(const std::vector<Value>& a, const std::vector<Value>& b) {
    std::vector<Value> all = a;
    all.insert(all.end(), b.begin(), b.end());
    return all;
}

const SMCSensor* findKey(std::span<const SMCSensor> sensors, std::string_view key) {
    auto found = std::ranges::find_if(sensors, [&](const SMCSensor& s) { return s.key == key; });
    return found == sensors.end() ? nullptr : &*found;
}

// A named key's row exists whenever the key does; its value only when active.
void appendNamedKey(std::vector<DeviceSensorReading>& rows, std::span<const SMCSensor> sensors,
                    std::string_view key, std::string_view name, std::string_view symbol) {
    if (const SMCSensor* sensor = findKey(sensors, key))
        rows.push_back({std::string(key), std::string(name), std::string(symbol), active(sensor->currentTemp)});
}

void appendNumbered(std::vector<DeviceSensorReading>& rows, const std::vector<Value>& values,
                    std::string_view idPrefix, std::string_view namePrefix, std::string_view symbol) {
    for (std::size_t i = 0; i < values.size(); ++i)
        rows.push_back({std::string(idPrefix) + std::to_string(i), std::string(namePrefix) + std::to_string(i + 1),
                        std::string(symbol), values[i]});
}

}  // namespace

std::vector<DeviceSensorReading> DeviceSensorMap::fixedList(std::span<const SMCSensor> sensors, CoreCounts counts) {
    const std::vector<Value> performance = performanceCoreValues(sensors, counts.performance);
    const std::vector<Value> efficiency = efficiencyCoreValues(sensors, counts.efficiency);
    const std::vector<Value> gpuClusters = gpuClusterValues(sensors);

    std::vector<DeviceSensorReading> rows;
    appendNamedKey(rows, sensors, "TW0P", "Airport Proximity", "wifi");
    appendNamedKey(rows, sensors, "TB0T", "Battery", "minus.plus.batteryblock");
    appendNamedKey(rows, sensors, "TB1T", "Battery Gas Gauge", "minus.plus.batteryblock");

    if (!performance.empty() || !efficiency.empty()) {
        rows.push_back({"cpu.avg", "CPU Core Average", "cpu.fill", mean(joined(performance, efficiency))});
    } else {
        if (categoryPresent(sensors, SensorCategory::cpu))
            rows.push_back({"cpu.generic", "CPU", "cpu.fill", categoryAverage(sensors, SensorCategory::cpu)});
        if (categoryPresent(sensors, SensorCategory::gpu))
            rows.push_back({"gpu.generic", "GPU", "memorychip", categoryAverage(sensors, SensorCategory::gpu)});
    }

    appendNumbered(rows, efficiency, "eff.", "CPU Efficiency Core ", "cpu");
    appendNumbered(rows, performance, "perf.", "CPU Performance Core ", "cpu");
    appendNumbered(rows, gpuClusters, "gpu.", "GPU Cluster ", "memorychip");
    if (!gpuClusters.empty())
        rows.push_back({"gpu.avg", "GPU Cluster Average", "memorychip", mean(gpuClusters)});

    std::vector<Value> powerManagerDies;
    for (const SMCSensor& sensor : sensors)
        if (sensor.key.starts_with("TPD")) powerManagerDies.push_back(active(sensor.currentTemp));
    if (!powerManagerDies.empty())
        rows.push_back({"pwr.die", "Power Manager Die Average", "bolt.fill", mean(powerManagerDies)});

    appendNamedKey(rows, sensors, "TPSP", "Power Supply Proximity", "powerplug.fill");
    appendNamedKey(rows, sensors, "TDeL", "Thunderbolt Left Proximity", "bolt.horizontal.fill");
    appendNamedKey(rows, sensors, "TDeR", "Thunderbolt Right Proximity", "bolt.horizontal.fill");
    appendNamedKey(rows, sensors, "TH0x", "SSD", "internaldrive.fill");
    return rows;
}

std::optional<double> DeviceSensorMap::aggregate(ControlSource source, std::span<const SMCSensor> sensors,
                                                 CoreCounts counts) {
    switch (source) {
        case ControlSource::hottest: return SensorSelection::trustedMaxTemperature(sensors);
        case ControlSource::cpuPerformance: return largest(performanceCoreValues(sensors, counts.performance));
        case ControlSource::cpuEfficiency: return largest(efficiencyCoreValues(sensors, counts.efficiency));
        case ControlSource::cpuAverage: {
            auto performance = performanceCoreValues(sensors, counts.performance);
            auto efficiency = efficiencyCoreValues(sensors, counts.efficiency);
            if (performance.empty() && efficiency.empty()) return categoryAverage(sensors, SensorCategory::cpu);
            return mean(joined(performance, efficiency));
        }
        case ControlSource::gpuAverage: {
            auto clusters = gpuClusterValues(sensors);
            if (clusters.empty()) return categoryAverage(sensors, SensorCategory::gpu);
            return mean(clusters);
        }
    }
    return std::nullopt;
}

}  // namespace zephrane
