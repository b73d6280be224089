#include "shared/NumberText.hpp"

#include <charconv>
#include <cmath>
#include <string>
#include <limits>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

struct Case {
    const char* name;
    double value;
    const char* text;
};

TEST(NumberText, ShortestRoundTripTexts) {
    const Case cases[] = {
        {"whole number keeps .0", 1200, "1200.0"},
        {"zero", 0.0, "0.0"},
        {"negative zero keeps sign", -0.0, "-0.0"},
        {"fraction", 65535.5, "65535.5"},
        {"shortest, not exact binary", 0.1, "0.1"},
        {"many digits", 1.0 / 3.0, "0.3333333333333333"},
        {"negative", -1.5, "-1.5"},
        {"large switches to exponent", 1e39, "1e+39"},
        {"largest 64-bit integer as double", 9.2e18, "9.2e+18"},
        {"below 2^54 stays plain", 1e15, "1000000000000000.0"},
        {"small plain", 0.0001, "0.0001"},
        {"smaller switches to exponent", 0.00001, "1e-05"},
        {"exponent with fraction", 1.25e-7, "1.25e-07"},
        {"nan", std::numeric_limits<double>::quiet_NaN(), "nan"},
        {"infinity", std::numeric_limits<double>::infinity(), "inf"},
        {"negative infinity", -std::numeric_limits<double>::infinity(), "-inf"},
    };
    for (const auto& c : cases) EXPECT_EQ(shortestText(c.value), c.text) << c.name;
}

TEST(NumberText, EveryFiniteTextReadsBackExactly) {
    const double samples[] = {0.1 + 0.2, 123456.789, 5e-324, 1.7976931348623157e308, 4500.25, -2.5e-5, 3.0e16};
    for (double v : samples) {
        std::string text = shortestText(v);
        double back = 0;
        std::from_chars(text.data(), text.data() + text.size(), back);
        EXPECT_EQ(back, v) << text;
    }
}

TEST(NumberText, GroupedIntegerTexts) {
    struct GroupCase {
        const char* edge;
        std::int64_t value;
        const char* text;
    };
    const GroupCase cases[] = {
        {"zero", 0, "0"},
        {"three digits stay whole", 999, "999"},
        {"four digits", 1234, "1 234"},
        {"exact groups", 123456, "123 456"},
        {"seven digits", 1234567, "1 234 567"},
        {"negative", -1234, "-1 234"},
        {"negative short", -12, "-12"},
        {"largest", std::numeric_limits<std::int64_t>::max(), "9 223 372 036 854 775 807"},
        {"smallest, whose negation overflows", std::numeric_limits<std::int64_t>::min(), "-9 223 372 036 854 775 808"},
    };
    for (const auto& c : cases) EXPECT_EQ(groupedIntegerText(c.value), c.text) << c.edge;
}

}  // namespace
}  // namespace zephrane
