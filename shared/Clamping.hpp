// The one clamping rule of the fan-control math: a value at or below the
// lower bound becomes the lower bound, a value above the upper bound becomes
// the upper bound, and not-a-number passes through untouched. std::clamp is
// not a substitute: it requires lower <= upper and says nothing useful about
// NaN, and callers here rely on NaN staying visible to the next stage.
#pragma once

namespace zephrane {

constexpr double clampKeepingNaN(double value, double lower, double upper) noexcept {
    if (value <= lower) return lower;
    if (value > upper) return upper;
    return value;
}

constexpr double clampToUnit(double value) noexcept { return clampKeepingNaN(value, 0.0, 1.0); }

}  // namespace zephrane
