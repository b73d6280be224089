// A plate's two-layer shadow: `PanelShadow` in QML. It covers the plate
// grown by the shadow margin on every side (GlassPlate.qml places it so)
// and repaints only when the plate's size, radius, tier or appearance
// change.
#pragma once

#include <QImage>
#include <QQuickPaintedItem>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"

namespace zephrane::design {

class PanelShadowItem : public QQuickPaintedItem {
    Q_OBJECT
    QML_NAMED_ELEMENT(PanelShadow)
    Q_PROPERTY(int elevation READ elevation WRITE setElevation NOTIFY changed)  // Theme.Low/Medium/High
    Q_PROPERTY(double radius READ radius WRITE setRadius NOTIFY changed)
    Q_PROPERTY(bool dark READ dark WRITE setDark NOTIFY changed)
    Q_PROPERTY(double margin READ margin CONSTANT)

public:
    explicit PanelShadowItem(QQuickItem* parent = nullptr);

    int elevation() const { return elevation_; }
    void setElevation(int elevation);
    double radius() const { return radius_; }
    void setRadius(double radius);
    bool dark() const { return dark_; }
    void setDark(bool dark);
    double margin() const;

    void paint(QPainter* painter) override;

signals:
    void changed();

private:
    int elevation_ = 1;
    double radius_ = 10;
    bool dark_ = false;
    QImage cached_;
    QSizeF cachedFor_;
    double cachedRatio_ = 0;
    bool stale_ = true;
};

}  // namespace zephrane::design
