#include "ZephraneApp/Shell/MenuBarText.hpp"

#include <clocale>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::MenuBarText {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<StripFan> fansWithIDs(std::vector<std::int64_t> ids, double rpm = 2000) {
    std::vector<StripFan> fans;
    for (const std::int64_t id : ids) fans.push_back({id, rpm});
    return fans;
}

TEST(MenuBarTextTest, StripShowsThreeFansAndCountsTheRest) {
    struct Case {
        const char* name;
        std::vector<std::int64_t> ids;
        std::vector<std::int64_t> shown;
        int extra;
        std::string badge;
    };
    const Case cases[] = {
        {"none", {}, {}, 0, ""},
        {"one", {0}, {0}, 0, ""},
        {"three", {0, 1, 2}, {0, 1, 2}, 0, ""},
        {"four", {0, 1, 2, 3}, {0, 1, 2}, 1, "+1"},
        {"five", {0, 1, 2, 3, 4}, {0, 1, 2}, 2, "+2"},
    };
    for (const Case& c : cases) {
        const FanStrip strip = fanStrip(fansWithIDs(c.ids));
        EXPECT_EQ(strip.shownIDs, c.shown) << c.name;
        EXPECT_EQ(strip.extra, c.extra) << c.name;
        EXPECT_EQ(extraBadgeText(strip.extra), c.badge) << c.name;
    }
}

TEST(MenuBarTextTest, FanSummaryNamesEveryFanWithItsUngroupedSpeed) {
    struct Case {
        const char* name;
        std::vector<StripFan> fans;
        std::string summary;
    };
    const Case cases[] = {
        {"no fans", {}, ""},
        {"one fan", {{0, 1234.6}}, "Fan 1235 RPM"},
        {"two fans are left and right", {{0, 2400}, {1, 12345.4}}, "Left Fan 2400 RPM, Right Fan 12345 RPM"},
        {"five fans are numbered from one, all spoken",
         {{0, 1000}, {1, 1100}, {2, 1200}, {3, 1300}, {4, 1400}},
         "Fan 1 1000 RPM, Fan 2 1100 RPM, Fan 3 1200 RPM, Fan 4 1300 RPM, Fan 5 1400 RPM"},
        {"a half rounds away from zero", {{0, 2000.5}}, "Fan 2001 RPM"},
        {"a speed that is no number is no reading", {{0, kNaN}, {1, kInf}},
         "Left Fan no reading, Right Fan no reading"},
        {"a huge speed saturates", {{0, 1e30}}, "Fan 9223372036854775807 RPM"},
    };
    for (const Case& c : cases) EXPECT_EQ(fanSummary(c.fans), c.summary) << c.name;
}

PowerTelemetry battery(std::optional<std::int64_t> level, bool hasBattery, double watts, bool charging) {
    PowerTelemetry telemetry;
    telemetry.batteryLevelPercent = level;
    telemetry.hasBattery = hasBattery;
    telemetry.systemWatts = watts;
    telemetry.isCharging = charging;
    return telemetry;
}

// The user's locale writes "12,0": the panel's figures never do.
class CommaDecimalLocale : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::setlocale(LC_ALL, nullptr);
        if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) GTEST_SKIP() << "de_DE.UTF-8 is not generated";
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "%.1f", 1.5);
        ASSERT_STREQ(buffer, "1,5") << "the locale should write a decimal comma";
    }
    void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }

private:
    std::string saved_;
};

TEST_F(CommaDecimalLocale, PowerLineAndItsSpokenForm) {
    struct Case {
        const char* name;
        PowerReading power;
        std::optional<std::string> summary;
        std::string spoken;
    };
    const Case cases[] = {
        {"a charging laptop at 80 % drawing 12 W", {12.0, battery(80, true, 3, true)}, "12.0 W \u00B7 80%",
         "12.0 watts, battery 80 percent, charging"},
        {"a desktop drawing 31.26 W", {31.26, battery(std::nullopt, false, 0, false)}, "31.3 W", "31.3 watts"},
        {"no system figure: the battery's flow", {std::nullopt, battery(55, true, 7.25, false)},
         "7.2 W \u00B7 55%", "7.2 watts, battery 55 percent"},
        {"a negligible flow is no figure", {std::nullopt, battery(std::nullopt, false, 0.04, false)}, std::nullopt,
         ""},
        {"just above negligible", {std::nullopt, battery(std::nullopt, false, 0.06, false)}, "0.1 W", "0.1 watts"},
        {"a level without a battery is not shown", {std::nullopt, battery(80, false, 0, true)}, std::nullopt,
         "charging"},
        {"a battery without a level", {std::nullopt, battery(std::nullopt, true, 0, false)}, std::nullopt, ""},
        {"a system figure of no number falls back to the battery's", {kNaN, battery(60, true, 5.0, false)},
         "5.0 W \u00B7 60%", "5.0 watts, battery 60 percent"},
        {"no finite figure anywhere", {kInf, battery(std::nullopt, false, kNaN, false)}, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(powerSummary(c.power), c.summary) << c.name;
        EXPECT_EQ(powerSpokenText(c.power), c.spoken) << c.name;
    }
}

TEST_F(CommaDecimalLocale, TemperatureSpokenWithADecimalPoint) {
    EXPECT_EQ(heroValueText(64.25, false, true, "CPU", "Balanced curve"), "64.2 degrees Celsius, CPU \u00B7 Balanced curve");
}

TEST(MenuBarTextTest, HeroValueText) {
    struct Case {
        const char* name;
        double celsius;
        bool fahrenheit;
        bool precise;
        std::string text;
    };
    const Case cases[] = {
        {"celsius, precise", 64.3, false, true, "64.3 degrees Celsius, CPU \u00B7 Quiet curve"},
        {"fahrenheit, whole", 50, true, false, "122 degrees Fahrenheit, CPU \u00B7 Quiet curve"},
        {"zero is no reading", 0, false, true, "no reading, CPU \u00B7 Quiet curve"},
        {"below zero is no reading", -3, false, true, "no reading, CPU \u00B7 Quiet curve"},
        {"not a number is no reading", kNaN, false, true, "no reading, CPU \u00B7 Quiet curve"},
        {"infinity is no reading", kInf, true, true, "no reading, CPU \u00B7 Quiet curve"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(heroValueText(c.celsius, c.fahrenheit, c.precise, "CPU", "Quiet curve"), c.text) << c.name;
}

TEST(MenuBarTextTest, StatusCaptionInstallIssueWinsOverEveryStateButConnected) {
    const std::optional<std::string> none;
    const std::optional<std::string> issue = "signature mismatch";
    const std::string repair = "Monitoring only. Open Brumalune to repair helper setup (signature mismatch).";
    struct Case {
        const char* name;
        HelperState state;
        std::optional<std::string> issue;
        std::optional<std::string> caption;
    };
    const Case cases[] = {
        {"connected", HelperState::connected(), none, std::nullopt},
        {"connected with an issue", HelperState::connected(), issue, std::nullopt},
        {"not registered", HelperState::notRegistered(), none,
         "Monitoring only. Open Brumalune to install the fan-control helper."},
        {"requires approval", HelperState::requiresApproval(), none,
         "Monitoring only. Approve Brumalune in System Settings \u25B8 Login Items & Extensions."},
        {"enabled", HelperState::enabled(), none, "Monitoring only. Connecting to the fan-control helper\u2026"},
        {"unavailable", HelperState::unavailable("socket refused"), none,
         "Monitoring only. The fan-control helper is unavailable (socket refused)."},
        {"not registered with an issue", HelperState::notRegistered(), issue, repair},
        {"requires approval with an issue", HelperState::requiresApproval(), issue, repair},
        {"enabled with an issue", HelperState::enabled(), issue, repair},
        {"unavailable with an issue", HelperState::unavailable("socket refused"), issue, repair},
    };
    for (const Case& c : cases) EXPECT_EQ(helperStatusCaption(c.state, c.issue), c.caption) << c.name;
}

}  // namespace
}  // namespace zephrane::MenuBarText
