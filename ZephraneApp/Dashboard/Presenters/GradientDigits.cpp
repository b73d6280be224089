#include "ZephraneApp/Dashboard/Presenters/GradientDigits.hpp"

#include <algorithm>
#include <cmath>

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>

#include "shared/Saturating.hpp"

namespace zephrane::dashboard {

GradientDigits::GradientDigits(QQuickItem* parent) : QQuickPaintedItem(parent) {
    setAntialiasing(true);
    remeasure();
}

void GradientDigits::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    remeasure();
    emit textChanged();
}

void GradientDigits::setFont(const QFont& font) {
    if (font == font_) return;
    font_ = font;
    remeasure();
    emit fontChanged();
}

void GradientDigits::setTopColor(const QColor& color) {
    if (color == top_) return;
    top_ = color;
    update();
    emit colorsChanged();
}

void GradientDigits::setBottomColor(const QColor& color) {
    if (color == bottom_) return;
    bottom_ = color;
    update();
    emit colorsChanged();
}

void GradientDigits::setMinimumScale(double scale) {
    if (scale == minimumScale_) return;
    minimumScale_ = scale;
    update();
    emit fitChanged();
}

double GradientDigits::shownScale() const {
    if (fullWidth_ <= 0 || width() >= fullWidth_) return 1.0;
    return std::clamp(width() / fullWidth_, std::min(minimumScale_, 1.0), 1.0);
}

void GradientDigits::remeasure() {
    const QFontMetricsF metrics(font_);
    fullWidth_ = metrics.horizontalAdvance(text_);
    // Whole pixels, as layouts hand out: a width they round keeps the text whole.
    setImplicitSize(std::ceil(fullWidth_), std::ceil(metrics.height()));
    setBaselineOffset(metrics.ascent());
    update();
    emit fitChanged();
}

void GradientDigits::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width()) emit fitChanged();
}

void GradientDigits::paint(QPainter* painter) {
    const double scale = shownScale();
    QFont font = font_;
    if (scale < 1.0) {
        if (font_.pixelSize() > 0) font.setPixelSize(std::max(1, saturatingRound<int>(font_.pixelSize() * scale)));
        else font.setPointSizeF(font_.pointSizeF() * scale);
    }
    // From the bottom edge of the line to its top edge.
    QLinearGradient fill(0, height(), 0, 0);
    fill.setColorAt(0, bottom_);
    fill.setColorAt(1, top_);
    painter->setFont(font);
    painter->setPen(QPen(QBrush(fill), 0));
    painter->drawText(QPointF(0, QFontMetricsF(font_).ascent()), text_);
}

}  // namespace zephrane::dashboard
