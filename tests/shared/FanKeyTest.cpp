#include "shared/FanKey.hpp"

#include <climits>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

#include "shared/FourCC.hpp"

namespace zephrane {
namespace {

using KeyFunction = std::string (*)(int);

struct Suffix { const char* suffix; KeyFunction make; };
const Suffix kSuffixes[] = {
    {"Ac", FanKey::current}, {"Mn", FanKey::minimum}, {"Mx", FanKey::maximum},
    {"Tg", FanKey::target},  {"Md", FanKey::mode},
};

TEST(FanKey, EverySingleDigitIndexGivesAFourCharacterKey) {
    EXPECT_EQ(FanKey::mode(0), "F0Md");
    EXPECT_EQ(FanKey::target(9), "F9Tg");
    for (const auto& s : kSuffixes) {
        for (int i = 0; i <= 9; ++i) {
            const std::string expected = "F" + std::to_string(i) + s.suffix;
            EXPECT_EQ(s.make(i), expected);
            EXPECT_NO_THROW(FourCC::code(s.make(i))) << expected;
        }
    }
    EXPECT_EQ(FanKey::fanCount, "FNum");
    EXPECT_EQ(FanKey::forceTest, "Ftst");
}

TEST(FanKey, IndexOutsideZeroToNineIsRejected) {
    struct Case { const char* name; int index; };
    const Case cases[] = {
        {"first two-digit index would make a five-character key", 10},
        {"negative index would make a five-character key", -1},
        {"most negative int", INT_MIN},
        {"largest int", INT_MAX},
    };
    for (const auto& c : cases)
        for (const auto& s : kSuffixes) EXPECT_THROW(s.make(c.index), std::out_of_range) << c.name << " " << s.suffix;
}

}  // namespace
}  // namespace zephrane
