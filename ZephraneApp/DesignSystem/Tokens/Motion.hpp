// The four springs every animation of the app moves with, and the short
// ease-in-out that replaces them all while Reduce Motion is on.
//
// Qt Quick animates along an easing curve over a fixed duration, not with a
// spring, so each spring becomes its step response (position over time of a
// damped spring released from 0 towards 1) traced until it has settled: the
// curve overshoots and rings exactly as the spring would, and the duration
// is how long the spring takes to come to rest.
#pragma once

#include <chrono>

#include <QEasingCurve>

namespace zephrane::Theme {

struct Spring {
    double response;         // seconds per oscillation of the undamped spring
    double dampingFraction;  // 1 is critically damped: no overshoot
};

enum class SpringToken { snappy, smooth, bouncy, readout };

Spring spring(SpringToken token);

// The step response at `seconds` after release: 0 at release, 1 at rest.
double springPosition(Spring s, double seconds);

// From release until the response stays within 0.001 of rest for good.
std::chrono::milliseconds settleDuration(Spring s);

inline constexpr std::chrono::milliseconds kReducedMotionDuration{150};

struct MotionSpec {
    std::chrono::milliseconds duration;
    QEasingCurve easing;
};

// The spring's curve and duration, or the reduced-motion ease-in-out.
MotionSpec motion(SpringToken token, bool reduceMotion);

}  // namespace zephrane::Theme
