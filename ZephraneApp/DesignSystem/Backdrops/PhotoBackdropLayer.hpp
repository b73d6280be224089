// The item that shows one backdrop photograph behind a window or sheet,
// cropped to cover it (aspect fill). The decisions are its controller's:
// which width bucket to load for the item's width and its window's pixel
// ratio, a sharper image in the background when the window grows, never a
// smaller one when it shrinks, and the old photograph kept on screen until
// the new one is there. The item only passes its size in and puts the
// image it is handed on screen.
//
// It takes no pointer or hover events, so everything over it and under it
// works as if it were not there, and assistive technologies never see it.
#pragma once

#include <memory>

#include <QImage>
#include <QPointer>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Backdrops/PhotoBackdropLayerController.hpp"

namespace zephrane::design {

class PhotoBackdropLayer : public QQuickItem {
    Q_OBJECT
    QML_ELEMENT

    // The photograph: its stem ("aurora") and appearance; an empty stem
    // shows nothing new (the last photograph stays until one replaces it).
    Q_PROPERTY(QString stem READ stem WRITE setStem NOTIFY assetChanged)
    Q_PROPERTY(bool dark READ dark WRITE setDark NOTIFY assetChanged)
    // An image of the current photograph is on screen.
    Q_PROPERTY(bool loaded READ loaded NOTIFY loadedChanged)
    Q_PROPERTY(int loadedWidth READ loadedWidth NOTIFY loadedChanged)
    // The photograph is missing or does not decode.
    Q_PROPERTY(bool unavailable READ unavailable NOTIFY unavailableChanged)

public:
    // Loads from backdropViewStore().
    explicit PhotoBackdropLayer(QQuickItem* parent = nullptr);
    explicit PhotoBackdropLayer(BackdropImageStore& store, QQuickItem* parent = nullptr);
    ~PhotoBackdropLayer() override;

    QString stem() const { return stem_; }
    void setStem(const QString& stem);
    bool dark() const { return dark_; }
    void setDark(bool dark);
    bool loaded() const { return controller_.loadedWidth() > 0; }
    int loadedWidth() const { return controller_.loadedWidth(); }
    bool unavailable() const { return controller_.isUnavailable(); }
    const PhotoBackdropLayerController& controller() const { return controller_; }

signals:
    void assetChanged();
    void loadedChanged();
    void unavailableChanged();

protected:
    QSGNode* updatePaintNode(QSGNode* old, UpdatePaintNodeData* data) override;
    void geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) override;
    void itemChange(ItemChange change, const ItemChangeData& value) override;
    void releaseResources() override;

private:
    void assetInputsChanged();
    void layoutNow();
    void takeImage(const QImage& image);
    void watchWindow(QQuickWindow* window);

    PhotoBackdropLayerController controller_;
    QString stem_;
    bool dark_ = false;
    bool wasLoaded_ = false;
    // The image for the render thread, and whether it still has to become
    // a texture.
    QImage pending_;
    bool imageChanged_ = false;
    QMetaObject::Connection screenWatch_;
};

}  // namespace zephrane::design
