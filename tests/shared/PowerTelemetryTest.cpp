#include "shared/PowerTelemetry.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

#include "shared/JsonCoding.hpp"

namespace zephrane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

PowerTelemetry laptopOnAC() {
    PowerTelemetry t;
    t.source = PowerSource::ac;
    t.systemWatts = 12.34;
    t.isCharging = true;
    t.adapterWatts = 96;
    t.batteryLevelPercent = 81;
    t.batteryCycleCount = 212;
    t.batteryHealthPercent = 93;
    t.hasBattery = true;
    t.batteryWattHours = 69.6;
    return t;
}

TEST(PowerTelemetry, ChargeStateTakesTheFirstRuleThatApplies) {
    struct Row {
        const char* edge;
        bool hasBattery;
        PowerSource source;
        bool isCharging;
        bool isFullyCharged;
        BatteryChargeState expected;
    };
    using S = BatteryChargeState;
    const Row rows[] = {
        {"no battery beats charging flag", false, PowerSource::ac, true, true, S::unavailable},
        {"on battery beats full flag", true, PowerSource::battery, true, true, S::discharging},
        {"full beats charging", true, PowerSource::ac, true, true, S::fullyCharged},
        {"charging on ac", true, PowerSource::ac, true, false, S::charging},
        {"charging with unknown source", true, PowerSource::unknown, true, false, S::charging},
        {"ac, neither flag", true, PowerSource::ac, false, false, S::notCharging},
        {"unknown source, neither flag", true, PowerSource::unknown, false, false, S::unavailable},
    };
    for (const auto& row : rows) {
        PowerTelemetry t;
        t.hasBattery = row.hasBattery;
        t.source = row.source;
        t.isCharging = row.isCharging;
        t.isFullyCharged = row.isFullyCharged;
        EXPECT_EQ(t.chargeState(), row.expected) << row.edge;
    }
    PowerTelemetry t;
    t.source = PowerSource::battery;
    EXPECT_TRUE(t.onBattery());
}

TEST(PowerTelemetry, DisplayWattsRoundsHalvesAwayFromZero) {
    struct Row {
        double watts, expected;
    };
    const Row rows[] = {{12.345, 12.3}, {0.05, 0.1}, {-0.05, -0.1}, {0.04, 0.0}, {7.25, 7.3}, {100, 100}};
    for (const auto& row : rows) EXPECT_DOUBLE_EQ(PowerTelemetry::displayWatts(row.watts), row.expected) << row.watts;
    EXPECT_TRUE(std::isnan(PowerTelemetry::displayWatts(kNaN)));
}

TEST(PowerTelemetry, DisplayEquivalenceRoundsOnlyTheWattFigures) {
    PowerTelemetry a = laptopOnAC();
    PowerTelemetry b = a;
    b.systemWatts = 12.31;
    b.adapterWatts = 96.04;
    b.batteryWattHours = 69.62;
    EXPECT_TRUE(a.displayEquivalent(b));
    EXPECT_NE(a, b);

    b.systemWatts = 12.36;
    EXPECT_FALSE(a.displayEquivalent(b));

    b = a;
    b.batteryCycleCount = 213;
    EXPECT_FALSE(a.displayEquivalent(b));
    b.batteryCycleCount.reset();
    EXPECT_FALSE(a.displayEquivalent(b));
}

TEST(PowerTelemetry, HealthFromNumberAcceptsOnly0To100) {
    struct Row {
        const char* edge;
        double capacity;
        std::optional<std::int64_t> expected;
    };
    const Row rows[] = {
        {"half rounds up", 87.5, 88},
        {"rounds up to 100", 99.5, 100},
        {"exactly 100", 100, 100},
        {"above 100 before rounding", 100.4, std::nullopt},
        {"negative", -1, std::nullopt},
        {"tiny negative", -0.01, std::nullopt},
        {"negative zero", -0.0, 0},
        {"NaN", kNaN, std::nullopt},
        {"infinity", kInf, std::nullopt},
        {"below half", 0.4, 0},
    };
    for (const auto& row : rows) EXPECT_EQ(batteryHealthPercent(row.capacity), row.expected) << row.edge;
}

TEST(PowerTelemetry, HealthFromTextJoinsEveryDecimalDigit) {
    struct Row {
        const char* edge;
        std::string_view text;
        std::optional<std::int64_t> expected;
    };
    using namespace std::string_view_literals;
    const Row rows[] = {
        {"percentage", "87%", 87},
        {"zero", "0%", 0},
        {"with label", "Maximum Capacity: 100%", 100},
        {"no digits", "n/a", std::nullopt},
        {"empty", "", std::nullopt},
        {"above 100", "101%", std::nullopt},
        {"decimal point is skipped", "87.5%", std::nullopt},
        {"leading zeros past 19 digits", "0000000000000000000000087", 87},
        {"Int64 maximum", "9223372036854775807", std::nullopt},
        {"past Int64", "99999999999999999999999", std::nullopt},
        {"Arabic-Indic with Arabic percent sign", "\u0668\u0667\u066A", 87},
        {"Extended Arabic-Indic", "\u06F9\u06F0", 90},
        {"Devanagari", "\u096E\u096D", 87},
        {"Fullwidth", "\uFF18\uFF17\uFF05", 87},
        {"mathematical bold, four-byte form", "\U0001D7D6\U0001D7D5", 87},
        {"scripts mixed", "8\u0967", 81},
        {"superscript two is not a decimal digit", "\u00B2", std::nullopt},
        {"New Tai Lue digit one (not Nd) after the Nd run", "\u19DA", std::nullopt},
        {"invalid bytes are skipped", "\xFF" "8\xC3" "7\x80", 87},
        {"truncated sequence does not swallow a digit", "\xE0\xA5" "7", 7},
        {"overlong ASCII digit is not a digit", "\xC0\xB8", std::nullopt},
        {"encoded surrogate is not a code point", "\xED\xA0\x80" "5", 5},
        {"embedded NUL", "8\0" "7"sv, 87},
    };
    for (const auto& row : rows) EXPECT_EQ(batteryHealthPercent(row.text), row.expected) << row.edge;
}

TEST(PowerTelemetry, FanWattsFollowTheCubeOfTheSpeedFraction) {
    struct Row {
        const char* edge;
        double rpm, maxRPM, expected;
    };
    const Row rows[] = {
        {"half speed", 1000, 2000, 0.3125},
        {"full speed", 2000, 2000, 2.5},
        {"above maximum is capped", 3000, 2000, 2.5},
        {"maximum 0", 1000, 0, 0},
        {"stopped", 0, 2000, 0},
        {"negative rpm", -1000, 2000, 0},
        {"NaN rpm", kNaN, 2000, 0},
        {"NaN maximum", 1000, kNaN, 0},
        {"infinite rpm is capped", kInf, 2000, 2.5},
        {"infinite maximum", 1000, kInf, 0},
        {"both infinite", kInf, kInf, 0},
    };
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(PowerTelemetry::fanWatts(row.rpm, row.maxRPM), row.expected) << row.edge;

    std::vector<PowerTelemetry::FanSpeed> fans{{2000, 2000}, {1000, 2000}, {kInf, kInf}};
    EXPECT_DOUBLE_EQ(PowerTelemetry::totalFanWatts(fans), 2.8125);
    EXPECT_EQ(PowerTelemetry::totalFanWatts({}), 0.0);
}

TEST(PowerTelemetry, StoredFormLeavesAbsentOptionalsOut) {
    PowerTelemetry bare;
    bare.source = PowerSource::ac;
    bare.adapterWatts = 140;
    Json stored = bare.toJson();
    EXPECT_EQ(stored.size(), 8u);
    EXPECT_FALSE(stored.contains("batteryLevelPercent"));
    EXPECT_EQ(stored["source"], "ac");
    EXPECT_EQ(PowerTelemetry::fromJson(json::parse(stored.dump())), bare);

    PowerTelemetry full = laptopOnAC();
    full.batteryCycleCount = std::numeric_limits<std::int64_t>::max();  // survives without passing through double
    stored = full.toJson();
    EXPECT_EQ(stored.size(), 11u);
    EXPECT_EQ(PowerTelemetry::fromJson(json::parse(stored.dump())), full);

    Json withNull = stored;
    withNull["batteryHealthPercent"] = nullptr;
    EXPECT_EQ(PowerTelemetry::fromJson(withNull).batteryHealthPercent, std::nullopt);
}

TEST(PowerTelemetry, ForeignStoredFormsFailWithDecodingError) {
    using K = DecodingError::Kind;
    struct Row {
        const char* edge;
        const char* key;
        const char* value;  // nullptr removes the key
        K kind;
    };
    const Row rows[] = {
        {"unknown source", "source", R"("mains")", K::dataCorrupted},
        {"source in other case", "source", R"("AC")", K::dataCorrupted},
        {"missing required number", "systemWatts", nullptr, K::keyNotFound},
        {"missing required flag", "hasBattery", nullptr, K::keyNotFound},
        {"watts as text", "adapterWatts", R"("96")", K::typeMismatch},
        {"flag as number", "isClamshell", "1", K::typeMismatch},
        {"optional of wrong type", "batteryLevelPercent", R"("81")", K::typeMismatch},
        {"optional with fraction", "batteryCycleCount", "2.5", K::dataCorrupted},
        {"optional past Int64", "batteryCycleCount", "18446744073709551615", K::dataCorrupted},
    };
    const Json good = laptopOnAC().toJson();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.edge);
        Json stored = good;
        if (row.value)
            stored[row.key] = json::parse(row.value);
        else
            stored.erase(row.key);
        try {
            PowerTelemetry::fromJson(stored);
            ADD_FAILURE() << "decoded";
        } catch (const DecodingError& e) {
            EXPECT_EQ(e.kind(), row.kind) << e.what();
            EXPECT_EQ(e.codingPath(), row.key);
        }
    }
    EXPECT_THROW(PowerTelemetry::fromJson(Json::array()), DecodingError);
}

TEST(PowerTelemetry, NonFiniteWattsAreNotStored) {
    PowerTelemetry t = laptopOnAC();
    t.systemWatts = kNaN;
    EXPECT_THROW(t.toJson(), EncodingError);
    t.systemWatts = 1;
    t.batteryWattHours = -kInf;
    EXPECT_THROW(t.toJson(), EncodingError);
}

}  // namespace
}  // namespace zephrane
