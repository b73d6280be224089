#include "ZephraneApp/DesignSystem/Painters/FanGlyph.hpp"

#include <QTransform>

namespace zephrane::design {
namespace {

constexpr double kBox = 24;  // the path's design box
constexpr int kBlades = 5;

// One blade pointing up from the centre, swept clockwise.
QPainterPath blade() {
    QPainterPath p(QPointF(-1.9, -2.1));
    p.cubicTo(QPointF(-4.4, -6.6), QPointF(-1.6, -11.2), QPointF(3.4, -10.4));
    p.cubicTo(QPointF(6.0, -8.8), QPointF(3.6, -4.9), QPointF(1.9, -1.9));
    p.closeSubpath();
    return p;
}

QPainterPath fanInDesignBox() {
    QPainterPath fan;
    fan.setFillRule(Qt::WindingFill);
    const QPainterPath one = blade();
    for (int i = 0; i < kBlades; ++i) fan.addPath(QTransform().rotate(360.0 / kBlades * i).map(one));
    QPainterPath hub;
    hub.addEllipse(QPointF(0, 0), 3.2, 3.2);
    QPainterPath hole;
    hole.addEllipse(QPointF(0, 0), 1.2, 1.2);
    return fan.united(hub).subtracted(hole).translated(kBox / 2, kBox / 2);
}

}  // namespace

QPainterPath fanGlyphPath(double size) {
    static const QPainterPath designed = fanInDesignBox();
    return QTransform::fromScale(size / kBox, size / kBox).map(designed);
}

}  // namespace zephrane::design
