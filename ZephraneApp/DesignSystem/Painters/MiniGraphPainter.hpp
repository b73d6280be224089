// Draws one mini graph frame with QPainter: the area fill and its baseline,
// the line (in the tint, or coloured by temperature from the bottom of the
// range to its top) and the newest-point dot. The gradients' colours are
// kept between frames and rebuilt only when the tint or the range changes.
#pragma once

#include <cstddef>
#include <optional>

#include <QColor>
#include <QGradientStops>
#include <QSizeF>

#include "ZephraneApp/DesignSystem/Painters/MiniGraphModel.hpp"

class QPainter;

namespace zephrane::design {

struct MiniGraphStyle {
    QColor tint;
    double lineWidth = 1.5;
    bool showFill = false;
    bool thermal = false;        // readings are °C; the line takes the heat colours
    double displayScale = 1;     // device pixels per point
    QColor baselineColor;        // the primary colour at 0.08
};

class MiniGraphPainter {
public:
    void paint(QPainter& painter, const MiniGraphFrame& frame, QSizeF size, const MiniGraphStyle& style);

    // How often a gradient's colours were built (for tests of the cache).
    std::size_t gradientBuilds() const { return gradientBuilds_; }

private:
    const QGradientStops& fillStops(const QColor& tint);
    const QGradientStops& thermalStops(double lo, double hi);

    std::optional<QColor> cachedFillTint_;
    std::optional<QGradientStops> cachedFillStops_;
    std::optional<double> cachedThermalLo_;
    std::optional<double> cachedThermalHi_;
    std::optional<QGradientStops> cachedThermalStops_;
    std::size_t gradientBuilds_ = 0;
};

}  // namespace zephrane::design
