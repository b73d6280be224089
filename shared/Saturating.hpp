// Double-to-integer conversions that are defined for every input. A plain
// static_cast of NaN or of a value outside the target's range is undefined
// behaviour; here NaN becomes 0 and out-of-range values stick to the nearest
// bound.
#pragma once

#include <cmath>
#include <concepts>
#include <limits>

namespace zephrane {

// Truncates toward zero, like static_cast, where the value fits.
template <std::integral I>
constexpr I saturatingCast(double value) noexcept {
    if (value != value) return 0;  // NaN
    // 2^digits is the first value past the maximum and is exact in a double;
    // the maximum itself may not be (INT64_MAX rounds up to 2^63).
    constexpr double upperExclusive = [] {
        double p = 1.0;
        for (int i = 0; i < std::numeric_limits<I>::digits; ++i) p *= 2.0;
        return p;
    }();
    constexpr double lower = static_cast<double>(std::numeric_limits<I>::min());
    if (value >= upperExclusive) return std::numeric_limits<I>::max();
    if (value <= lower) return std::numeric_limits<I>::min();
    return static_cast<I>(value);
}

// Rounds to the nearest integer, halves away from zero, then saturates.
template <std::integral I>
I saturatingRound(double value) noexcept {
    return saturatingCast<I>(std::round(value));
}

}  // namespace zephrane
