// The spinning symbol's motion: a requested angular speed that the symbol
// approaches with a 0.25 s time constant, so it winds up and runs down like
// a fan instead of jumping. The phase is stepped by the frames that draw the
// symbol; between frames nothing runs, and a symbol at rest, under Reduce
// Motion, or out of sight draws no frames at all.
#pragma once

#include <chrono>
#include <optional>

namespace zephrane::design {

struct SpinnerPhase {
    double angle = 0;                // radians, kept in [0, 2π)
    double velocity = 0;             // radians per second actually applied
    std::optional<double> lastTime;  // seconds, of the last frame; none before the first
    friend bool operator==(const SpinnerPhase&, const SpinnerPhase&) = default;
};

// Below 0.25 rad/s a requested speed means "stop". So does one that is not
// a finite number.
double spinnerTargetVelocity(double angularVelocity);

// Between frames: about 0.06 rad of turn per frame, at most 12 frames a
// second and at least 2 while it runs.
std::chrono::duration<double> spinnerFrameInterval(double angularVelocity, const SpinnerPhase& phase);

// No frames under Reduce Motion, nor once the symbol is asked to stop and
// has all but stopped.
bool spinnerPaused(double angularVelocity, const SpinnerPhase& phase, bool reduceMotion);

// One frame at `nowSeconds`: advances the phase (by at most 0.1 s however
// long the gap since the last frame; by nothing on the first frame) and
// returns the angle to draw. Under Reduce Motion the symbol stands at its
// angle with no speed, and resumes from there when the setting goes off.
double stepSpinner(SpinnerPhase& phase, double nowSeconds, double angularVelocity, bool reduceMotion);

}  // namespace zephrane::design
