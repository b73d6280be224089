#include "shared/FanCurve.hpp"

#include <algorithm>
#include <cmath>
#include <span>

#include "shared/Clamping.hpp"

namespace zephrane {
namespace {

std::vector<CurvePoint> withFreshIds(std::span<const std::pair<double, double>> pairs) {
    std::vector<CurvePoint> points;
    points.reserve(pairs.size());
    for (auto [temperature, fraction] : pairs) points.push_back({Uuid::random(), temperature, fraction});
    return points;
}

}  // namespace

FanCurve::FanCurve(std::vector<CurvePoint> points) : points_(std::move(points)) {
    // Plain `a < b` is not a strict weak order once a NaN temperature shows
    // up, and a sort given such an order is undefined. Placing NaN first keeps
    // the order of every comparable pair exactly as `<` has it, and there the
    // lookup steps over such points: nothing is at or below NaN, and a segment
    // starting at NaN has no positive span, so it answers with its upper end.
    std::stable_sort(points_.begin(), points_.end(), [](const CurvePoint& a, const CurvePoint& b) {
        if (std::isnan(b.temperature)) return false;
        if (std::isnan(a.temperature)) return true;
        return a.temperature < b.temperature;
    });
}

FanCurve::FanCurve(const std::vector<std::pair<double, double>>& pairs) : FanCurve(withFreshIds(pairs)) {}

FanCurve::FanCurve(std::initializer_list<std::pair<double, double>> pairs)
    : FanCurve(withFreshIds({pairs.begin(), pairs.size()})) {}

double FanCurve::rpmPercentage(double at) const noexcept {
    if (points_.empty()) return 0;
    const CurvePoint& first = points_.front();
    const CurvePoint& last = points_.back();
    if (at <= first.temperature) return clampToUnit(first.rpmPercentage);
    if (last.temperature <= at) return clampToUnit(last.rpmPercentage);

    // The upper end of the segment is the first point reaching `at`, so of two
    // points sharing a temperature the earlier one answers at exactly that
    // temperature and the later one starts the next segment.
    for (std::size_t i = 1; i < points_.size(); ++i) {
        const CurvePoint& upper = points_[i];
        if (!(upper.temperature >= at)) continue;
        const CurvePoint& lower = points_[i - 1];
        const double span = upper.temperature - lower.temperature;
        const double position = span > 0 ? (at - lower.temperature) / span : 1.0;
        return clampToUnit(lower.rpmPercentage + position * (upper.rpmPercentage - lower.rpmPercentage));
    }
    // Reached only by a NaN temperature.
    return clampToUnit(last.rpmPercentage);
}

}  // namespace zephrane
