#include "shared/FanCurve.hpp"

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

using Pairs = std::vector<std::pair<double, double>>;

const Pairs kBasic{{40, 0.2}, {90, 1.0}};
const Pairs kTiedInside{{40, 0.2}, {60, 0.3}, {60, 0.6}, {90, 1.0}};

struct LookupCase {
    std::string name;
    Pairs points;
    double at;  // °C
    double expected;
};

const LookupCase kLookups[] = {
    {"below the first point is flat", kBasic, 30, 0.2},
    {"at the first point", kBasic, 40, 0.2},
    {"between points interpolates", kBasic, 65, 0.6},
    {"at the last point", kBasic, 90, 1.0},
    {"above the last point is flat", kBasic, 120, 1.0},
    {"points given out of order are sorted", {{90, 1.0}, {40, 0.2}}, 65, 0.6},
    {"a tied temperature gives the first of the tied points", kTiedInside, 60, 0.3},
    {"past a tie interpolates from the later tied point", kTiedInside, 60.5, 0.6 + 0.4 * (0.5 / 30)},
    {"tied last points give the last one at their temperature", {{40, 0.2}, {90, 0.5}, {90, 0.8}}, 90, 0.8},
    {"a fraction above 1 yields 1 at its point", {{40, 1.4}, {90, 1.0}}, 40, 1.0},
    {"a fraction below 0 yields 0 at its point", {{40, -0.2}, {90, 1.0}}, 40, 0.0},
    {"an interpolated value past 1 is clamped", {{40, 0.5}, {90, 1.5}}, 80, 1.0},
    {"a NaN temperature gives the last point's fraction", {{40, 0.2}, {90, 0.7}}, kNaN, 0.7},
    {"minus infinity is below the first point", {{40, 0.2}, {90, 0.7}}, -std::numeric_limits<double>::infinity(), 0.2},
    // Fewer than two points: not made by callers, but defined.
    {"no points give 0", {}, 50, 0.0},
    {"one point is flat below it", {{50, 0.4}}, 20, 0.4},
    {"one point is flat above it", {{50, 0.4}}, 80, 0.4},
    {"one point answers a NaN temperature", {{50, 0.4}}, kNaN, 0.4},
    {"one point's fraction is clamped", {{50, 1.7}}, 50, 1.0},
    // A point with a NaN temperature sorts first and takes no part.
    {"a NaN-temperature point is skipped below the curve", {{40, 0.2}, {kNaN, 0.9}, {90, 1.0}}, 30, 0.2},
    {"a NaN-temperature point is skipped inside the curve", {{40, 0.2}, {kNaN, 0.9}, {90, 1.0}}, 65, 0.6},
    {"a NaN-temperature point is skipped at a NaN lookup", {{40, 0.2}, {90, 1.0}, {kNaN, 0.9}}, kNaN, 1.0},
};

TEST(FanCurve, Lookup) {
    for (const auto& c : kLookups) {
        SCOPED_TRACE(c.name);
        EXPECT_DOUBLE_EQ(FanCurve(c.points).rpmPercentage(c.at), c.expected);
    }
}

TEST(FanCurve, SortIsStableAndKeepsIdentities) {
    const CurvePoint hot{Uuid::random(), 90, 1.0};
    const CurvePoint tieA{Uuid::random(), 60, 0.3};
    const CurvePoint tieB{Uuid::random(), 60, 0.6};
    const CurvePoint cool{Uuid::random(), 40, 0.2};
    // Enough tied points that an unstable sort would be caught shuffling them.
    std::vector<CurvePoint> given{hot, tieA, tieB};
    std::vector<CurvePoint> ties;
    for (int i = 0; i < 40; ++i) ties.push_back({Uuid::random(), 70, i / 40.0});
    given.insert(given.end(), ties.begin(), ties.end());
    given.push_back(cool);

    std::vector<CurvePoint> expected{cool, tieA, tieB};
    expected.insert(expected.end(), ties.begin(), ties.end());
    expected.push_back(hot);
    EXPECT_EQ(FanCurve(given).points(), expected);
}

TEST(FanCurve, PointsWithNaNTemperatureSortFirst) {
    FanCurve curve({{90, 1.0}, {kNaN, 0.5}, {40, 0.2}, {kNaN, 0.6}});
    const auto& p = curve.points();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_TRUE(std::isnan(p[0].temperature));
    EXPECT_EQ(p[0].rpmPercentage, 0.5);
    EXPECT_EQ(p[1].rpmPercentage, 0.6);
    EXPECT_EQ(p[2].temperature, 40);
    EXPECT_EQ(p[3].temperature, 90);
}

TEST(FanCurve, PairsGetFreshDistinctIdentities) {
    FanCurve a(kTiedInside);
    FanCurve b(kTiedInside);
    ASSERT_EQ(a.points().size(), 4u);
    for (std::size_t i = 0; i < a.points().size(); ++i) {
        EXPECT_NE(a.points()[i].id, Uuid{});
        EXPECT_NE(a.points()[i].id, b.points()[i].id);
        for (std::size_t j = 0; j < i; ++j) EXPECT_NE(a.points()[i].id, a.points()[j].id);
    }
    // Same temperatures and fractions, different identities: not equal.
    EXPECT_NE(a, b);
    EXPECT_EQ(a, FanCurve(a.points()));
    EXPECT_EQ(a.points()[1].rpmPercentage, 0.3);  // tied pairs kept in the order given
}

TEST(FanCurve, EqualityComparesPointsPairByPair) {
    const CurvePoint p{Uuid::random(), 40, 0.2};
    const CurvePoint q{Uuid::random(), 90, 1.0};
    EXPECT_EQ(FanCurve({q, p}), FanCurve({p, q}));  // both sorted to p, q
    EXPECT_NE(FanCurve({p, q}), FanCurve({p}));
    CurvePoint moved = q;
    moved.rpmPercentage = 0.9;
    EXPECT_NE(FanCurve({p, q}), FanCurve({p, moved}));
}

}  // namespace
}  // namespace zephrane
