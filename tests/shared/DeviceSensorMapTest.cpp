#include "shared/DeviceSensorMap.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <iomanip>
#include <ostream>
#include <string_view>
#include <vector>

#include "shared/JsonCoding.hpp"
#include "shared/SensorClassifier.hpp"

namespace zephrane {

void PrintTo(const DeviceSensorReading& row, std::ostream* out) {
    *out << std::setprecision(17) << "{" << row.id << ", " << row.name << ", " << row.symbol << ", ";
    if (row.value) *out << *row.value; else *out << "absent";
    *out << "}";
}

namespace {

using Values = std::vector<std::optional<double>>;
using Counts = DeviceSensorMap::CoreCounts;
constexpr auto absent = std::nullopt;

SMCSensor sensor(std::string key, double reading, SensorClass sensorClass = SensorClass::temperature,
                 SensorCategory category = SensorCategory::cpu) {
    std::string name = SensorClassifier::temperatureName(key);
    return {key, key, std::move(name), category, reading, sensorClass, std::string(unit(sensorClass))};
}

SMCSensor gpuSensor(std::string key, double reading) {
    return sensor(std::move(key), reading, SensorClass::temperature, SensorCategory::gpu);
}

// A key `prefix` + the two base-62 digits of `index`.
std::string coreKey(std::string_view prefix, int index) {
    constexpr std::string_view digits = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    return std::string(prefix) + digits[static_cast<std::size_t>(index / 62)] + digits[static_cast<std::size_t>(index % 62)];
}

// The values of the numbered rows `idPrefix` + N, in list order.
Values rowValues(const std::vector<DeviceSensorReading>& rows, std::string_view idPrefix) {
    Values values;
    for (const auto& row : rows) {
        std::string_view id = row.id;
        if (id.starts_with(idPrefix) && id.size() > idPrefix.size() &&
            id.find_first_not_of("0123456789", idPrefix.size()) == std::string_view::npos)
            values.push_back(row.value);
    }
    return values;
}

std::vector<std::string> rowIds(const std::vector<DeviceSensorReading>& rows) {
    std::vector<std::string> ids;
    for (const auto& row : rows) ids.push_back(row.id);
    return ids;
}

// 4 performance groups, 4 per-core "Tex" keys (so the stray "Te" key is
// ignored), three GPU clusters with the "TG" one listed last, three die keys
// of the power manager, and some named keys; TW0P and TDeR do not exist.
std::vector<SMCSensor> realisticMachine() {
    return {
        sensor("TB0T", 30.5, SensorClass::temperature, SensorCategory::battery),
        sensor("TB1T", 12.0, SensorClass::temperature, SensorCategory::battery),
        sensor("TC0P", 48),
        sensor("PSTR", 15, SensorClass::power),
        sensor("Tp0D", 66), sensor("Tp01", 58), sensor("Tp02", 60), sensor("Tp05", 62), sensor("Tp06", 61),
        sensor("Tp09", 64), sensor("Tp0A", 11),
        sensor("Te05", 90), sensor("Tex3", 46), sensor("Tex0", 40), sensor("Tex2", 44), sensor("Tex1", 42),
        gpuSensor("TG0B", 48), gpuSensor("Tg0f", 49), gpuSensor("Tg0g", 50), gpuSensor("Tg0j", 55),
        sensor("TPD0", 40), sensor("TPD1", 50), sensor("TPDX", 8),
        sensor("TPSP", 35.25), sensor("TDeL", 33), sensor("TH0x", 41.5),
    };
}

TEST(ControlSource, RawValuesMatchCaseNamesExactly) {
    std::vector<std::string_view> raw, names;
    for (auto source : allCases<ControlSource>()) {
        raw.push_back(rawValue(source));
        names.push_back(displayName(source));
        EXPECT_EQ(fromRawValue<ControlSource>(rawValue(source)), source);
    }
    EXPECT_EQ(raw, (std::vector<std::string_view>{"hottest", "cpuAverage", "cpuPerformance", "cpuEfficiency",
                                                  "gpuAverage"}));
    EXPECT_EQ(names, (std::vector<std::string_view>{"Hottest Sensor", "CPU Core Average", "CPU Performance",
                                                    "CPU Efficiency", "GPU Average"}));
    for (const char* foreign : {"Hottest", "HOTTEST", "cpuaverage", "", " hottest", "hottest "})
        EXPECT_EQ(fromRawValue<ControlSource>(foreign), std::nullopt) << '"' << foreign << '"';
    EXPECT_THROW(json::decodeRawEnum<ControlSource>(Json("Hottest"), ""), DecodingError);
}

TEST(DeviceSensorMap, NothingDiscoveredGivesNoRowsAndNoControlTemperature) {
    for (Counts counts : {Counts{0, 0}, Counts{8, 4}}) {
        EXPECT_TRUE(DeviceSensorMap::fixedList({}, counts).empty());
        for (auto source : allCases<ControlSource>())
            EXPECT_EQ(DeviceSensorMap::aggregate(source, {}, counts), absent) << rawValue(source);
    }
}

TEST(DeviceSensorMap, RealisticMachineListsRowsInFixedOrder) {
    auto sensors = realisticMachine();
    std::vector<DeviceSensorReading> expected{
        {"TB0T", "Battery", "minus.plus.batteryblock", 30.5},
        {"TB1T", "Battery Gas Gauge", "minus.plus.batteryblock", absent},
        {"cpu.avg", "CPU Core Average", "cpu.fill", 53.0},
        {"eff.0", "CPU Efficiency Core 1", "cpu", 40.0},
        {"eff.1", "CPU Efficiency Core 2", "cpu", 42.0},
        {"eff.2", "CPU Efficiency Core 3", "cpu", 44.0},
        {"eff.3", "CPU Efficiency Core 4", "cpu", 46.0},
        {"perf.0", "CPU Performance Core 1", "cpu", 60.0},
        {"perf.1", "CPU Performance Core 2", "cpu", 62.0},
        {"perf.2", "CPU Performance Core 3", "cpu", 64.0},
        {"perf.3", "CPU Performance Core 4", "cpu", 66.0},
        {"gpu.0", "GPU Cluster 1", "memorychip", 50.0},
        {"gpu.1", "GPU Cluster 2", "memorychip", 55.0},
        {"gpu.2", "GPU Cluster 3", "memorychip", 48.0},
        {"gpu.avg", "GPU Cluster Average", "memorychip", 51.0},
        {"pwr.die", "Power Manager Die Average", "bolt.fill", 45.0},
        {"TPSP", "Power Supply Proximity", "powerplug.fill", 35.25},
        {"TDeL", "Thunderbolt Left Proximity", "bolt.horizontal.fill", 33.0},
        {"TH0x", "SSD", "internaldrive.fill", 41.5},
    };
    EXPECT_EQ(DeviceSensorMap::fixedList(sensors, {4, 4}), expected);

    struct Case {
        ControlSource source;
        std::optional<double> expected;
    };
    const Case aggregates[] = {
        {ControlSource::hottest, 90.0},  // the ignored "Te" key is still a named temperature sensor
        {ControlSource::cpuAverage, 53.0},
        {ControlSource::cpuPerformance, 66.0},
        {ControlSource::cpuEfficiency, 46.0},
        {ControlSource::gpuAverage, 51.0},
    };
    for (const auto& c : aggregates)
        EXPECT_EQ(DeviceSensorMap::aggregate(c.source, sensors, {4, 4}), c.expected) << rawValue(c.source);
}

TEST(DeviceSensorMap, PerformanceCoresAreGroupedByNeighbouringIndex) {
    struct Case {
        const char* edge;
        std::vector<SMCSensor> sensors;
        int performanceCount;
        Values expected;
    };
    const Case cases[] = {
        {"a gap of two starts a group; fewer groups than cores",
         {sensor("Tp01", 40), sensor("Tp02", 41), sensor("Tp05", 50), sensor("Tp06", 49), sensor("Tp09", 60)}, 4,
         {41.0, 50.0, 60.0}},
        {"only as many groups as cores",
         {sensor("Tp01", 40), sensor("Tp02", 41), sensor("Tp05", 50), sensor("Tp06", 49), sensor("Tp09", 60)}, 2,
         {41.0, 50.0}},
        {"list order does not matter", {sensor("Tp09", 60), sensor("Tp01", 40), sensor("Tp05", 50)}, 4,
         {40.0, 50.0, 60.0}},
        {"equal indices share a group", {sensor("Tp03", 40), sensor("Tp03", 45)}, 4, {45.0}},
        {"base 62: 9 is next to A, z next to 10",
         {sensor("Tp09", 40), sensor("Tp0A", 41), sensor("Tp0z", 50), sensor("Tp10", 51), sensor("Tp1h", 60)}, 4,
         {41.0, 51.0, 60.0}},
        {"suffix outside the alphabet or wrong length is dropped",
         {sensor("Tp0_", 40), sensor("Tp0", 41), sensor("Tp010", 42), sensor("TP01", 43), sensor("Tp0 ", 44)}, 4,
         {}},
        {"class and category are not looked at", {sensor("Tp01", 40, SensorClass::power, SensorCategory::memory)}, 1,
         {40.0}},
        {"readings at the floor are inactive within a group",
         {sensor("Tp01", 12.0), sensor("Tp02", 30), sensor("Tp05", 12.0), sensor("Tp06", 11), sensor("Tp09", 12.5)},
         4, {30.0, absent, 12.5}},
        {"count below 1 looks for nothing", {sensor("Tp01", 40)}, 0, {}},
        {"negative count looks for nothing", {sensor("Tp01", 40)}, -3, {}},
    };
    for (const auto& c : cases) {
        Counts counts{c.performanceCount, 0};
        EXPECT_EQ(rowValues(DeviceSensorMap::fixedList(c.sensors, counts), "perf."), c.expected) << c.edge;
    }
}

TEST(DeviceSensorMap, EfficiencyCoresUsePerCoreKeysOnlyWhenTheyMatchTheCount) {
    struct Case {
        const char* edge;
        std::vector<SMCSensor> sensors;
        int efficiencyCount;
        Values expected;
    };
    const Case cases[] = {
        {"one Tex key per core, in key order, Te keys ignored",
         {sensor("Tex2", 44), sensor("Te05", 90), sensor("Tex0", 40), sensor("Tex1", 12.0)}, 3,
         {40.0, absent, 44.0}},
        {"Tex count differs: Te keys grouped without the Tex keys",
         {sensor("Tex0", 99), sensor("Tex1", 98), sensor("Te01", 40), sensor("Te02", 42), sensor("Te05", 45)}, 3,
         {42.0, 45.0}},
        {"Tex count differs and no other Te keys", {sensor("Tex0", 40), sensor("Tex1", 41)}, 3, {}},
        {"zero cores with Tex keys", {sensor("Tex0", 40), sensor("Te01", 42)}, 0, {}},
        {"zero cores and no Tex keys", {sensor("Te01", 42)}, 0, {}},
        {"longer Tex keys are not per-core keys", {sensor("Tex01", 40), sensor("Te01", 42)}, 1, {42.0}},
    };
    for (const auto& c : cases) {
        Counts counts{0, c.efficiencyCount};
        EXPECT_EQ(rowValues(DeviceSensorMap::fixedList(c.sensors, counts), "eff."), c.expected) << c.edge;
    }
}

// One "Tg" group per value (indices two apart), readings 20 + position;
// `absentAt` positions read 12.0.
std::vector<SMCSensor> gpuGroups(int count, std::vector<int> absentAt = {}) {
    std::vector<SMCSensor> sensors;
    for (int i = 0; i < count; ++i) {
        bool inactive = std::find(absentAt.begin(), absentAt.end(), i) != absentAt.end();
        sensors.push_back(gpuSensor(coreKey("Tg", 2 * i), inactive ? 12.0 : 20.0 + i));
    }
    return sensors;
}

TEST(DeviceSensorMap, GpuClustersAreJoinedThenBucketedIntoFive) {
    auto sevenPlusOne = gpuGroups(7);
    sevenPlusOne.insert(sevenPlusOne.begin(), gpuSensor("TG01", 27));  // lowest index, still last

    struct Case {
        const char* edge;
        std::vector<SMCSensor> sensors;
        Values expected;
    };
    const Case cases[] = {
        {"three groups, three rows", gpuGroups(3), {20.0, 21.0, 22.0}},
        {"Tg groups before TG groups, whatever the index",
         {gpuSensor("TG01", 50), gpuSensor("Tg0f", 40), gpuSensor("Tg0z", 45)}, {40.0, 45.0, 50.0}},
        {"five groups stay as they are", gpuGroups(5), {20.0, 21.0, 22.0, 23.0, 24.0}},
        {"6 groups: 0, 1, 2, 3, 4-5", gpuGroups(6), {20.0, 21.0, 22.0, 23.0, 24.5}},
        {"seven Tg and one TG: 0, 1-2, 3, 4-5, 6-7", sevenPlusOne, {20.0, 21.5, 23.0, 24.5, 26.5}},
        {"11 groups: 0-1, 2-3, 4-5, 6-7, 8-10", gpuGroups(11), {20.5, 22.5, 24.5, 26.5, 29.0}},
        {"a bucket averages its present values only", gpuGroups(8, {2}), {20.0, 21.0, 23.0, 24.5, 26.5}},
        {"a bucket with nothing present is absent", gpuGroups(8, {1, 2}), {20.0, absent, 23.0, 24.5, 26.5}},
    };
    for (const auto& c : cases) {
        auto rows = DeviceSensorMap::fixedList(c.sensors, {0, 0});
        EXPECT_EQ(rowValues(rows, "gpu."), c.expected) << c.edge;
        EXPECT_EQ(rowIds(rows).back(), "gpu.avg") << c.edge;
    }
}

TEST(DeviceSensorMap, LargeGpuClusterCountsStillGiveFiveCoveringBuckets) {
    // Whole-number buckets: with every cluster reading 40 plus one hot outlier
    // at the last position, the last bucket must contain it and no bucket may
    // come out empty, for any count.
    for (int n = 6; n <= 400; ++n) {
        auto sensors = gpuGroups(n);
        for (auto& s : sensors) s.currentTemp = 40;
        sensors.back().currentTemp = 40 + n;
        Values clusters = rowValues(DeviceSensorMap::fixedList(sensors, {0, 0}), "gpu.");
        ASSERT_EQ(clusters.size(), 5u) << n;
        for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(clusters[i], 40.0) << n << " bucket " << i;
        ASSERT_TRUE(clusters[4].has_value()) << n;
        EXPECT_GT(*clusters[4], 40.0) << n;
    }
}

TEST(DeviceSensorMap, MachinesWithoutCoreKeysShowCategoryRows) {
    struct Case {
        const char* edge;
        std::vector<SMCSensor> sensors;
        std::vector<DeviceSensorReading> expected;
    };
    const Case cases[] = {
        {"cpu before gpu, averages over active readings",
         {gpuSensor("TAG0", 50), sensor("TC0P", 40), sensor("TC1P", 50), sensor("TC2P", 12.0)},
         {{"cpu.generic", "CPU", "cpu.fill", 45.0}, {"gpu.generic", "GPU", "memorychip", 50.0}}},
        {"present category with only inactive readings", {sensor("TC0P", 12.0)},
         {{"cpu.generic", "CPU", "cpu.fill", absent}}},
        {"non-temperature sensors make no category present",
         {sensor("PC0R", 15, SensorClass::power), sensor("Tm0P", 40, SensorClass::temperature, SensorCategory::memory)},
         {}},
        {"generic GPU row beside GPU cluster rows",
         {gpuSensor("TAG0", 50), gpuSensor("Tg05", 60)},
         {{"gpu.generic", "GPU", "memorychip", 55.0},
          {"gpu.0", "GPU Cluster 1", "memorychip", 60.0},
          {"gpu.avg", "GPU Cluster Average", "memorychip", 60.0}}},
    };
    for (const auto& c : cases) EXPECT_EQ(DeviceSensorMap::fixedList(c.sensors, {4, 4}), c.expected) << c.edge;
}

TEST(DeviceSensorMap, NamedKeysShowWhenPresentAndReadOnlyAboveTheFloor) {
    auto named = [](std::string key, double reading) {
        return sensor(std::move(key), reading, SensorClass::temperature, SensorCategory::enclosure);
    };
    std::vector<SMCSensor> sensors{
        named("TW0P", 12.0), named("TB0T", 12.000001), named("TB0T", 50),  // the first match wins
        named("TPD3", 10.0), named("TH0x", 11.9),      named("TDeR", 35),
    };
    std::vector<DeviceSensorReading> expected{
        {"TW0P", "Airport Proximity", "wifi", absent},
        {"TB0T", "Battery", "minus.plus.batteryblock", 12.000001},
        {"pwr.die", "Power Manager Die Average", "bolt.fill", absent},
        {"TDeR", "Thunderbolt Right Proximity", "bolt.horizontal.fill", 35.0},
        {"TH0x", "SSD", "internaldrive.fill", absent},
    };
    EXPECT_EQ(DeviceSensorMap::fixedList(sensors, {0, 0}), expected);
}

TEST(DeviceSensorMap, AveragesFallBackToCategoriesOnlyWithoutCoreKeys) {
    struct Case {
        const char* edge;
        std::vector<SMCSensor> sensors;
        ControlSource source;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"cpu category when no core keys", {sensor("TC0P", 40), sensor("TC1P", 50)}, ControlSource::cpuAverage, 45.0},
        {"no fallback when core keys read inactive", {sensor("Tp01", 12.0), sensor("TC0P", 50)},
         ControlSource::cpuAverage, absent},
        {"mean over performance and efficiency entries",
         {sensor("Tp01", 60), sensor("Tp05", 12.0), sensor("Te01", 40)}, ControlSource::cpuAverage, 50.0},
        {"performance: hottest present entry", {sensor("Tp01", 60), sensor("Tp05", 70), sensor("Tp09", 5)},
         ControlSource::cpuPerformance, 70.0},
        {"performance: no category fallback", {sensor("TC0P", 50)}, ControlSource::cpuPerformance, absent},
        {"performance: only inactive groups", {sensor("Tp01", 12.0), sensor("Tp05", 3)}, ControlSource::cpuPerformance,
         absent},
        {"efficiency: no category fallback", {sensor("TC0P", 50)}, ControlSource::cpuEfficiency, absent},
        {"gpu category when no cluster keys", {gpuSensor("TAG0", 50), gpuSensor("TAG1", 12.0)},
         ControlSource::gpuAverage, 50.0},
        {"no gpu fallback when clusters read inactive", {gpuSensor("Tg01", 12.0), gpuSensor("TAG0", 50)},
         ControlSource::gpuAverage, absent},
        {"hottest has no floor", {sensor("Tp01", 5.0)}, ControlSource::hottest, 5.0},
        {"hottest skips bare-key sensors", {sensor("TW0P", 80), sensor("Tp01", 40)}, ControlSource::hottest, 40.0},
    };
    for (const auto& c : cases) EXPECT_EQ(DeviceSensorMap::aggregate(c.source, c.sensors, {4, 4}), c.expected) << c.edge;
}

}  // namespace
}  // namespace zephrane
