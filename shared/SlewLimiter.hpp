// Ramps a fan's target toward its goal at a bounded rate, so a new target
// spools the fan up or down audibly smoothly. Keeps no state besides its rate.
#pragma once

#include <cmath>

namespace zephrane {

struct SlewLimiter {
    double ratePerSecond = 0;  // RPM per second; not finite or not positive means no limit

    bool isLimited() const noexcept { return std::isfinite(ratePerSecond) && ratePerSecond > 0; }

    // The next RPM from `current` toward `target` after `dt` seconds. Returns
    // the target itself when unlimited, when dt is not positive (or NaN), or
    // when current is not finite: there is nothing sound to ramp from.
    double step(double current, double target, double dt) const noexcept {
        if (!isLimited() || !(dt > 0) || !std::isfinite(current)) return target;
        const double largestStep = ratePerSecond * dt;
        const double delta = target - current;
        if (delta > largestStep) return current + largestStep;
        if (delta < -largestStep) return current - largestStep;
        return target;
    }

    friend bool operator==(const SlewLimiter&, const SlewLimiter&) = default;
};

}  // namespace zephrane
