// The dashboard's own figures' type, beside the theme's text styles: the
// large readout digits (42 points in the hero card, 34 in the panel), the
// gauges' and the power card's headline figures, the battery's capacity and
// the mini gauge's speed, all semibold at fixed sizes; and the unit
// captions' wide tracking. `DashboardFonts` in QML.
#pragma once

#include <QFont>
#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace zephrane::dashboard {

class DashboardFonts : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_SINGLETON
    Q_PROPERTY(QFont heroReadout READ heroReadout CONSTANT)
    Q_PROPERTY(QFont gaugeReadout READ gaugeReadout CONSTANT)
    Q_PROPERTY(QFont headlineFigure READ headlineFigure CONSTANT)
    Q_PROPERTY(QFont capacityFigure READ capacityFigure CONSTANT)
    Q_PROPERTY(QFont miniSpeed READ miniSpeed CONSTANT)
    Q_PROPERTY(QFont fanSymbol READ fanSymbol CONSTANT)
    Q_PROPERTY(QFont miniFanSymbol READ miniFanSymbol CONSTANT)
    // How far a figure shrinks before it is cut.
    Q_PROPERTY(double minimumScale READ minimumScale CONSTANT)

public:
    explicit DashboardFonts(QObject* parent = nullptr) : QObject(parent) {}

    static QFont figure(int pixelSize);
    QFont heroReadout() const { return figure(42); }
    QFont gaugeReadout() const { return figure(34); }
    QFont headlineFigure() const { return figure(34); }
    QFont capacityFigure() const { return figure(22); }
    QFont miniSpeed() const { return figure(14); }
    QFont fanSymbol() const;
    QFont miniFanSymbol() const;
    double minimumScale() const { return 0.55; }

    // The smallest pixel size `font` shrinks to.
    Q_INVOKABLE int minimumPixelSize(const QFont& font) const;
    // A unit caption's font: `font` with its letters 1 point apart.
    Q_INVOKABLE QFont tracked(const QFont& font) const;
};

}  // namespace zephrane::dashboard
