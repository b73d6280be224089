#include "ZephraneApp/Model/ModeSpeedText.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const FanRange kLaptop{1200, 6000};

TEST(ModeSpeedTextTest, FractionToRPMRoundsToTenWithinTheRange) {
    struct Row { double fraction, minimum, maximum; std::int64_t rpm; const char* edge; };
    const Row rows[] = {
        {0.5, 1200, 6000, 3600, "middle"},
        {0.33, 1200, 6000, 2780, "2784 rounds down to 10"},
        {0.3323, 1200, 6000, 2800, "2795.04 rounds up"},
        {1.7, 1200, 6000, 6000, "above 1 is the maximum"},
        {-0.2, 1200, 6000, 1200, "below 0 is the minimum"},
        {0.5, 1205, 1205, 1210, "an empty range gives its value rounded, halves away"},
        {0.0, 1234, 5678, 1230, "the minimum itself rounded"},
        {kNaN, 1200, 6000, 1200, "NaN counts as 0"},
        {0.25, 6000, 1200, 2400, "bounds the wrong way round are taken in order"},
        {1.0, 6000, 1200, 6000, "and the top stays the larger"},
        {0.5, kNaN, 6000, 0, "a NaN bound"},
        {0.5, -kInf, kInf, 0, "infinite bounds"},
        {1.0, 0, kInf, std::numeric_limits<std::int64_t>::max() / 10 * 10, "saturates"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(fractionToRPM(row.fraction, row.minimum, row.maximum), row.rpm) << row.edge;
}

TEST(ModeSpeedTextTest, SpeedTextsWithAndWithoutAFanRange) {
    struct Row { ModeSpeed speed; std::optional<FanRange> range; const char* value; const char* summary; };
    const Row rows[] = {
        {ModeSpeed::floor(0.25), kLaptop, "2 400 RPM", "Min 2 400 RPM"},
        {ModeSpeed::fixed(0.5), kLaptop, "3 600 RPM", "3 600 RPM"},
        {ModeSpeed::fixed(1.2), kLaptop, "6 000 RPM", "6 000 RPM"},
        {ModeSpeed::floor(0.25), std::nullopt, "25%", "Min 25%"},
        {ModeSpeed::fixed(1.2), std::nullopt, "120%", "Fixed 120%"},
        {ModeSpeed::floor(0.005), std::nullopt, "1%", "Min 1%"},
        {ModeSpeed::floor(0.004), std::nullopt, "0%", "Min 0%"},
        {ModeSpeed::fixed(0.1), FanRange{900, 900}, "900 RPM", "900 RPM"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(speedValueText(row.speed, row.range), row.value) << row.value;
        EXPECT_EQ(modeSpeedSummary(row.speed, row.range), row.summary) << row.summary;
    }
    EXPECT_EQ(modeSpeedPercentSummary(ModeSpeed::fixed(0.7)), "Fixed 70%");
}

TEST(ModeSpeedTextTest, CaptionsUnderTheSlider) {
    EXPECT_EQ(modeSpeedCaption(true, kLaptop, 0.5), "Fans will hold 3 600 RPM (safety boosts still override)");
    EXPECT_EQ(modeSpeedCaption(false, kLaptop, 0.25), "Fans will run at least 2 400 RPM");
    EXPECT_EQ(modeSpeedCaption(true, std::nullopt, 0.5), "Fans will hold 50% (safety boosts still override)");
    EXPECT_EQ(modeSpeedCaption(false, std::nullopt, 0.255), "Fans will run at least 26%");
    EXPECT_EQ(modeSpeedPercentCaption(false, kNaN), "Fans will run at least 0%");
}

TEST(ModeSpeedTextTest, SensorLabels) {
    const std::vector<DeviceSensorReading> readings{{"gpu", "GPU", "cpu", 50.0}, {"gpu", "Second GPU", "cpu", 51.0},
                                                    {"batt", "Battery", "battery.100", std::nullopt}};
    EXPECT_EQ(modeSensorLabel(ModeSensor::source(ControlSource::hottest), readings), "Hottest Sensor");
    EXPECT_EQ(modeSensorLabel(ModeSensor::source(ControlSource::gpuAverage), readings), "GPU Average");
    EXPECT_EQ(modeSensorLabel(ModeSensor::sensor("gpu"), readings), "GPU");
    EXPECT_EQ(modeSensorLabel(ModeSensor::sensor("batt"), readings), "Battery");
    EXPECT_EQ(modeSensorLabel(ModeSensor::sensor("gone"), readings), "Sensor");
}

}  // namespace
}  // namespace zephrane
