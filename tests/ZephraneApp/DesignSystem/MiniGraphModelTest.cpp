#include "ZephraneApp/DesignSystem/Painters/MiniGraphModel.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const QSizeF kCanvas(100, 40);

TEST(MiniGraphModelTest, VerticalRange) {
    struct Row { const char* name; std::vector<double> samples; std::optional<MiniGraphRange> fixed; double lo, hi; };
    const Row rows[] = {
        {"constant readings widen to four", {50, 50, 50}, std::nullopt, 48, 52},
        {"narrow readings widen about their middle, then round out", {20.2, 20.7, 21.1}, std::nullopt, 18, 23},
        {"wide readings round out", {40.5, 61.2}, std::nullopt, 40, 62},
        {"a given range is taken as it is", {10, 90}, MiniGraphRange{30.5, 70.25}, 30.5, 70.25},
        {"non-finite readings are no readings", {kNaN, 40, kInf, 41, -kInf}, std::nullopt, 38, 43},
        {"nothing finite", {kNaN, kNaN}, std::nullopt, -2, 2},
    };
    for (const Row& row : rows) {
        const VerticalRange r = miniGraphVerticalRange(row.samples, row.fixed);
        EXPECT_EQ(r.lo, row.lo) << row.name;
        EXPECT_EQ(r.hi, row.hi) << row.name;
        EXPECT_EQ(r.span, row.hi - row.lo) << row.name;
    }
    EXPECT_EQ(miniGraphVerticalRange({}, MiniGraphRange{5, 5}).span, 0.000001);
}

TEST(MiniGraphModelTest, ConstantReadingsDrawAtMidHeight) {
    const std::vector<double> samples{50, 50, 50, 50, 50};
    MiniGraphScroll scroll;
    const auto frame = miniGraphFrame(samples, kCanvas, 10.0, false, std::nullopt, scroll);
    ASSERT_TRUE(frame);
    ASSERT_EQ(frame->points.size(), 5u);
    for (const QPointF& p : frame->points) EXPECT_DOUBLE_EQ(p.y(), 20.0);
    EXPECT_EQ(frame->points[0].x(), 0.0);  // progress 0 on the first frame
    EXPECT_EQ(frame->points[4].x(), 100.0);
}

TEST(MiniGraphModelTest, ANewReadingScrollsInOverASecondWhileTheNewestEasesThenRests) {
    std::vector<double> samples{40, 40, 40, 40, 40};
    MiniGraphScroll scroll;
    double now = 100;
    miniGraphFrame(samples, kCanvas, now, false, MiniGraphRange{0, 100}, scroll);
    for (int i = 0; i < 40 && !scroll.atRest; ++i) miniGraphFrame(samples, kCanvas, now += 1.0 / 30, false, MiniGraphRange{0, 100}, scroll);
    ASSERT_TRUE(scroll.atRest);
    EXPECT_TRUE(miniGraphPaused(samples, true, scroll));

    samples.erase(samples.begin());
    samples.push_back(80);  // same count, new value
    EXPECT_FALSE(miniGraphPaused(samples, true, scroll));
    const double arrival = now += 1.0 / 30;
    auto frame = miniGraphFrame(samples, kCanvas, arrival, false, MiniGraphRange{0, 100}, scroll);
    EXPECT_EQ(frame->points[0].x(), 0.0);
    // The newest point has eased one frame's worth towards the new value.
    const double firstEase = 40 + 40 * (1 - std::exp(-10.0 / 30));
    EXPECT_NEAR(frame->easedNewest, firstEase, 1e-9);
    EXPECT_NEAR(frame->points.back().y(), 40 * (1 - firstEase / 100), 1e-9);

    // Half a second later (one frame): the easing advances 0.1 s at most.
    frame = miniGraphFrame(samples, kCanvas, arrival + 0.5, false, MiniGraphRange{0, 100}, scroll);
    EXPECT_NEAR(frame->points[0].x(), -12.5, 1e-9);  // half of one 25-point step
    EXPECT_NEAR(frame->easedNewest, firstEase + (80 - firstEase) * (1 - std::exp(-1.0)), 1e-9);
    EXPECT_FALSE(scroll.atRest);

    double t = arrival + 0.5;
    while (!scroll.atRest && t < arrival + 5) frame = miniGraphFrame(samples, kCanvas, t += 1.0 / 30, false, MiniGraphRange{0, 100}, scroll);
    EXPECT_TRUE(scroll.atRest);
    EXPECT_NEAR(frame->points[0].x(), -25.0, 1e-9);  // exactly one step after a second
    EXPECT_LE(std::abs(frame->easedNewest - 80), 100 * 0.002);
    EXPECT_TRUE(miniGraphPaused(samples, true, scroll));
}

TEST(MiniGraphModelTest, ReduceMotionJumpsAndRestsAtOnce) {
    std::vector<double> samples{40, 41, 42};
    MiniGraphScroll scroll;
    miniGraphFrame(samples, kCanvas, 5.0, true, std::nullopt, scroll);
    samples.push_back(60);
    const auto frame = miniGraphFrame(samples, kCanvas, 5.2, true, std::nullopt, scroll);
    EXPECT_EQ(frame->points[0].x(), 0.0);
    EXPECT_EQ(frame->easedNewest, 60.0);
    EXPECT_TRUE(scroll.atRest);
    EXPECT_TRUE(miniGraphPaused(samples, true, scroll));
}

TEST(MiniGraphModelTest, PausedWhenHiddenOrTooShortWhateverTheMotion) {
    std::vector<double> samples{40, 70};
    MiniGraphScroll scroll;
    EXPECT_FALSE(miniGraphPaused(samples, true, scroll));  // the first frame is new data
    EXPECT_TRUE(miniGraphPaused(samples, false, scroll));  // hidden, even while easing
    EXPECT_TRUE(miniGraphPaused(std::vector<double>{40}, true, scroll));
    EXPECT_FALSE(miniGraphFrame(std::vector<double>{40}, kCanvas, 1.0, false, std::nullopt, scroll));
}

TEST(MiniGraphModelTest, NotANumberAsNewestStillComesToRest) {
    std::vector<double> samples{40, 41, kNaN};
    MiniGraphScroll scroll;
    double t = 0;
    std::optional<MiniGraphFrame> frame;
    while (!scroll.atRest && t < 3) frame = miniGraphFrame(samples, kCanvas, t += 1.0 / 30, false, std::nullopt, scroll);
    EXPECT_TRUE(scroll.atRest);
    EXPECT_TRUE(miniGraphPaused(samples, true, scroll));
    EXPECT_EQ(frame->points.back().y(), kCanvas.height());  // drawn at the bottom
}

TEST(MiniGraphModelTest, CubicSegmentsThroughThePoints) {
    const std::vector<QPointF> points{{0, 10}, {10, 0}, {20, 10}, {21, 30}};
    const auto segments = miniGraphSegments(points);
    ASSERT_EQ(segments.size(), 3u);
    // First segment: the missing neighbour repeats the first point.
    EXPECT_EQ(segments[0].control1, QPointF(0, 10) + (QPointF(10, 0) - QPointF(0, 10)) / 6.0);
    EXPECT_EQ(segments[0].control2, QPointF(10, 0) - (QPointF(20, 10) - QPointF(0, 10)) / 6.0);
    EXPECT_EQ(segments[0].end, QPointF(10, 0));
    // Middle: control x held within the pair, y left alone.
    const QPointF c1 = QPointF(10, 0) + (QPointF(20, 10) - QPointF(0, 10)) / 6.0;
    const QPointF c2 = QPointF(20, 10) - (QPointF(21, 30) - QPointF(10, 0)) / 6.0;
    EXPECT_EQ(segments[1].control1, c1);
    EXPECT_EQ(segments[1].control2, c2);
    // Last: the pair is 1 wide; the first control's x is held at its end,
    // its y is not; the repeated last point is the missing neighbour.
    EXPECT_EQ(segments[2].control1, QPointF(21, 10 + 30 / 6.0));
    EXPECT_EQ(segments[2].control2, QPointF(21 - 1 / 6.0, 30 - 20 / 6.0));
    EXPECT_EQ(segments[2].end, QPointF(21, 30));
    EXPECT_TRUE(miniGraphSegments(std::vector<QPointF>{{1, 1}}).empty());
}

TEST(MiniGraphModelTest, SpokenValue) {
    struct Row { std::vector<double> samples; const char* unit; const char* spoken; };
    const Row rows[] = {
        {{}, "°C", "No data"},
        {{45.4}, "°C", "45°C, ranging 45°C to 45°C"},
        {{40.5, 62.49, 51.5}, "°C", "52°C, ranging 41°C to 62°C"},
        {{-0.5, -0.4}, " W", "0 W, ranging -1 W to 0 W"},
        {{30, kNaN}, "%", "30%, ranging 30% to 30%"},
        {{kNaN, kInf}, "%", "No data"},
        {{1e300}, "", "9223372036854775807, ranging 9223372036854775807 to 9223372036854775807"},
    };
    for (const Row& row : rows) EXPECT_EQ(miniGraphAccessibilityValue(row.samples, row.unit), row.spoken);
}

}  // namespace
}  // namespace zephrane::design
