#include "ZephraneApp/DesignSystem/Controls/LinearTrackGeometry.hpp"

#include <algorithm>
#include <cmath>

namespace zephrane::design {
namespace {

double clampedFraction(double fraction) {
    if (!(fraction > 0)) return 0;  // also NaN
    return std::min(fraction, 1.0);
}

}  // namespace

LinearTrackGeometry linearTrackGeometry(double width, double height, double fraction,
                                        std::optional<double> targetFraction, double displayScale) {
    const double scale = displayScale > 0 ? displayScale : 1.0;
    LinearTrackGeometry geometry;
    geometry.height = std::round(height * scale) / scale;
    geometry.fillWidth = width * clampedFraction(fraction);
    geometry.fillAnimationKey = std::lround(geometry.fillWidth);
    geometry.markerCenterY = geometry.height / 2;
    if (targetFraction) {
        const double x = width <= 2 ? width / 2 : std::clamp(width * clampedFraction(*targetFraction), 1.0, width - 1);
        geometry.markerCenterX = x;
        geometry.markerAnimationKey = std::lround(x);
    }
    return geometry;
}

}  // namespace zephrane::design
