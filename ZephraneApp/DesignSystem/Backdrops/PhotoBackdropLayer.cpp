#include "ZephraneApp/DesignSystem/Backdrops/PhotoBackdropLayer.hpp"

#include <algorithm>

#include <QQuickWindow>
#include <QSGImageNode>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"

namespace zephrane::design {
namespace {

// The part of the image that covers `target` at the same aspect, centred.
QRectF coveringSourceRect(QSizeF image, QSizeF target) {
    if (target.isEmpty() || image.isEmpty()) return {QPointF(0, 0), image};
    const double scale = std::max(target.width() / image.width(), target.height() / image.height());
    const QSizeF shown(target.width() / scale, target.height() / scale);
    return {QPointF((image.width() - shown.width()) / 2, (image.height() - shown.height()) / 2), shown};
}

}  // namespace

PhotoBackdropLayer::PhotoBackdropLayer(QQuickItem* parent) : PhotoBackdropLayer(backdropViewStore(), parent) {}

PhotoBackdropLayer::PhotoBackdropLayer(BackdropImageStore& store, QQuickItem* parent)
    : QQuickItem(parent), controller_(store) {
    setFlag(ItemHasContents);
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    setAcceptTouchEvents(false);
    controller_.onImage([this](const QImage& image) { takeImage(image); });
    controller_.onNeedsLayout([this] { layoutNow(); });
    controller_.onUnavailableChanged([this](bool) { emit unavailableChanged(); });
}

PhotoBackdropLayer::~PhotoBackdropLayer() = default;

void PhotoBackdropLayer::setStem(const QString& stem) {
    if (stem == stem_) return;
    stem_ = stem;
    assetInputsChanged();
}

void PhotoBackdropLayer::setDark(bool dark) {
    if (dark == dark_) return;
    dark_ = dark;
    assetInputsChanged();
}

void PhotoBackdropLayer::assetInputsChanged() {
    emit assetChanged();
    std::optional<BackdropPhotoAsset> asset;
    if (!stem_.isEmpty())
        asset = BackdropPhotoAsset{stem_.toStdString(), dark_ ? BackdropAppearance::dark : BackdropAppearance::light};
    controller_.setAsset(std::move(asset));
    if (loaded() != wasLoaded_) {
        wasLoaded_ = loaded();
        emit loadedChanged();
    }
}

void PhotoBackdropLayer::layoutNow() {
    std::optional<double> scale;
    if (QQuickWindow* shownIn = window()) scale = shownIn->effectiveDevicePixelRatio();
    controller_.layout(width(), scale);
}

void PhotoBackdropLayer::takeImage(const QImage& image) {
    pending_ = image;
    imageChanged_ = true;
    update();
    if (loaded() != wasLoaded_) {
        wasLoaded_ = loaded();
        emit loadedChanged();
    }
}

void PhotoBackdropLayer::geometryChange(const QRectF& newGeometry, const QRectF& oldGeometry) {
    QQuickItem::geometryChange(newGeometry, oldGeometry);
    if (newGeometry.width() != oldGeometry.width()) layoutNow();
    update();
}

void PhotoBackdropLayer::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange) {
        watchWindow(value.window);
        // A texture belongs to one window's scene graph: a new one needs
        // its own.
        imageChanged_ = !pending_.isNull() || !controller_.image().isNull();
        if (pending_.isNull()) pending_ = controller_.image();
        layoutNow();
    }
}

void PhotoBackdropLayer::watchWindow(QQuickWindow* shownIn) {
    disconnect(screenWatch_);
    // Another screen may have another pixel ratio, and so another bucket.
    if (shownIn != nullptr) screenWatch_ = connect(shownIn, &QWindow::screenChanged, this, [this] { layoutNow(); });
}

QSGNode* PhotoBackdropLayer::updatePaintNode(QSGNode* old, UpdatePaintNodeData*) {
    auto* node = static_cast<QSGImageNode*>(old);
    if (imageChanged_) {
        imageChanged_ = false;
        // A new node for a new image: the old one takes its texture along.
        delete node;
        node = nullptr;
        if (pending_.isNull()) return nullptr;
        node = window()->createImageNode();
        node->setOwnsTexture(true);
        node->setFiltering(QSGTexture::Linear);
        // The texture keeps the pixels only until they are uploaded, which
        // the render thread does when it draws, not here.
        node->setTexture(window()->createTextureFromImage(pending_));
        pending_ = QImage();
    }
    if (node == nullptr) return nullptr;
    node->setRect(boundingRect());
    node->setSourceRect(coveringSourceRect(node->texture()->textureSize(), size()));
    return node;
}

void PhotoBackdropLayer::releaseResources() {
    // The window's scene graph goes away (the window closes): the next one
    // needs the image again.
    pending_ = controller_.image();
    imageChanged_ = !pending_.isNull();
}

}  // namespace zephrane::design
