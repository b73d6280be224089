#include "ZephraneApp/DesignSystem/Painters/PanelShadowItem.hpp"

#include <algorithm>

#include <QPainter>
#include <QQuickWindow>

#include "ZephraneApp/DesignSystem/Painters/PanelShadowImage.hpp"

namespace zephrane::design {

PanelShadowItem::PanelShadowItem(QQuickItem* parent) : QQuickPaintedItem(parent) {}

void PanelShadowItem::setElevation(int elevation) {
    elevation = std::clamp(elevation, 0, 2);
    if (elevation == elevation_) return;
    elevation_ = elevation;
    stale_ = true;
    emit changed();
    update();
}

void PanelShadowItem::setRadius(double radius) {
    if (radius == radius_) return;
    radius_ = radius;
    stale_ = true;
    emit changed();
    update();
}

void PanelShadowItem::setDark(bool dark) {
    if (dark == dark_) return;
    dark_ = dark;
    stale_ = true;
    emit changed();
    update();
}

double PanelShadowItem::margin() const { return kShadowMargin; }

void PanelShadowItem::paint(QPainter* painter) {
    const QSizeF shape(width() - 2 * kShadowMargin, height() - 2 * kShadowMargin);
    const double ratio = window() != nullptr ? window()->effectiveDevicePixelRatio() : 1.0;
    if (stale_ || shape != cachedFor_ || ratio != cachedRatio_) {
        cached_ = sharedPanelShadowImage(shape, radius_, static_cast<Theme::Elevation>(elevation_),
                                   dark_ ? Theme::Appearance::dark : Theme::Appearance::light, ratio);
        cachedFor_ = shape;
        cachedRatio_ = ratio;
        stale_ = false;
    }
    painter->drawImage(QRectF(0, 0, width(), height()), cached_);
}

}  // namespace zephrane::design
