#include "ZephraneApp/DesignSystem/Painters/SpinnerPhysics.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace zephrane::design {
namespace {

constexpr double kStopBelow = 0.25;   // rad/s requested
constexpr double kRestBelow = 0.01;   // rad/s applied
constexpr double kLongestStep = 0.1;  // s

bool asksToStop(double angularVelocity) { return !(angularVelocity >= kStopBelow) || !std::isfinite(angularVelocity); }

}  // namespace

double spinnerTargetVelocity(double angularVelocity) { return asksToStop(angularVelocity) ? 0.0 : angularVelocity; }

std::chrono::duration<double> spinnerFrameInterval(double angularVelocity, const SpinnerPhase& phase) {
    const double speed = std::max(spinnerTargetVelocity(angularVelocity), phase.velocity);
    if (!(speed > std::numeric_limits<double>::epsilon())) return std::chrono::duration<double>(0.5);
    return std::chrono::duration<double>(std::clamp(0.06 / speed, 1.0 / 12.0, 0.5));
}

bool spinnerPaused(double angularVelocity, const SpinnerPhase& phase, bool reduceMotion) {
    return reduceMotion || (asksToStop(angularVelocity) && phase.velocity < kRestBelow);
}

double stepSpinner(SpinnerPhase& phase, double nowSeconds, double angularVelocity, bool reduceMotion) {
    if (reduceMotion) {
        phase.lastTime.reset();
        phase.velocity = 0;
        return phase.angle;
    }
    const double elapsed = phase.lastTime ? nowSeconds - *phase.lastTime : 0.0;
    const double dt = std::clamp(std::isnan(elapsed) ? 0.0 : elapsed, 0.0, kLongestStep);
    phase.lastTime = nowSeconds;
    const double target = spinnerTargetVelocity(angularVelocity);
    phase.velocity += std::min(1.0, 1.0 - std::exp(-4.0 * dt)) * (target - phase.velocity);
    if (asksToStop(angularVelocity) && phase.velocity < kRestBelow) phase.velocity = 0;
    phase.angle = std::fmod(phase.angle + dt * phase.velocity, 2.0 * std::numbers::pi);
    return phase.angle;
}

}  // namespace zephrane::design
