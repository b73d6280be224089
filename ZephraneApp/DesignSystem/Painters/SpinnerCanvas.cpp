#include "ZephraneApp/DesignSystem/Painters/SpinnerCanvas.hpp"

#include <QPainter>

#include "ZephraneApp/DesignSystem/Controls/OnScreen.hpp"
#include "ZephraneApp/DesignSystem/Painters/SymbolPainter.hpp"
#include "shared/Saturating.hpp"

namespace zephrane::design {

SpinnerCanvas::SpinnerCanvas(QQuickItem* parent) : QQuickPaintedItem(parent), onScreen_(new OnScreen(this)) {
    setAntialiasing(true);
    connect(&timer_, &QTimer::timeout, this, &SpinnerCanvas::frame);
    connect(onScreen_, &OnScreen::changed, this, &SpinnerCanvas::reconsider);
}

void SpinnerCanvas::setSymbolName(const QString& name) {
    if (name == symbolName_) return;
    symbolName_ = name;
    emit symbolNameChanged();
    update();
}

void SpinnerCanvas::setAngularVelocity(double velocity) {
    if (velocity == angularVelocity_) return;
    angularVelocity_ = velocity;
    emit angularVelocityChanged();
    reconsider();
}

void SpinnerCanvas::setColor(const QColor& color) {
    if (color == color_) return;
    color_ = color;
    emit colorChanged();
    update();
}

void SpinnerCanvas::setReduceMotion(bool reduceMotion) {
    if (reduceMotion == reduceMotion_) return;
    reduceMotion_ = reduceMotion;
    emit reduceMotionChanged();
    if (reduceMotion_) stepSpinner(phase_, clock_(), angularVelocity_, true);  // stands still from here
    reconsider();
}

void SpinnerCanvas::frame() {
    const double before = phase_.angle;
    stepSpinner(phase_, clock_(), angularVelocity_, reduceMotion_);
    if (phase_.angle != before) {
        emit angleChanged();
        update();
    }
    reconsider();
}

// Runs frames only while they can show something: not paused by the
// physics, and on screen. The first frame after a pause advances the
// physics by a tenth of a second at most, as any late frame does.
void SpinnerCanvas::reconsider() {
    const bool wanted = onScreen_->onScreen() && !spinnerPaused(angularVelocity_, phase_, reduceMotion_);
    const bool wasRunning = timer_.isActive();
    if (wanted) {
        const auto interval = spinnerFrameInterval(angularVelocity_, phase_);
        timer_.setInterval(saturatingRound<int>(interval.count() * 1000.0));
        if (!wasRunning) timer_.start();
    } else {
        timer_.stop();
    }
    if (timer_.isActive() != wasRunning) emit runningChanged();
}

void SpinnerCanvas::paint(QPainter* painter) {
    const double side = std::min(width(), height());
    const QPointF centre(width() / 2, height() / 2);
    painter->translate(centre);
    painter->rotate(phase_.angle * 180.0 / 3.141592653589793);
    paintSymbol(*painter, symbolName_, QRectF(-side / 2, -side / 2, side, side), color_);
}

}  // namespace zephrane::design
