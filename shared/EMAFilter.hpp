// Exponential smoothing of successive target fractions, so one hot sample
// does not jerk the fans. The state survives between control ticks for as
// long as its owner keeps the same filter.
#pragma once

#include <cmath>
#include <optional>

#include "shared/Clamping.hpp"

namespace zephrane {

class EMAFilter {
public:
    // Weight of the newest sample, 0.05...1.0. A NaN weight would turn every
    // smoothed value after the first into NaN, with no reset curing it, so
    // it is taken as 1.0: no smoothing.
    static constexpr double kMinAlpha = 0.05;
    static constexpr double kMaxAlpha = 1.0;

    explicit EMAFilter(double alpha) noexcept : alpha_(storedAlpha(alpha)) {}

    double alpha() const noexcept { return alpha_; }
    // Keeps the smoothed value; only reset() forgets it.
    void setAlpha(double alpha) noexcept { alpha_ = storedAlpha(alpha); }

    // None until the first sample.
    std::optional<double> value() const noexcept { return primed_ ? std::optional<double>(value_) : std::nullopt; }

    // The first sample passes through unchanged. No test is made on the
    // sample: a non-finite one is kept and carries into later results until
    // reset().
    double update(double raw) noexcept {
        value_ = primed_ ? raw * alpha_ + value_ * (1.0 - alpha_) : raw;
        primed_ = true;
        return value_;
    }

    void reset() noexcept {
        primed_ = false;
        value_ = 0;
    }

private:
    static constexpr double storedAlpha(double alpha) noexcept {
        return alpha != alpha ? kMaxAlpha : clampKeepingNaN(alpha, kMinAlpha, kMaxAlpha);
    }

    double alpha_;
    // A flag beside a plain double rather than std::optional: GCC's
    // -Wmaybe-uninitialized misfires on optional<double> once update() is
    // inlined.
    double value_ = 0;
    bool primed_ = false;
};

}  // namespace zephrane
