// One fan's committed RPM target, moved only by a large enough step. A fan
// speeds up on a smaller step than it slows down on, so the target does not
// chase small temperature wiggles while still reacting quickly to heat.
#pragma once

#include <cmath>
#include <optional>

namespace zephrane {

class TargetDeadband {
public:
    static constexpr double risingThreshold = 50.0;    // RPM; a rise of this much or more commits
    static constexpr double fallingThreshold = 150.0;  // RPM; a fall of this much or more commits

    // Only a finite value is ever committed; anything else starts empty, as
    // a NaN here would otherwise refuse every later step.
    explicit TargetDeadband(std::optional<double> committed = std::nullopt) noexcept {
        if (committed && std::isfinite(*committed)) hold(*committed);
    }

    // RPM; none until the first finite commit.
    std::optional<double> committed() const noexcept {
        return holding_ ? std::optional<double>(held_) : std::nullopt;
    }

    // The committed RPM after the call. A non-finite desired value changes
    // nothing and comes back as is when nothing is committed yet.
    double commit(double desired) noexcept {
        if (!holding_) {
            if (std::isfinite(desired)) hold(desired);
            return desired;
        }
        if (!std::isfinite(desired)) return held_;
        const double delta = desired - held_;
        if (delta >= risingThreshold || delta <= -fallingThreshold) hold(desired);
        return held_;
    }

    void reset() noexcept {
        holding_ = false;
        held_ = 0;
    }

    friend bool operator==(const TargetDeadband&, const TargetDeadband&) = default;

private:
    void hold(double rpm) noexcept {
        held_ = rpm;
        holding_ = true;
    }

    // A flag beside a plain double rather than std::optional: GCC's
    // -Wmaybe-uninitialized misfires on optional<double> once commit() is
    // inlined into a loop. held_ is 0 whenever holding_ is false, so the
    // defaulted equality is the equality of the committed values.
    double held_ = 0;
    bool holding_ = false;
};

}  // namespace zephrane
