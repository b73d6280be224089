// The mini graph's drawing: each frame is computed on the GUI thread (the
// scroll-in, the easing of the newest point, the rest decision) and painted
// from there. Frames come at most 30 times a second and stop at rest, with
// fewer than two readings, while the main window is hidden (the engine's
// `mainWindowVisible`, bound by MiniGraph.qml) or while the graph is not on
// screen at all; new readings or the window coming back start them again.
#pragma once

#include <optional>
#include <vector>

#include <QColor>
#include <QVariantList>
#include <QQuickPaintedItem>
#include <QString>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Controls/FrameClock.hpp"
#include "ZephraneApp/DesignSystem/Painters/MiniGraphModel.hpp"
#include "ZephraneApp/DesignSystem/Painters/MiniGraphPainter.hpp"

namespace zephrane::design {

class OnScreen;

class MiniGraphCanvas : public QQuickPaintedItem {
    Q_OBJECT
    QML_ELEMENT
    // Readings, oldest first; anything that is not a number reads as
    // not-a-number. A list of any kind of number will do (QML converts
    // JavaScript arrays and C++ sequences to it).
    Q_PROPERTY(QVariantList samples READ sampleList WRITE setSampleList NOTIFY samplesChanged)
    Q_PROPERTY(QColor tint READ tint WRITE setTint NOTIFY styleChanged)
    Q_PROPERTY(double lineWidth READ lineWidth WRITE setLineWidth NOTIFY styleChanged)
    Q_PROPERTY(bool showFill READ showFill WRITE setShowFill NOTIFY styleChanged)
    Q_PROPERTY(bool thermal READ thermal WRITE setThermal NOTIFY styleChanged)
    Q_PROPERTY(bool dark READ dark WRITE setDark NOTIFY styleChanged)
    // A fixed vertical range when `hasRange`; otherwise found from the readings.
    Q_PROPERTY(bool hasRange READ hasRange WRITE setHasRange NOTIFY rangeChanged)
    Q_PROPERTY(double rangeLow READ rangeLow WRITE setRangeLow NOTIFY rangeChanged)
    Q_PROPERTY(double rangeHigh READ rangeHigh WRITE setRangeHigh NOTIFY rangeChanged)
    Q_PROPERTY(QString unit READ unit WRITE setUnit NOTIFY unitChanged)
    Q_PROPERTY(bool reduceMotion READ reduceMotion WRITE setReduceMotion NOTIFY reduceMotionChanged)
    Q_PROPERTY(bool mainWindowVisible READ mainWindowVisible WRITE setMainWindowVisible NOTIFY mainWindowVisibleChanged)
    // Read-only.
    Q_PROPERTY(bool animating READ animating NOTIFY animatingChanged)
    Q_PROPERTY(QString accessibilityValue READ accessibilityValue NOTIFY accessibilityValueChanged)

public:
    static constexpr int kFrameIntervalMs = 34;  // at most 30 frames a second

    explicit MiniGraphCanvas(QQuickItem* parent = nullptr);

    const std::vector<double>& samples() const { return samples_; }
    void setSamples(std::vector<double> samples);
    QVariantList sampleList() const;
    void setSampleList(const QVariantList& samples);
    QColor tint() const { return style_.tint; }
    void setTint(const QColor& tint);
    double lineWidth() const { return style_.lineWidth; }
    void setLineWidth(double width);
    bool showFill() const { return style_.showFill; }
    void setShowFill(bool show);
    bool thermal() const { return style_.thermal; }
    void setThermal(bool thermal);
    bool dark() const { return dark_; }
    void setDark(bool dark);
    bool hasRange() const { return hasRange_; }
    void setHasRange(bool has);
    double rangeLow() const { return rangeLow_; }
    void setRangeLow(double low);
    double rangeHigh() const { return rangeHigh_; }
    void setRangeHigh(double high);
    QString unit() const { return unit_; }
    void setUnit(const QString& unit);
    bool reduceMotion() const { return reduceMotion_; }
    void setReduceMotion(bool reduceMotion);
    bool mainWindowVisible() const { return mainWindowVisible_; }
    void setMainWindowVisible(bool visible);

    bool animating() const { return timer_.isActive(); }
    QString accessibilityValue() const;

    void setClock(FrameClock clock) { clock_ = std::move(clock); }
    // One frame now (the timer's work; tests and benchmarks call it).
    void frame();
    // Frames computed so far.
    long long frameCount() const { return frames_; }
    const MiniGraphPainter& painterState() const { return painter_; }

    void paint(QPainter* painter) override;

signals:
    void samplesChanged();
    void styleChanged();
    void rangeChanged();
    void unitChanged();
    void reduceMotionChanged();
    void mainWindowVisibleChanged();
    void animatingChanged();
    void accessibilityValueChanged();

protected:
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;

private:
    void reconsider();
    void redraw();
    std::optional<MiniGraphRange> fixedRange() const;

    std::vector<double> samples_;
    MiniGraphStyle style_;
    bool dark_ = false;
    bool hasRange_ = false;
    double rangeLow_ = 0;
    double rangeHigh_ = 1;
    QString unit_;
    bool reduceMotion_ = false;
    bool mainWindowVisible_ = true;
    MiniGraphScroll scroll_;
    std::optional<MiniGraphFrame> frame_;
    MiniGraphPainter painter_;
    QTimer timer_;
    FrameClock clock_ = steadySeconds;
    long long frames_ = 0;
    OnScreen* onScreen_;
};

}  // namespace zephrane::design
