#include "ZephraneApp/DesignSystem/Controls/LinearTrackGeometry.hpp"

#include <cmath>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

TEST(LinearTrackGeometry, HeightSnapsToWholePixels) {
    const struct {
        double height, scale, expected;
    } rows[] = {{3, 2, 3}, {2.3, 2, 2.5}, {2.25, 2, 2.5}, {2.2, 1, 2}, {1.2, 3, 4.0 / 3}, {3, 0, 3}};
    for (const auto& row : rows)
        EXPECT_DOUBLE_EQ(linearTrackGeometry(100, row.height, 0.5, std::nullopt, row.scale).height, row.expected)
            << row.height << " at " << row.scale;
}

TEST(LinearTrackGeometry, FillClampsToTheTrack) {
    const struct {
        double fraction, width;
        long key;
    } rows[] = {{1.4, 200, 200}, {-0.2, 0, 0}, {0.5, 100, 100}, {0.333, 66.6, 67},
                {std::numeric_limits<double>::quiet_NaN(), 0, 0}};
    for (const auto& row : rows) {
        const auto g = linearTrackGeometry(200, 3, row.fraction, std::nullopt, 2);
        EXPECT_DOUBLE_EQ(g.fillWidth, row.width) << row.fraction;
        EXPECT_EQ(g.fillAnimationKey, row.key) << row.fraction;
    }
}

TEST(LinearTrackGeometry, MarkerStaysOnePointInsideTheTrack) {
    const struct {
        double width, target, x;
    } rows[] = {{200, 0, 1}, {200, 1, 199}, {200, -3, 1}, {200, 7, 199}, {200, 0.25, 50}, {200, 0.001, 1},
                {2, 0.9, 1}, {1.5, 0, 0.75}, {0, 0.5, 0}};
    for (const auto& row : rows) {
        const auto g = linearTrackGeometry(row.width, 3, 0.5, row.target, 2);
        ASSERT_TRUE(g.markerCenterX.has_value());
        EXPECT_DOUBLE_EQ(*g.markerCenterX, row.x) << row.width << " / " << row.target;
        EXPECT_EQ(g.markerAnimationKey, std::lround(row.x));
        EXPECT_DOUBLE_EQ(g.markerCenterY, 1.5);
    }
    EXPECT_FALSE(linearTrackGeometry(200, 3, 0.5, std::nullopt, 2).markerCenterX.has_value());
}

}  // namespace
}  // namespace zephrane::design
