// One control tick's target for the active adaptive profile: the curve (or a
// fixed speed), raised to the proactive floor, then smoothed. Also the
// conversions between a fraction of a fan's speed range and RPM, where 0 is
// the fan's minimum speed (not standstill) and 1 its maximum.
#pragma once

#include <optional>
#include <utility>

#include "shared/EMAFilter.hpp"
#include "shared/FanCurve.hpp"

namespace zephrane {

struct ControlPipeline {
    ControlPipeline(FanCurve curve_, EMAFilter ema_, double proactiveFloor_ = 0,
                    std::optional<double> fixedOverride_ = std::nullopt)
        : curve(std::move(curve_)), ema(ema_), proactiveFloor(proactiveFloor_), fixedOverride(fixedOverride_) {}

    FanCurve curve;
    EMAFilter ema;                        // carries from one tick to the next
    double proactiveFloor = 0;            // fraction; clamped to 0...1 when used
    std::optional<double> fixedOverride;  // fraction; when set the curve is not consulted

    // Fraction 0...1 for temperature `temp` (°C); updates `ema`, so the first
    // call on a fresh filter returns the unsmoothed base. A fixed override
    // ignores the temperature but still respects the floor and the smoothing.
    double targetPercentage(double temp) noexcept;

    // fanMin + p × (fanMax − fanMin) with p clamped to 0...1; keeps its
    // fractional part. Callers pass fanMin <= fanMax. Otherwise: bounds out of
    // order give fanMin, the larger of the two, so a muddled range errs
    // toward cooling; a NaN bound gives NaN (and an infinite one may give NaN
    // or infinity), which the deadband ignores and WritePolicy refuses, so no
    // invented speed reaches a fan.
    static double percentageToRPM(double p, double fanMin, double fanMax) noexcept;

    // Fraction 0...1 of `rpm` within fanMin...fanMax; 0 when the span is not
    // positive or is infinite, or when rpm is not finite.
    static double rpmToPercentage(double rpm, double fanMin, double fanMax) noexcept;
};

}  // namespace zephrane
