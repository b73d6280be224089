#include "shared/TemperatureFormat.hpp"

#include <clocale>
#include <cmath>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

namespace TF = TemperatureFormat;

TEST(TemperatureFormat, DisplayTexts) {
    struct Case { const char* name; double celsius; bool fahrenheit; bool precise; const char* text; };
    const Case cases[] = {
        {"precise celsius rounds to a tenth", 45.26, false, true, "45.3\u00B0C"},
        {"whole degrees", 45.26, false, false, "45\u00B0C"},
        {"fahrenheit converts first", 45.26, true, true, "113.5\u00B0F"},
        {"exact half of the binary value goes to even", 2.5, false, false, "2\u00B0C"},
        {"negative keeps its sign", -0.3, false, false, "-0\u00B0C"},
        {"zero", 0, false, true, "0.0\u00B0C"},
        {"below zero", -5, false, false, "-5\u00B0C"},
        {"not a number", std::nan(""), false, true, "nan\u00B0C"},
    };
    for (const auto& c : cases) EXPECT_EQ(TF::display(c.celsius, c.fahrenheit, c.precise), c.text) << c.name;
}

TEST(TemperatureFormat, ConversionOrder) {
    EXPECT_EQ(TF::converted(100, true), 212);
    EXPECT_EQ(TF::converted(100, false), 100);
    EXPECT_EQ(TF::converted(45.26, true), 45.26 * 9 / 5 + 32);
}

TEST(TemperatureFormat, SpokenSaysNoReadingUnlessAboveZero) {
    EXPECT_EQ(TF::spoken(0, false, true), "no reading");
    EXPECT_EQ(TF::spoken(-5, true, true), "no reading");
    EXPECT_EQ(TF::spoken(std::nan(""), false, true), "no reading");
    EXPECT_EQ(TF::spoken(HUGE_VAL, false, true), "no reading");
    EXPECT_EQ(TF::spoken(45.26, false, true), "45.3 degrees Celsius");
    EXPECT_EQ(TF::spoken(45.26, true, false), "113 degrees Fahrenheit");
}

TEST(TemperatureFormat, IgnoresTheProcessLocale) {
    // A toolkit may switch the C locale to the user's; the texts must not follow.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    std::string saved = previous ? previous : "C";
    if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8"))
        GTEST_SKIP() << "no comma-decimal locale installed";
    EXPECT_EQ(TF::value(45.26, false, true), "45.3");
    std::setlocale(LC_NUMERIC, saved.c_str());
}

}  // namespace
}  // namespace zephrane
