#include "shared/SensorSelection.hpp"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace zephrane {
namespace {

SMCSensor sensor(std::string key, std::string name, double reading, SensorClass sensorClass = SensorClass::temperature) {
    return {key, key, std::move(name), SensorCategory::cpu, reading, sensorClass, std::string(unit(sensorClass))};
}

TEST(SensorSelection, NamedMeansNameDiffersFromKey) {
    EXPECT_TRUE(SensorSelection::isNamed(sensor("Tp01", "P-Core 1", 40)));
    EXPECT_FALSE(SensorSelection::isNamed(sensor("TW0P", "TW0P", 40)));
}

TEST(SensorSelection, TrustedMaximumTakesNamedTemperatureSensorsOnly) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* edge;
        std::vector<SMCSensor> sensors;
        std::optional<double> expected;
    };
    const Case cases[] = {
        {"empty list", {}, std::nullopt},
        {"bare-key names are not trusted, however hot", {sensor("TW0P", "TW0P", 90), sensor("TPSP", "TPSP", 80)},
         std::nullopt},
        {"no activity floor", {sensor("Tp01", "P-Core 1", 5.0)}, 5.0},
        {"no plausibility range", {sensor("Tp01", "P-Core 1", 200.0), sensor("Tp05", "P-Core 5", 60)}, 200.0},
        {"largest wins, untrusted hotter ignored",
         {sensor("Tp01", "P-Core 1", 61.5), sensor("TW0P", "TW0P", 99), sensor("Tg05", "GPU 5", 70.25),
          sensor("Tp05", "P-Core 5", 63)},
         70.25},
        {"named non-temperature ignored", {sensor("PSTR", "Package", 150, SensorClass::power), sensor("Tp01", "P-Core 1", 40)},
         40.0},
        {"NaN skipped wherever it sits", {sensor("Tp01", "P-Core 1", nan), sensor("Tp05", "P-Core 5", 50), sensor("Tp09", "P-Core 9", nan)},
         50.0},
        {"only NaN is no reading", {sensor("Tp01", "P-Core 1", nan)}, std::nullopt},
        {"negative readings count", {sensor("Ta0P", "Ambient P", -10), sensor("Ta1P", "Ambient 1P", -5)}, -5.0},
    };
    for (const auto& c : cases) EXPECT_EQ(SensorSelection::trustedMaxTemperature(c.sensors), c.expected) << c.edge;
}

}  // namespace
}  // namespace zephrane
