// The thin progress bar's geometry: a track the full width, a fill from
// the leading edge, and an optional upright target marker, all at a height
// snapped to whole device pixels. The bar takes no pointer hits and is
// hidden from assistive technologies (the row around it speaks the value);
// its view only draws what this returns.
#pragma once

#include <optional>

namespace zephrane::design {

struct LinearTrackGeometry {
    static constexpr double kTrackOpacity = 0.12;  // primary colour
    static constexpr double kFillOpacity = 0.55;   // primary colour
    static constexpr double kMarkerOpacity = 0.55; // secondary colour
    static constexpr double kMarkerWidth = 2;
    static constexpr double kMarkerHeight = 7;

    double height = 0;     // points, a whole number of pixels
    double fillWidth = 0;  // points, 0...width
    // The marker's centre, in points from the leading edge and the top.
    std::optional<double> markerCenterX;
    double markerCenterY = 0;
    // Animations run when these change (whole points), not on every
    // sub-point wobble of the values.
    long fillAnimationKey = 0;
    std::optional<long> markerAnimationKey;

    friend bool operator==(const LinearTrackGeometry&, const LinearTrackGeometry&) = default;
};

// `fraction` and `targetFraction` clamp to 0...1 (NaN counts as 0); the
// marker keeps one point inside each end, or sits in the middle of a track
// two points wide or less. A display scale that is not positive counts as 1.
LinearTrackGeometry linearTrackGeometry(double width, double height, double fraction,
                                        std::optional<double> targetFraction, double displayScale);

}  // namespace zephrane::design
