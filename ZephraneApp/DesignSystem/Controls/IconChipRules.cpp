#include "ZephraneApp/DesignSystem/Controls/IconChipRules.hpp"

#include <algorithm>
#include <cmath>

namespace zephrane::design {

double iconChipOpacity(bool hoverReveal, bool hovering, bool focused) {
    if (!hoverReveal) return 1.0;
    return hovering || focused ? kIconChipRevealedOpacity : kIconChipDimmedOpacity;
}

std::optional<QColor> iconChipFill(IconChipStyle style, Theme::Appearance appearance) {
    if (style == IconChipStyle::bare) return std::nullopt;
    return Theme::systemColor(Theme::SystemColor::quaternaryFill).resolve(appearance);
}

bool iconChipContains(QSizeF size, QPointF point) {
    const double w = size.width();
    const double h = size.height();
    if (!(point.x() >= 0 && point.y() >= 0 && point.x() <= w && point.y() <= h)) return false;
    const double r = std::clamp(IconChipMetrics::kCornerRadius, 0.0, std::min(w, h) / 2);
    // Inside unless in a corner square and beyond that corner's arc.
    const double cx = std::clamp(point.x(), r, w - r);
    const double cy = std::clamp(point.y(), r, h - r);
    return std::hypot(point.x() - cx, point.y() - cy) <= r;
}

}  // namespace zephrane::design
