#include "ZephraneApp/DesignSystem/Painters/MiniGraphCanvas.hpp"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include <QPainter>
#include <QQuickWindow>

#include "ZephraneApp/DesignSystem/Controls/OnScreen.hpp"

namespace zephrane::design {

MiniGraphCanvas::MiniGraphCanvas(QQuickItem* parent) : QQuickPaintedItem(parent), onScreen_(new OnScreen(this)) {
    setAntialiasing(true);
    style_.tint = Qt::black;
    timer_.setInterval(kFrameIntervalMs);
    connect(&timer_, &QTimer::timeout, this, &MiniGraphCanvas::frame);
    connect(onScreen_, &OnScreen::changed, this, &MiniGraphCanvas::reconsider);
}

void MiniGraphCanvas::setSamples(std::vector<double> samples) {
    const bool same = samples.size() == samples_.size() &&
                      std::equal(samples.begin(), samples.end(), samples_.begin(),
                                 [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); });
    if (same) return;
    samples_ = std::move(samples);
    emit samplesChanged();
    emit accessibilityValueChanged();
    reconsider();
}

QVariantList MiniGraphCanvas::sampleList() const {
    QVariantList list;
    list.reserve(static_cast<qsizetype>(samples_.size()));
    for (double v : samples_) list << v;
    return list;
}

void MiniGraphCanvas::setSampleList(const QVariantList& samples) {
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(samples.size()));
    for (const QVariant& v : samples) {
        bool ok = false;
        const double value = v.toDouble(&ok);
        values.push_back(ok ? value : std::numeric_limits<double>::quiet_NaN());
    }
    setSamples(std::move(values));
}

void MiniGraphCanvas::setTint(const QColor& tint) {
    if (tint == style_.tint) return;
    style_.tint = tint;
    emit styleChanged();
    update();
}

void MiniGraphCanvas::setLineWidth(double width) {
    if (width == style_.lineWidth) return;
    style_.lineWidth = width;
    emit styleChanged();
    update();
}

void MiniGraphCanvas::setShowFill(bool show) {
    if (show == style_.showFill) return;
    style_.showFill = show;
    emit styleChanged();
    update();
}

void MiniGraphCanvas::setThermal(bool thermal) {
    if (thermal == style_.thermal) return;
    style_.thermal = thermal;
    emit styleChanged();
    update();
}

void MiniGraphCanvas::setDark(bool dark) {
    if (dark == dark_) return;
    dark_ = dark;
    emit styleChanged();
    update();
}

void MiniGraphCanvas::setHasRange(bool has) {
    if (has == hasRange_) return;
    hasRange_ = has;
    emit rangeChanged();
    redraw();
}

void MiniGraphCanvas::setRangeLow(double low) {
    if (low == rangeLow_) return;
    rangeLow_ = low;
    emit rangeChanged();
    redraw();
}

void MiniGraphCanvas::setRangeHigh(double high) {
    if (high == rangeHigh_) return;
    rangeHigh_ = high;
    emit rangeChanged();
    redraw();
}

void MiniGraphCanvas::setUnit(const QString& unit) {
    if (unit == unit_) return;
    unit_ = unit;
    emit unitChanged();
    emit accessibilityValueChanged();
}

void MiniGraphCanvas::setReduceMotion(bool reduceMotion) {
    if (reduceMotion == reduceMotion_) return;
    reduceMotion_ = reduceMotion;
    emit reduceMotionChanged();
    reconsider();
}

void MiniGraphCanvas::setMainWindowVisible(bool visible) {
    if (visible == mainWindowVisible_) return;
    mainWindowVisible_ = visible;
    emit mainWindowVisibleChanged();
    reconsider();
}

QString MiniGraphCanvas::accessibilityValue() const {
    return QString::fromStdString(miniGraphAccessibilityValue(samples_, unit_.toStdString()));
}

std::optional<MiniGraphRange> MiniGraphCanvas::fixedRange() const {
    if (!hasRange_) return std::nullopt;
    return MiniGraphRange{rangeLow_, rangeHigh_};
}

void MiniGraphCanvas::frame() {
    frame_ = miniGraphFrame(samples_, size(), clock_(), reduceMotion_, fixedRange(), scroll_);
    ++frames_;
    update();
    reconsider();
}

void MiniGraphCanvas::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickPaintedItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.size() != oldGeometry.size()) redraw();
}

// The layout changed under a graph that may be at rest: one frame, if seen.
void MiniGraphCanvas::redraw() {
    if (onScreen_->onScreen() && mainWindowVisible_) frame();
}

// Frames run while there is something to move and someone to see it. New
// readings or a settings change while at rest draw one frame at once, which
// also decides whether more must follow.
void MiniGraphCanvas::reconsider() {
    const bool seen = onScreen_->onScreen() && mainWindowVisible_;
    const bool moving = seen && !miniGraphPaused(samples_, mainWindowVisible_, scroll_);
    const bool wasAnimating = timer_.isActive();
    if (moving && !wasAnimating) {
        timer_.start();
        emit animatingChanged();
        frame();  // the first frame now, not a timer's interval later
        return;
    }
    if (!moving && wasAnimating) {
        timer_.stop();
        emit animatingChanged();
    }
}

void MiniGraphCanvas::paint(QPainter* painter) {
    if (!frame_) return;
    MiniGraphStyle style = style_;
    style.displayScale = window() != nullptr ? window()->effectiveDevicePixelRatio() : 1.0;
    style.baselineColor = dark_ ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 20);  // the primary colour at 0.08
    painter_.paint(*painter, *frame_, size(), style);
}

}  // namespace zephrane::design
