#include "shared/SensorClassifier.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace zephrane {
namespace {

constexpr double nan = std::numeric_limits<double>::quiet_NaN();

struct ClassifyCase {
    const char* edge;
    std::string_view key;
    SMCDataType type;
    std::optional<double> sample;
    SensorClass expectedClass;
    const char* expectedName;
};

TEST(SensorClassifier, ClassifiesByFirstCharacterTypeAndSample) {
    const auto sp78 = SMCDataType::sp78(), flt = SMCDataType::flt(), ui8 = SMCDataType::ui8();
    const ClassifyCase cases[] = {
        {"sp78 temperature", "Tp01", sp78, 45.0, SensorClass::temperature, "P-Core 1"},
        {"flt temperature", "Tg0P", flt, 45.0, SensorClass::temperature, "GPU P"},
        {"integer type keeps the name", "Tp01", ui8, 45.0, SensorClass::other, "P-Core 1"},
        {"fpe2 is no temperature type", "Tp01", SMCDataType::fpe2(), 45.0, SensorClass::other, "P-Core 1"},
        {"lower bound included", "Tp01", sp78, -40.0, SensorClass::temperature, "P-Core 1"},
        {"upper bound included", "Tp01", sp78, 130.0, SensorClass::temperature, "P-Core 1"},
        {"just above range", "Tp01", sp78, 130.5, SensorClass::other, "P-Core 1"},
        {"just below range", "Tp01", sp78, -40.5, SensorClass::other, "P-Core 1"},
        {"NaN sample", "Tp01", sp78, nan, SensorClass::other, "P-Core 1"},
        {"no sample", "Tp01", sp78, std::nullopt, SensorClass::other, "P-Core 1"},
        {"unknown family keeps key", "TW0P", sp78, 30.0, SensorClass::temperature, "TW0P"},
        {"power by type", "PSTR", flt, 12.5, SensorClass::power, "PSTR"},
        {"power needs flt", "PSTR", sp78, 12.5, SensorClass::other, "PSTR"},
        {"power ignores sample", "PSTR", flt, std::nullopt, SensorClass::power, "PSTR"},
        {"voltage", "VD0R", flt, 1.1, SensorClass::voltage, "VD0R"},
        {"voltage needs flt", "VD0R", ui8, 1.1, SensorClass::other, "VD0R"},
        {"current", "ID0R", flt, 2.0, SensorClass::current, "ID0R"},
        {"fan actual speed, any type", "F0Ac", ui8, std::nullopt, SensorClass::fan, "F0Ac"},
        {"fan minimum is no reading", "F0Mx", flt, 1200.0, SensorClass::other, "F0Mx"},
        {"fan count is no reading", "FNum", ui8, 2.0, SensorClass::other, "FNum"},
        {"lower-case t", "tp01", sp78, 45.0, SensorClass::other, "tp01"},
        {"lower-case p", "pSTR", flt, 12.5, SensorClass::other, "pSTR"},
        {"lower-case f", "f0Ac", ui8, 1200.0, SensorClass::other, "f0Ac"},
        {"other first character", "BNum", flt, 1.0, SensorClass::other, "BNum"},
        {"empty key", "", flt, 45.0, SensorClass::other, ""},
    };
    for (const auto& c : cases) {
        auto result = SensorClassifier::classify(c.key, c.type, c.sample);
        EXPECT_EQ(result, (SensorClassifier::Classification{c.expectedClass, c.expectedName})) << c.edge;
    }
}

TEST(SensorClassifier, NamesTemperatureKeysByFamily) {
    struct Case {
        const char* edge;
        std::string_view key;
        const char* expected;
    };
    const Case cases[] = {
        {"leading zero stripped", "Tp01", "P-Core 1"},
        {"letter suffix", "Tp0A", "P-Core A"},
        {"only zeros", "Tp00", "P-Core"},
        {"inner zero kept", "Tp10", "P-Core 10"},
        {"upper-case GPU family", "TG0P", "GPU P"},
        {"nothing to strip", "TB1T", "Battery 1T"},
        {"three-character prefix first", "Tne0", "Neural Engine"},
        {"three-character prefix with suffix", "Tnex", "Neural Engine x"},
        {"no family", "TW0P", "TW0P"},
        {"too short for Tne, no Tn family", "Tne", "Tne"},
        {"three characters use the two-character prefix", "Tp0", "P-Core"},
        {"prefix alone is too short", "Tp", "Tp"},
        {"case-sensitive lookup", "tp01", "tp01"},
        {"longer key", "Tf0012", "SoC Fabric 12"},
    };
    for (const auto& c : cases) EXPECT_EQ(SensorClassifier::temperatureName(c.key), c.expected) << c.edge;
}

TEST(SensorClassifier, PlausibleRangeIsClosed) {
    constexpr auto range = SensorClassifier::plausibleTemperatureRange;
    EXPECT_EQ(range.lowerBound, -40.0);
    EXPECT_EQ(range.upperBound, 130.0);
    EXPECT_TRUE(range.contains(-40.0));
    EXPECT_TRUE(range.contains(130.0));
    EXPECT_FALSE(range.contains(std::nextafter(130.0, 200.0)));
    EXPECT_FALSE(range.contains(nan));
}

TEST(SensorClass, UnitTexts) {
    EXPECT_EQ(unit(SensorClass::temperature), "\u00B0C");
    EXPECT_EQ(unit(SensorClass::other), "");
}

}  // namespace
}  // namespace zephrane
