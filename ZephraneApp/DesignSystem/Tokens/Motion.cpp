#include "ZephraneApp/DesignSystem/Tokens/Motion.hpp"

#include <cmath>
#include <numbers>

#include <QPointF>

#include "shared/Saturating.hpp"

namespace zephrane::Theme {
namespace {

constexpr double kRestTolerance = 0.001;

// How far the response can still be from rest at `t`: the decaying envelope
// of the oscillation (or of the critically damped approach).
double envelope(Spring s, double t) {
    const double omega = 2.0 * std::numbers::pi / s.response;
    const double zeta = s.dampingFraction;
    if (zeta >= 1.0) return (1.0 + omega * t) * std::exp(-omega * t);
    return std::exp(-zeta * omega * t) / std::sqrt(1.0 - zeta * zeta);
}

// Searched in 1 ms steps; a spring that has not settled within a minute is
// cut off there rather than searched for ever.
double settleSeconds(Spring s) {
    constexpr double kLongest = 60.0;
    double t = 0;
    while (t < kLongest && !(envelope(s, t) <= kRestTolerance)) t += 0.001;
    return t;
}

// Easing functions must be plain functions; one per spring, each tracing
// its response over its settle time. The small linear term makes the curve
// end exactly at 1, where the traced response is within the tolerance.
template <SpringToken token>
qreal springEasing(qreal progress) {
    static const Spring s = spring(token);
    static const double duration = settleSeconds(s);
    static const double endError = 1.0 - springPosition(s, duration);
    return springPosition(s, progress * duration) + progress * endError;
}

QEasingCurve springCurve(SpringToken token) {
    QEasingCurve curve;
    switch (token) {
        case SpringToken::snappy: curve.setCustomType(&springEasing<SpringToken::snappy>); break;
        case SpringToken::smooth: curve.setCustomType(&springEasing<SpringToken::smooth>); break;
        case SpringToken::bouncy: curve.setCustomType(&springEasing<SpringToken::bouncy>); break;
        case SpringToken::readout: curve.setCustomType(&springEasing<SpringToken::readout>); break;
    }
    return curve;
}

// The standard ease-in-out: a cubic Bézier through (0.42, 0) and (0.58, 1).
QEasingCurve easeInOut() {
    QEasingCurve curve(QEasingCurve::BezierSpline);
    curve.addCubicBezierSegment(QPointF(0.42, 0.0), QPointF(0.58, 1.0), QPointF(1.0, 1.0));
    return curve;
}

}  // namespace

Spring spring(SpringToken token) {
    switch (token) {
        case SpringToken::snappy: return {0.3, 0.82};
        case SpringToken::smooth: return {0.45, 1.0};
        case SpringToken::bouncy: return {0.4, 0.75};
        case SpringToken::readout: return {0.4, 1.0};
    }
    return {0.3, 0.82};
}

double springPosition(Spring s, double seconds) {
    const double omega = 2.0 * std::numbers::pi / s.response;
    const double zeta = s.dampingFraction;
    const double t = seconds;
    if (zeta >= 1.0) return 1.0 - (1.0 + omega * t) * std::exp(-omega * t);
    const double damped = omega * std::sqrt(1.0 - zeta * zeta);
    return 1.0 - std::exp(-zeta * omega * t) *
                     (std::cos(damped * t) + zeta * omega / damped * std::sin(damped * t));
}

std::chrono::milliseconds settleDuration(Spring s) {
    return std::chrono::milliseconds(saturatingCast<std::chrono::milliseconds::rep>(std::ceil(settleSeconds(s) * 1000.0)));
}

MotionSpec motion(SpringToken token, bool reduceMotion) {
    if (reduceMotion) return {kReducedMotionDuration, easeInOut()};
    return {settleDuration(spring(token)), springCurve(token)};
}

}  // namespace zephrane::Theme
