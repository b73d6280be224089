// The mini graph's geometry and motion, apart from any drawing: the vertical
// range, where each reading sits on a frame while a new one scrolls in and
// the newest point eases towards its value, the curve through the points,
// when the graph may stop drawing, and what a screen reader says about it.
//
// Time is seconds on one steady clock. The bookkeeping lives in
// `MiniGraphScroll`, changed by each frame; readings that are not finite
// numbers are kept in place but never count as a reading (not in the range,
// not spoken).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <QPointF>
#include <QSizeF>

namespace zephrane::design {

struct MiniGraphScroll {
    std::optional<double> lastSampleTime;  // when the newest reading was first drawn
    std::int64_t lastCount = -1;           // not 0: the first frame always counts as new data
    std::optional<double> lastRawValue;
    std::optional<double> displayedNewest;  // the eased newest value
    std::optional<double> lastEaseTime;
    bool atRest = false;
};

struct MiniGraphRange {
    double lo;
    double hi;
};

struct VerticalRange {
    double lo;
    double hi;
    double span;  // hi - lo, at least 0.000001
};

// The given range, else the readings' own, widened to at least 4 around
// its middle and rounded outwards to whole numbers.
VerticalRange miniGraphVerticalRange(std::span<const double> samples, std::optional<MiniGraphRange> fixed);

// Whether frames may stop: fewer than two readings, or the main window
// hidden; otherwise only once at rest with no new reading since.
bool miniGraphPaused(std::span<const double> samples, bool mainWindowVisible, const MiniGraphScroll& scroll);

// One easing step of the newest point towards `newest`: a first-order
// approach with a 0.1 s time constant, advanced by at most 0.1 s a frame.
double easeNewest(MiniGraphScroll& scroll, double now, double newest);

struct MiniGraphFrame {
    std::vector<QPointF> points;  // one per reading, oldest first
    VerticalRange range;
    double easedNewest = 0;
};

// One frame at `now` on a canvas of `size`; none (nothing drawn) with fewer
// than two readings. Updates the bookkeeping, `atRest` included.
std::optional<MiniGraphFrame> miniGraphFrame(std::span<const double> samples, QSizeF size, double now,
                                             bool reduceMotion, std::optional<MiniGraphRange> fixed,
                                             MiniGraphScroll& scroll);

// The smooth curve through the points: one cubic segment per neighbouring
// pair, its control points a sixth of the way along the neighbours' chord,
// held horizontally within the pair so the curve never doubles back.
struct CubicSegment {
    QPointF control1;
    QPointF control2;
    QPointF end;
    friend bool operator==(const CubicSegment&, const CubicSegment&) = default;
};
std::vector<CubicSegment> miniGraphSegments(std::span<const QPointF> points);

// "No data", or the newest reading rounded with its unit, then ", ranging"
// lowest "to" highest; the unit follows each number directly.
std::string miniGraphAccessibilityValue(std::span<const double> samples, std::string_view unit);

}  // namespace zephrane::design
