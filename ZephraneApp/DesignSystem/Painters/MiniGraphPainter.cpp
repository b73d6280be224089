#include "ZephraneApp/DesignSystem/Painters/MiniGraphPainter.hpp"

#include <algorithm>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include "ZephraneApp/DesignSystem/Tokens/HeatColors.hpp"

namespace zephrane::design {
namespace {

QColor withOpacity(QColor c, double opacity) {
    c.setAlphaF(static_cast<float>(c.alphaF() * opacity));
    return c;
}

void addSegments(QPainterPath& path, const std::vector<CubicSegment>& segments) {
    for (const CubicSegment& s : segments) path.cubicTo(s.control1, s.control2, s.end);
}

}  // namespace

const QGradientStops& MiniGraphPainter::fillStops(const QColor& tint) {
    if (cachedFillTint_ != tint || !cachedFillStops_) {
        ++gradientBuilds_;
        cachedFillTint_ = tint;
        cachedFillStops_ = QGradientStops{{0.0, withOpacity(tint, 0.32)}, {1.0, withOpacity(tint, 0.02)}};
    }
    return *cachedFillStops_;
}

const QGradientStops& MiniGraphPainter::thermalStops(double lo, double hi) {
    if (cachedThermalLo_ != lo || cachedThermalHi_ != hi || !cachedThermalStops_) {
        ++gradientBuilds_;
        cachedThermalLo_ = lo;
        cachedThermalHi_ = hi;
        cachedThermalStops_ = QGradientStops{{0.0, Theme::temperatureColor(lo)}, {1.0, Theme::temperatureColor(hi)}};
    }
    return *cachedThermalStops_;
}

void MiniGraphPainter::paint(QPainter& painter, const MiniGraphFrame& frame, QSizeF size, const MiniGraphStyle& style) {
    if (frame.points.size() < 2) return;
    const double width = size.width();
    const double height = size.height();
    const QPointF first = frame.points.front();
    const QPointF last = frame.points.back();
    const std::vector<CubicSegment> segments = miniGraphSegments(frame.points);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setClipRect(QRectF(0, 0, width, height));

    if (style.showFill) {
        QPainterPath area(QPointF(first.x(), height));
        area.lineTo(first);
        addSegments(area, segments);
        area.lineTo(last.x(), height);
        area.closeSubpath();
        QLinearGradient fill(0, 0, 0, height);
        fill.setStops(fillStops(style.tint));
        painter.fillPath(area, fill);

        const double hairline = 1.0 / std::max(style.displayScale, 1.0);
        painter.setPen(QPen(style.baselineColor, hairline));
        painter.drawLine(QPointF(0, height - hairline / 2), QPointF(width, height - hairline / 2));
    }

    QPainterPath line(first);
    addSegments(line, segments);
    QPen pen;
    if (style.thermal) {
        QLinearGradient heat(0, height, 0, 0);
        heat.setStops(thermalStops(frame.range.lo, frame.range.hi));
        pen.setBrush(heat);
    } else {
        pen.setColor(style.tint);
    }
    pen.setWidthF(style.lineWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setMiterLimit(10);
    painter.strokePath(line, pen);

    const QColor dot = style.thermal ? Theme::temperatureColor(frame.easedNewest) : style.tint;
    painter.setPen(Qt::NoPen);
    painter.setBrush(dot);
    painter.drawEllipse(QPointF(std::min(last.x(), width), last.y()), 1.5, 1.5);
    painter.restore();
}

}  // namespace zephrane::design
