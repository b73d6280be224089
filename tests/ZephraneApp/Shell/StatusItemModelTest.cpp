#include "ZephraneApp/Shell/StatusItemModel.hpp"

#include <numbers>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(StatusItemModel, RoundedFanTextIsExactOverTheWhole64BitRange) {
    struct Case {
        const char* text;
        const char* shown;
    } cases[] = {
        {"1234", "1250"}, {"1224", "1200"}, {"1225", "1250"}, {"+1225", "1250"}, {"-1225", "-1250"},
        {"-1224", "-1200"}, {"24", "0"}, {"25", "50"}, {"-25", "-50"}, {"0", "0"}, {"-0", "0"}, {"0012", "0"},
        // Above 2^53 a double has no units left: 2^53 + 1 rounds up to ...1000.
        {"9007199254740993", "9007199254741000"},
        {"9007199254740975", "9007199254741000"},
        {"9007199254740974", "9007199254740950"},
        // The ends of the range: no overflow from adding a half step.
        {"9223372036854775807", "9223372036854775800"},
        {"-9223372036854775808", "-9223372036854775800"},
        {"9223372036854775774", "9223372036854775750"},
        {"9223372036854775775", "9223372036854775800"},
        // Not a 64-bit decimal integer: unchanged.
        {"9223372036854775808", "9223372036854775808"},
        {"-9223372036854775809", "-9223372036854775809"},
        {"--", "--"}, {"", ""}, {"+", "+"}, {"-", "-"}, {"12a", "12a"}, {"1 2", "1 2"}, {" 12", " 12"},
        {"+-12", "+-12"}, {"1.5", "1.5"},
    };
    for (const Case& c : cases) EXPECT_EQ(roundedFanText(c.text), c.shown) << c.text;
}

TEST(StatusItemModel, TextAndAccessibilityLabelByReadout) {
    struct Case {
        MenuBarReadout readout;
        const char* text;
        const char* label;
        int length;  // with a text 30 points wide
    } cases[] = {
        {MenuBarReadout::none, "", "Brumalune fan control", 20},
        {MenuBarReadout::controlTemperature, "62\u00b0", "Control temperature, 62\u00b0", 54},
        {MenuBarReadout::hottestFan, "1250", "Fan speed, 1234 RPM", 54},
        {MenuBarReadout::both, "62\u00b0 \u00b7 1250", "Control temperature 62\u00b0, fan speed 1234 RPM", 54},
        {MenuBarReadout::hottestSensor, "CPU 71\u00b0", "Hottest sensor, CPU 71\u00b0", 54},
    };
    for (const Case& c : cases) {
        const StatusLabelState state{c.readout, "62\u00b0", "1234", "CPU 71\u00b0", 0, true};
        EXPECT_EQ(statusLabelText(state), c.text);
        EXPECT_EQ(statusAccessibilityLabel(state), c.label);
        EXPECT_EQ(statusItemLength(statusLabelText(state).empty() ? 0 : 30), c.length);
    }
    EXPECT_EQ(statusLabelText({MenuBarReadout::hottestFan, "", "--", "", 0, true}), "--");
}

TEST(StatusItemModel, SpinRatesAndTints) {
    constexpr double pi = std::numbers::pi;
    struct Case {
        int tier;
        double ticks;
        double step;
        StatusTint tint;
    } cases[] = {
        {1, 4.2, pi / 6, StatusTint::green},       {2, 8.4, pi / 6, StatusTint::greenYellow},
        {3, 14.4, pi / 6, StatusTint::yellow},     {4, 21.6, pi / 6, StatusTint::orange},
        {5, 24.0, 0.2 * pi, StatusTint::red},
    };
    for (const Case& c : cases) {
        const auto rate = spinRate(c.tier);
        ASSERT_TRUE(rate) << c.tier;
        EXPECT_NEAR(rate->ticksPerSecond, c.ticks, 1e-9) << c.tier;
        EXPECT_NEAR(rate->stepRadians, c.step, 1e-9) << c.tier;
        EXPECT_EQ(statusTint(c.tier), c.tint) << c.tier;
    }
    for (const int still : {-1, 0, 6}) {
        EXPECT_FALSE(spinRate(still)) << still;
        EXPECT_EQ(statusTint(still), StatusTint::none) << still;
    }
}

TEST(StatusItemModel, TextIsSetOnlyWhenItChangesOrForced) {
    StatusItemModel model;
    StatusLabelState state{MenuBarReadout::both, "62\u00b0", "1234", "", 3, true};
    EXPECT_TRUE(model.apply(state, false, false).textChanged);
    state.fanText = "1240";  // the same shown figure, a new spoken one
    const auto same = model.apply(state, false, false);
    EXPECT_FALSE(same.textChanged);
    EXPECT_EQ(same.accessibilityLabel, "Control temperature 62\u00b0, fan speed 1240 RPM");
    EXPECT_TRUE(model.apply(state, true, false).textChanged);
    state.temperatureText = "63\u00b0";
    EXPECT_TRUE(model.apply(state, false, false).textChanged);
}

TEST(StatusItemModel, SpinAndTintStopWhileHiddenStillOrUnwanted) {
    const StatusLabelState spinning{MenuBarReadout::none, "", "", "", 4, true};
    struct Case {
        const char* name;
        StatusLabelState state;
        bool reduceMotion;
        int tier;
        StatusTint tint;
    } cases[] = {
        {"spinning", spinning, false, 4, StatusTint::orange},
        {"reduce motion", spinning, true, 0, StatusTint::none},
        {"not animated", {MenuBarReadout::none, "", "", "", 4, false}, false, 0, StatusTint::none},
        {"negative tier", {MenuBarReadout::none, "", "", "", -2, true}, false, 0, StatusTint::none},
        {"tier above 5", {MenuBarReadout::none, "", "", "", 6, true}, false, 0, StatusTint::none},
    };
    for (const Case& c : cases) {
        StatusItemModel model;
        const auto render = model.apply(c.state, false, c.reduceMotion);
        EXPECT_EQ(render.spinTier, c.tier) << c.name;
        EXPECT_EQ(render.tint, c.tint) << c.name;
    }

    StatusItemModel model;
    EXPECT_FALSE(model.updateDisplayState(true, std::nullopt, false)) << "nothing applied yet";
    EXPECT_FALSE(model.updateDisplayState(false, std::nullopt, false));
    model.apply(spinning, false, false);
    const auto locked = model.updateDisplayState(true, std::nullopt, false);
    ASSERT_TRUE(locked);
    EXPECT_EQ(locked->spinTier, 0);
    EXPECT_EQ(locked->tint, StatusTint::none);
    // Asleep while locked: nothing visible changes, nothing re-applied.
    EXPECT_FALSE(model.updateDisplayState(std::nullopt, true, false));
    EXPECT_FALSE(model.updateDisplayState(false, std::nullopt, false));
    const auto awake = model.updateDisplayState(std::nullopt, false, false);
    ASSERT_TRUE(awake);
    EXPECT_EQ(awake->spinTier, 4);
    EXPECT_EQ(awake->tint, StatusTint::orange);
    EXPECT_EQ(model.reapply(true)->spinTier, 0);
}

}  // namespace
}  // namespace zephrane
