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

// The same rule for any ordered type: max with the lower bound, then min with
// the upper one. Both comparisons leave the value in place when it is
// unordered, so NaN still passes through; equal bounds give that bound.
template <class T>
constexpr T clamped(const T& value, const T& lower, const T& upper) {
    const T& raised = lower > value ? lower : value;
    return upper < raised ? upper : raised;
}

}  // namespace zephrane
