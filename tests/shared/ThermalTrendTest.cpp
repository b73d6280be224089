#include "shared/ThermalTrend.hpp"

#include <cmath>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

// `count` samples evenly over `span` seconds, climbing `perMinute` °C per
// minute and ending at `newestTemp`.
std::vector<TrendSample> ramp(int count, double span, double perMinute, double newestTemp) {
    std::vector<TrendSample> samples;
    for (int i = 0; i < count; ++i) {
        double t = 1000 + span * i / (count - 1);
        double temp = newestTemp - perMinute * (1000 + span - t) / 60;
        samples.push_back({t, temp});
    }
    return samples;
}

TEST(ThermalTrend, TooLittleDataIsSteady) {
    EXPECT_EQ(ThermalTrend::fit({}, 90), ThermalTrend::steady());
    EXPECT_EQ(ThermalTrend::fit(ramp(7, 100, 10, 80), 90), ThermalTrend::steady());
    EXPECT_EQ(ThermalTrend::fit(ramp(8, 29, 10, 80), 90), ThermalTrend::steady());
    std::vector<TrendSample> sameTime(10, {5, 60});
    EXPECT_EQ(ThermalTrend::fit(sameTime, 90), ThermalTrend::steady());
}

TEST(ThermalTrend, RisingWithTimeToCeiling) {
    auto trend = ThermalTrend::fit(ramp(8, 70, 1, 85), 90);
    ASSERT_EQ(trend.kind(), ThermalTrend::Kind::rising);
    ASSERT_TRUE(trend.etaMinutes());
    EXPECT_NEAR(*trend.etaMinutes(), 5, 1e-6);

    EXPECT_EQ(ThermalTrend::fit(ramp(8, 70, 1, 92), 90), ThermalTrend::rising(std::nullopt)) << "above ceiling";
    EXPECT_EQ(ThermalTrend::fit(ramp(8, 70, 1, 85), 200), ThermalTrend::rising(std::nullopt)) << "eta past an hour";
}

TEST(ThermalTrend, ThresholdsAreInclusive) {
    // Integer-valued samples keep the fitted rate exact.
    auto exact = [](double perMinute) {
        std::vector<TrendSample> samples;
        for (int i = 0; i < 9; ++i) samples.push_back({i * 15.0, 50 + perMinute * i / 4});
        return ThermalTrend::fit(samples, 1000);
    };
    EXPECT_EQ(exact(0.8).kind(), ThermalTrend::Kind::rising);
    EXPECT_EQ(exact(-0.8), ThermalTrend::cooling());
    EXPECT_EQ(exact(0.79), ThermalTrend::steady());
    EXPECT_EQ(exact(-0.79), ThermalTrend::steady());
}

TEST(ThermalTrend, OnlyTheLastTwoMinutesCountWhateverTheOrder) {
    auto samples = ramp(8, 70, -5, 60);  // cooling
    // Old, very hot readings listed last must not turn the fit around.
    for (int i = 0; i < 20; ++i) samples.push_back({1000 - 121.0 - i, 20});
    EXPECT_EQ(ThermalTrend::fit(samples, 90), ThermalTrend::cooling());
}

TEST(ThermalTrend, NonFiniteInputsGiveSteadyNotGarbage) {
    auto samples = ramp(8, 70, 5, 60);
    samples[3].temp = std::nan("");
    EXPECT_EQ(ThermalTrend::fit(samples, 90), ThermalTrend::steady());

    auto withNaNTime = ramp(8, 70, 5, 60);
    withNaNTime.push_back({std::nan(""), 500});
    EXPECT_EQ(ThermalTrend::fit(withNaNTime, 1000).kind(), ThermalTrend::Kind::rising);
}

}  // namespace
}  // namespace zephrane
