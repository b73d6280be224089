#include "ZephraneApp/Shell/FanSpeedSliderLogic.hpp"

#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::FanSpeedSliderLogic {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

CustomMode mode(std::string name, ModeSpeed speed) {
    return CustomMode(Uuid::random(), std::move(name), "gamecontroller.fill", speed,
                      ModeSensor::source(ControlSource::hottest), std::nullopt, false);
}

Fan fan(std::int64_t id, double current, double minRPM, double maxRPM, std::optional<double> target = std::nullopt) {
    return {.id = id, .currentRPM = current, .minRPM = minRPM, .maxRPM = maxRPM, .manualTarget = target};
}

FanProfile constantProfile(std::int64_t rpm) {
    FanProfile profile;
    profile.id = Uuid::random();
    profile.name = "Manual Lock";
    profile.mode = ControlMode::constantRPM;
    profile.constantTargetRPM = rpm;
    return profile;
}

TEST(FanSpeedSliderLogicTest, TextsOfEachTarget) {
    const Target gaming = target(mode("Gaming", ModeSpeed::fixed(0.7)));
    const Target quiet = target(mode("Quiet Work", ModeSpeed::floor(0.2)));
    const Target manual = target(std::nullopt);

    EXPECT_EQ(label(gaming), "Gaming Speed");
    EXPECT_EQ(label(manual), "Fan Speed");
    EXPECT_EQ(helpText(gaming), "Adjusts Gaming's fixed speed");
    EXPECT_EQ(helpText(quiet), "Adjusts Quiet Work's minimum speed");
    EXPECT_EQ(helpText(manual), "Drag to take over at a fixed fan speed");
    EXPECT_EQ(accessibilityHint(gaming, true), "Dragging adjusts Gaming's fixed speed");
    EXPECT_EQ(accessibilityHint(quiet, false), "Dragging adjusts Quiet Work's minimum speed");
    EXPECT_EQ(accessibilityHint(manual, true), "");
    EXPECT_EQ(accessibilityHint(manual, false), "Dragging takes over at a fixed fan speed");
    EXPECT_EQ(accessibilityValue(gaming, "4 560 RPM"), "Fixed 4 560 RPM");
    EXPECT_EQ(accessibilityValue(quiet, "2 160 RPM"), "Minimum 2 160 RPM");
    EXPECT_EQ(accessibilityValue(manual, "2 160 RPM"), "2 160 RPM");
}

TEST(FanSpeedSliderLogicTest, RangeSpansEveryFanAndDefaultsWithoutOne) {
    struct Case {
        const char* name;
        std::vector<Fan> fans;
        RPMRange range;
    };
    const Case cases[] = {
        {"no fans", {}, {1200, 6000}},
        {"one fan", {fan(0, 0, 1300, 5800)}, {1300, 5800}},
        {"lowest minimum and highest maximum of all fans, not the first",
         {fan(0, 0, 1500, 5000), fan(1, 0, 1100, 6200)},
         {1100, 6200}},
        {"bounds that are no number are passed over", {fan(0, 0, kNaN, kInf), fan(1, 0, 1400, 5600)}, {1400, 5600}},
        {"no finite bound at all takes the defaults", {fan(0, 0, kNaN, -kInf)}, {1200, 6000}},
        {"a minimum above the maximum is kept as reported", {fan(0, 0, 6000, 1200)}, {6000, 1200}},
    };
    for (const Case& c : cases) EXPECT_EQ(sliderRPMRange(c.fans), c.range) << c.name;
}

TEST(FanSpeedSliderLogicTest, RPMOfAPositionRoundsToTheWholeRPM) {
    struct Case {
        const char* name;
        double fraction;
        RPMRange range;
        std::optional<std::int64_t> rpm;
        std::string text;
    };
    const Case cases[] = {
        {"far left is the lowest minimum", 0, {1200, 6000}, 1200, "1 200 RPM"},
        {"far right is the highest maximum", 1, {1200, 6000}, 6000, "6 000 RPM"},
        {"the middle of the default range", 0.5, {1200, 6000}, 3600, "3 600 RPM"},
        {"not rounded to ten", 0.001, {1200, 6000}, 1205, "1 205 RPM"},
        {"a half rounds away from zero", 0.5, {1000, 1001}, 1001, "1 001 RPM"},
        {"below zero clamps", -0.3, {1200, 6000}, 1200, "1 200 RPM"},
        {"above one clamps", 1.7, {1200, 6000}, 6000, "6 000 RPM"},
        {"no number reads as zero", kNaN, {1200, 6000}, 1200, "1 200 RPM"},
        {"an empty range", 0.4, {2000, 2000}, 2000, "2 000 RPM"},
        {"a minimum above the maximum gives nothing", 0.5, {6000, 1200}, std::nullopt, "--"},
        {"an infinite bound gives nothing", 0.5, {1200, kInf}, std::nullopt, "--"},
        {"a bound of no number gives nothing", 0.5, {kNaN, 6000}, std::nullopt, "--"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(sliderRPM(c.fraction, c.range), c.rpm) << c.name;
        EXPECT_EQ(sliderRPMText(c.fraction, c.range), c.text) << c.name;
    }
}

TEST(FanSpeedSliderLogicTest, IdleText) {
    struct Case {
        const char* name;
        double value;
        std::vector<Fan> fans;
        std::string text;
    };
    const Case cases[] = {
        {"the highest current speed", 0.5, {fan(0, 2412.4, 1200, 6000), fan(1, 3100.5, 1200, 6000)}, "3 101 RPM"},
        {"far left with fans is Min", 0.0001, {fan(0, 2400, 1200, 6000)}, "Min"},
        {"just off the left edge reads the speed", 0.0002, {fan(0, 2400, 1200, 6000)}, "2 400 RPM"},
        {"far left without fans", 0, {}, "--"},
        {"no fans", 0.5, {}, "--"},
        {"stopped fans", 0.5, {fan(0, 0, 1200, 6000)}, "--"},
        {"speeds of no number are passed over", 0.5, {fan(0, kNaN, 1200, 6000), fan(1, 1800, 1200, 6000)},
         "1 800 RPM"},
        {"only an infinite speed", 0.5, {fan(0, kInf, 1200, 6000)}, "--"},
    };
    for (const Case& c : cases) EXPECT_EQ(idleSpeedText(c.value, c.fans), c.text) << c.name;
}

TEST(FanSpeedSliderLogicTest, ManualControlEngaged) {
    const std::vector<Fan> free{fan(0, 2000, 1200, 6000)};
    const std::vector<Fan> held{fan(0, 2000, 1200, 6000, 3000.0)};
    EXPECT_FALSE(isManualControlEngaged(free, std::nullopt));
    EXPECT_TRUE(isManualControlEngaged(held, std::nullopt));
    EXPECT_TRUE(isManualControlEngaged(free, constantProfile(3000)));
    EXPECT_FALSE(isManualControlEngaged(free, FanProfile::maxThermalBlast())) << "the Max preset is no hand on the fans";
    EXPECT_FALSE(isManualControlEngaged(free, FanProfile::nimbraStandard()));
}

TEST(FanSpeedSliderLogicTest, ModeSpeedKeepsItsKind) {
    EXPECT_EQ(withPercentage(ModeSpeed::fixed(0.7), 0.3), ModeSpeed::fixed(0.3));
    EXPECT_EQ(withPercentage(ModeSpeed::floor(0.2), 0.9), ModeSpeed::floor(0.9));
    EXPECT_EQ(withPercentage(ModeSpeed::floor(0.2), 1.4), ModeSpeed::floor(1.0));
    EXPECT_EQ(withPercentage(ModeSpeed::fixed(0.2), kNaN), ModeSpeed::fixed(0.0));
}

TEST(FanSpeedSliderLogicTest, RestingValueFollowsWhatDrivesTheFans) {
    const std::vector<Fan> two{fan(0, 2400, 1200, 6000), fan(1, 3000, 1000, 5000)};
    const std::vector<Fan> oneHeld{fan(0, 2400, 1200, 6000, 3600.0), fan(1, 3000, 1000, 5000)};
    const CustomMode gaming = mode("Gaming", ModeSpeed::fixed(0.7));
    struct Case {
        const char* name;
        std::optional<CustomMode> active;
        std::optional<FanProfile> profile;
        std::vector<Fan> fans;
        std::optional<double> value;
    };
    const Case cases[] = {
        {"the active mode's percentage first", gaming, constantProfile(3000), oneHeld, 0.7},
        {"a constant speed within the slider's range", std::nullopt, constantProfile(3600), two, 2600.0 / 5000},
        {"a constant speed above every maximum puts it at the right", std::nullopt,
         FanProfile::maxThermalBlast(), two, 1.0},
        {"a constant speed without fans reads against 1200...6000", std::nullopt, constantProfile(3600), {}, 0.5},
        {"the mean of the manual targets, a fan without one counting as 0", std::nullopt, std::nullopt, oneHeld,
         (0.5 + 0.0) / 2},
        {"the mean of the current speeds", std::nullopt, FanProfile::nimbraStandard(), two, (0.25 + 0.5) / 2},
        {"no fans and no constant speed: stays", std::nullopt, FanProfile::nimbraStandard(), {}, std::nullopt},
        {"a speed of no number counts as 0", std::nullopt, std::nullopt, {fan(0, kNaN, 1200, 6000)}, 0.0},
        {"a fan whose minimum exceeds its maximum counts as 0", std::nullopt, std::nullopt,
         {fan(0, 3000, 6000, 1200)}, 0.0},
    };
    for (const Case& c : cases) {
        const auto value = restingValue(c.active, c.profile, c.fans);
        ASSERT_EQ(value.has_value(), c.value.has_value()) << c.name;
        if (value) {
            EXPECT_DOUBLE_EQ(*value, *c.value) << c.name;
        }
    }
}

}  // namespace
}  // namespace zephrane::FanSpeedSliderLogic
