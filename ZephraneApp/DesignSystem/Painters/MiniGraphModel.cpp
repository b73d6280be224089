#include "ZephraneApp/DesignSystem/Painters/MiniGraphModel.hpp"

#include <algorithm>
#include <cmath>

#include "shared/Saturating.hpp"

namespace zephrane::design {
namespace {

constexpr double kSmallestSpan = 0.000001;
constexpr double kNarrowestAutoRange = 4;
constexpr double kRestFraction = 0.002;

struct Extremes {
    double lowest;
    double highest;
};

std::optional<Extremes> finiteExtremes(std::span<const double> samples) {
    std::optional<Extremes> found;
    for (double v : samples) {
        if (!std::isfinite(v)) continue;
        if (!found) found = Extremes{v, v};
        found->lowest = std::min(found->lowest, v);
        found->highest = std::max(found->highest, v);
    }
    return found;
}

// Two readings are the same reading when equal, or both not a number.
bool sameReading(double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool hasNewReading(std::span<const double> samples, const MiniGraphScroll& scroll) {
    return !scroll.lastSampleTime || static_cast<std::int64_t>(samples.size()) != scroll.lastCount ||
           !scroll.lastRawValue || !sameReading(samples.back(), *scroll.lastRawValue);
}

// Into [0, height]; not-a-number at the bottom.
double clampY(double y, double height) {
    if (!(y > 0.0)) return std::isnan(y) ? height : 0.0;
    return std::min(y, height);
}

std::string spoken(double value, std::string_view unit) {
    return std::to_string(saturatingRound<std::int64_t>(value)) + std::string(unit);
}

}  // namespace

VerticalRange miniGraphVerticalRange(std::span<const double> samples, std::optional<MiniGraphRange> fixed) {
    double lo = 0;
    double hi = 0;
    if (fixed) {
        lo = fixed->lo;
        hi = fixed->hi;
    } else {
        const Extremes e = finiteExtremes(samples).value_or(Extremes{0, 0});
        lo = e.lowest;
        hi = e.highest;
        if (hi - lo < kNarrowestAutoRange) {
            const double middle = (lo + hi) / 2;
            lo = middle - kNarrowestAutoRange / 2;
            hi = middle + kNarrowestAutoRange / 2;
        }
        lo = std::floor(lo);
        hi = std::ceil(hi);
    }
    return {lo, hi, std::max(hi - lo, kSmallestSpan)};
}

bool miniGraphPaused(std::span<const double> samples, bool mainWindowVisible, const MiniGraphScroll& scroll) {
    if (samples.size() < 2 || !mainWindowVisible) return true;
    if (hasNewReading(samples, scroll)) return false;
    return scroll.atRest;
}

double easeNewest(MiniGraphScroll& scroll, double now, double newest) {
    if (!scroll.displayedNewest || !std::isfinite(*scroll.displayedNewest) || !std::isfinite(newest)) {
        // Nothing to ease from (or towards): the point jumps.
        scroll.displayedNewest = newest;
        scroll.lastEaseTime.reset();
        return newest;
    }
    const double dt = scroll.lastEaseTime ? now - *scroll.lastEaseTime : 0.0;
    scroll.lastEaseTime = now;
    const double k = dt > 0 ? std::min(1.0, 1.0 - std::exp(-10.0 * std::min(dt, 0.1))) : 0.0;
    *scroll.displayedNewest += (newest - *scroll.displayedNewest) * k;
    return *scroll.displayedNewest;
}

std::optional<MiniGraphFrame> miniGraphFrame(std::span<const double> samples, QSizeF size, double now,
                                             bool reduceMotion, std::optional<MiniGraphRange> fixed,
                                             MiniGraphScroll& scroll) {
    if (samples.size() < 2) return std::nullopt;
    MiniGraphFrame frame;
    frame.range = miniGraphVerticalRange(samples, fixed);
    const double newest = samples.back();
    if (hasNewReading(samples, scroll)) {
        scroll.lastSampleTime = now;
        scroll.lastCount = static_cast<std::int64_t>(samples.size());
        scroll.lastRawValue = newest;
    }

    double progress = 0;
    if (reduceMotion) {
        scroll.displayedNewest = newest;
        frame.easedNewest = newest;
        scroll.atRest = true;
    } else {
        progress = std::clamp(now - *scroll.lastSampleTime, 0.0, 1.0);
        frame.easedNewest = easeNewest(scroll, now, newest);
        scroll.atRest = progress >= 1.0 && scroll.displayedNewest &&
                        (sameReading(*scroll.displayedNewest, newest) ||
                         std::abs(*scroll.displayedNewest - newest) <= frame.range.span * kRestFraction);
    }

    const double width = size.width();
    const double height = size.height();
    const double step = width / static_cast<double>(samples.size() - 1);
    const double offset = step * progress;
    frame.points.reserve(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double v = i + 1 == samples.size() ? frame.easedNewest : samples[i];
        const double y = height * (1.0 - (v - frame.range.lo) / frame.range.span);
        frame.points.emplace_back(step * static_cast<double>(i) - offset, clampY(y, height));
    }
    return frame;
}

std::vector<CubicSegment> miniGraphSegments(std::span<const QPointF> points) {
    std::vector<CubicSegment> segments;
    if (points.size() < 2) return segments;
    segments.reserve(points.size() - 1);
    const auto at = [&](std::ptrdiff_t i) {
        const auto last = static_cast<std::ptrdiff_t>(points.size()) - 1;
        return points[static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(i, 0, last))];
    };
    for (std::ptrdiff_t i = 0; i + 1 < static_cast<std::ptrdiff_t>(points.size()); ++i) {
        const QPointF prev = at(i - 1), start = at(i), end = at(i + 1), next = at(i + 2);
        QPointF c1 = start + (end - prev) / 6.0;
        QPointF c2 = end - (next - start) / 6.0;
        const double left = std::min(start.x(), end.x());
        const double right = std::max(start.x(), end.x());
        c1.setX(std::clamp(c1.x(), left, right));
        c2.setX(std::clamp(c2.x(), left, right));
        segments.push_back({c1, c2, end});
    }
    return segments;
}

std::string miniGraphAccessibilityValue(std::span<const double> samples, std::string_view unit) {
    const auto extremes = finiteExtremes(samples);
    if (!extremes) return "No data";
    const auto newest = std::find_if(samples.rbegin(), samples.rend(), [](double v) { return std::isfinite(v); });
    return spoken(*newest, unit) + ", ranging " + spoken(extremes->lowest, unit) + " to " +
           spoken(extremes->highest, unit);
}

}  // namespace zephrane::design
