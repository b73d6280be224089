#include "shared/ThermalTrend.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

namespace zephrane {
namespace {

constexpr double kWindowSeconds = 120;
constexpr std::size_t kMinimumSamples = 8;  // seven or fewer tell nothing
constexpr double kMinimumSpanSeconds = 30;
constexpr double kRateThreshold = 0.8;  // °C per minute
constexpr double kMaxEtaMinutes = 60;

}  // namespace

ThermalTrend ThermalTrend::fit(std::span<const TrendSample> samples, double ceiling) {
    // The newest time stamp anchors the window. A NaN time stamp belongs to
    // no window, so it must not become the anchor either.
    std::optional<double> newest;
    for (const auto& s : samples)
        if (!std::isnan(s.t) && (!newest || s.t > *newest)) newest = s.t;
    if (!newest) return steady();

    std::vector<TrendSample> window;
    for (const auto& s : samples)
        if (s.t >= *newest - kWindowSeconds) window.push_back(s);
    std::stable_sort(window.begin(), window.end(), [](const auto& a, const auto& b) { return a.t < b.t; });

    if (window.size() < kMinimumSamples) return steady();
    if (window.back().t - window.front().t < kMinimumSpanSeconds) return steady();

    const auto n = static_cast<double>(window.size());
    double meanT = 0, meanTemp = 0;
    for (const auto& s : window) {
        meanT += s.t;
        meanTemp += s.temp;
    }
    meanT /= n;
    meanTemp /= n;
    double sxy = 0, sxx = 0;
    for (const auto& s : window) {
        sxy += (s.t - meanT) * (s.temp - meanTemp);
        sxx += (s.t - meanT) * (s.t - meanT);
    }
    if (!(sxx > 0)) return steady();
    const double rate = sxy / sxx * 60;

    if (rate >= kRateThreshold) {
        const double headroom = ceiling - window.back().temp;
        std::optional<double> eta;
        if (headroom > 0) {
            double minutes = headroom / rate;
            if (minutes > 0 && minutes <= kMaxEtaMinutes) eta = minutes;
        }
        return rising(eta);
    }
    if (rate <= -kRateThreshold) return cooling();
    return steady();
}

}  // namespace zephrane
