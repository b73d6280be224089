// Maps a temperature to a fraction of a fan's speed range by linear
// interpolation between sorted curve points. Flat below the first point and
// above the last; a handful of points, so the lookup is a linear walk.
#pragma once

#include <initializer_list>
#include <utility>
#include <vector>

#include "shared/FanModel.hpp"

namespace zephrane {

class FanCurve {
public:
    // Sorts by ascending temperature, stably: points of equal temperature keep
    // the order given, and each keeps its identity. Callers pass at least two
    // points; fewer is still defined (see rpmPercentage). Points whose
    // temperature is NaN sort before all others and take no part in lookups.
    explicit FanCurve(std::vector<CurvePoint> points);

    // Each (temperature °C, fraction) pair becomes a point with a fresh id.
    explicit FanCurve(const std::vector<std::pair<double, double>>& pairs);
    FanCurve(std::initializer_list<std::pair<double, double>> pairs);

    const std::vector<CurvePoint>& points() const noexcept { return points_; }

    // Fraction 0...1 at temperature `at` (°C). No points give 0, a single
    // point gives its own fraction everywhere; a NaN temperature gives the
    // last point's fraction. A NaN stored in a point can come through as NaN.
    double rpmPercentage(double at) const noexcept;

    friend bool operator==(const FanCurve&, const FanCurve&) = default;

private:
    std::vector<CurvePoint> points_;
};

}  // namespace zephrane
