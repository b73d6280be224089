#include "shared/WritePolicy.hpp"

#include <cmath>
#include <limits>
#include <ostream>
#include <string>

#include <gtest/gtest.h>

namespace zephrane {

// Readable failure output for verdicts.
void PrintTo(const WritePolicy::Verdict& verdict, std::ostream* out) {
    if (auto* a = verdict.applied())
        *out << "apply(" << a->rpm << ")";
    else
        *out << "reject(\"" << verdict.rejected()->reason << "\")";
}

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Verdict = WritePolicy::Verdict;

struct VetCase {
    std::string name;
    double requested;
    double hardwareMin;
    double hardwareMax;
    Verdict expected;
};

const VetCase kCases[] = {
    {"within the bounds is written as asked", 3000.5, 1200, 6000, Verdict::apply(3000.5)},
    {"above the maximum is lowered", 7000, 1200, 6000, Verdict::apply(6000)},
    {"below the minimum is raised", 500, 1200, 6000, Verdict::apply(1200)},
    {"the largest integer asked for is lowered", 9.2e18, 1200, 6000, Verdict::apply(6000)},
    {"a minimum of 0 is accepted", 0, 0, 6000, Verdict::apply(0)},
    {"a negative minimum is accepted", 0, -100, 6000, Verdict::apply(0)},
    {"equal bounds are accepted", 100, 2500, 2500, Verdict::apply(2500)},
    {"a negative request", -1, 1200, 6000, Verdict::reject("non-finite or negative RPM -1.0")},
    {"an infinite request", kInf, 1200, 6000, Verdict::reject("non-finite or negative RPM inf")},
    {"a NaN request", kNaN, 1200, 6000, Verdict::reject("non-finite or negative RPM nan")},
    {"the request is checked before the bounds", -0.5, 1200, 0,
     Verdict::reject("non-finite or negative RPM -0.5")},
    {"a maximum of 0", 2000, 1200, 0, Verdict::reject("invalid hardware bounds [1200.0, 0.0]")},
    {"both bounds 0", 2000, 0, 0, Verdict::reject("invalid hardware bounds [0.0, 0.0]")},
    {"a NaN minimum", 2000, kNaN, 6000, Verdict::reject("invalid hardware bounds [nan, 6000.0]")},
    {"an infinite maximum", 2000, 1200, kInf, Verdict::reject("invalid hardware bounds [1200.0, inf]")},
    {"a minus infinite minimum", 2000, -kInf, 6000, Verdict::reject("invalid hardware bounds [-inf, 6000.0]")},
    {"bounds out of order", 2000, 6000, 1200, Verdict::reject("invalid hardware bounds [6000.0, 1200.0]")},
    {"fractional bounds keep their digits", 2000, 1200.5, -3, Verdict::reject("invalid hardware bounds [1200.5, -3.0]")},
};

TEST(WritePolicy, Vet) {
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(WritePolicy::vet(c.requested, c.hardwareMin, c.hardwareMax), c.expected);
    }
}

TEST(WritePolicy, NegativeZeroIsWrittenAsZero) {
    auto verdict = WritePolicy::vet(-0.0, -100, 6000);
    ASSERT_NE(verdict.applied(), nullptr);
    EXPECT_EQ(verdict.applied()->rpm, 0.0);
    EXPECT_FALSE(std::signbit(verdict.applied()->rpm));
}

TEST(WritePolicy, VerdictsEqualOnlyInTheSameCaseWithEqualPayloads) {
    EXPECT_EQ(Verdict::apply(1200), Verdict::apply(1200));
    EXPECT_NE(Verdict::apply(1200), Verdict::apply(1201));
    EXPECT_EQ(Verdict::reject("x"), Verdict::reject("x"));
    EXPECT_NE(Verdict::reject("x"), Verdict::reject("y"));
    EXPECT_NE(Verdict::apply(0), Verdict::reject(""));
    EXPECT_EQ(Verdict::apply(0).rejected(), nullptr);
    EXPECT_EQ(Verdict::reject("").applied(), nullptr);
}

}  // namespace
}  // namespace zephrane
