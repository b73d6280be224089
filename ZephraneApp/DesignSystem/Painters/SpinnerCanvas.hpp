// The spinning symbol's drawing: a symbol rotated about its centre by the
// spinner's physics. Frames come from a timer on the GUI thread at the
// physics' own interval, and stop entirely while the symbol is at rest,
// under Reduce Motion, or nowhere to be seen. SpinningSymbol.qml wraps it
// with the theme's Reduce Motion.
#pragma once

#include <QColor>
#include <QQuickPaintedItem>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Controls/FrameClock.hpp"
#include "ZephraneApp/DesignSystem/Painters/SpinnerPhysics.hpp"

namespace zephrane::design {

class OnScreen;

class SpinnerCanvas : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QString symbolName READ symbolName WRITE setSymbolName NOTIFY symbolNameChanged)
    Q_PROPERTY(double angularVelocity READ angularVelocity WRITE setAngularVelocity NOTIFY angularVelocityChanged)
    Q_PROPERTY(QColor color READ color WRITE setColor NOTIFY colorChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)
    // Read-only: whether frames are being drawn, and the angle drawn last.
    Q_PROPERTY(bool running READ running NOTIFY runningChanged)
    Q_PROPERTY(double angle READ angle NOTIFY angleChanged)

public:
    explicit SpinnerCanvas(QQuickItem* parent = nullptr);

    QString symbolName() const { return symbolName_; }
    void setSymbolName(const QString& name);
    double angularVelocity() const { return angularVelocity_; }
    void setAngularVelocity(double velocity);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    bool reduceMotion() const { return reduceMotion_; }
    void setReduceMotion(bool reduceMotion);
    bool running() const { return timer_.isActive(); }
    double angle() const { return phase_.angle; }

    const SpinnerPhase& phase() const { return phase_; }
    int frameIntervalMs() const { return timer_.interval(); }
    void setClock(FrameClock clock) { clock_ = std::move(clock); }
    // One frame now (the timer's work; tests call it to drive frames).
    void frame();

    void paint(QPainter* painter) override;

signals:
    void symbolNameChanged();
    void angularVelocityChanged();
    void colorChanged();
    void reduceMotionChanged();
    void runningChanged();
    void angleChanged();

private:
    void reconsider();

    QString symbolName_ = QStringLiteral("fan.fill");
    double angularVelocity_ = 0;
    QColor color_ = Qt::black;
    bool reduceMotion_ = false;
    SpinnerPhase phase_;
    QTimer timer_;
    FrameClock clock_ = steadySeconds;
    OnScreen* onScreen_;
};

}  // namespace zephrane::design
