#include "ZephraneApp/DesignSystem/Backdrops/BackdropSwatchThumbnail.hpp"

#include <algorithm>

#include <QPainter>
#include <QPainterPath>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"

namespace zephrane::design {

BackdropSwatchThumbnail::BackdropSwatchThumbnail(QQuickItem* parent)
    : BackdropSwatchThumbnail(backdropViewStore(), parent) {}

BackdropSwatchThumbnail::BackdropSwatchThumbnail(BackdropImageStore& store, QQuickItem* parent)
    : QQuickPaintedItem(parent), controller_(store) {
    setAcceptedMouseButtons(Qt::NoButton);
    setAcceptHoverEvents(false);
    setAntialiasing(true);
    controller_.onContentChanged([this] {
        emit contentChanged();
        update();
    });
}

BackdropSwatchThumbnail::~BackdropSwatchThumbnail() = default;

void BackdropSwatchThumbnail::setBackdrop(const QString& backdrop) {
    if (backdrop == backdrop_) return;
    backdrop_ = backdrop;
    emit backdropChanged();
    controller_.setBackdrop(storedWindowBackdrop(backdrop_.toStdString()));
}

void BackdropSwatchThumbnail::setDark(bool dark) {
    if (dark == dark_) return;
    dark_ = dark;
    emit darkChanged();
    controller_.setColorScheme(dark_ ? BackdropAppearance::dark : BackdropAppearance::light);
}

void BackdropSwatchThumbnail::setCornerRadius(double radius) {
    if (radius == cornerRadius_) return;
    cornerRadius_ = radius;
    emit cornerRadiusChanged();
    update();
}

void BackdropSwatchThumbnail::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickPaintedItem::itemChange(change, value);
    if (change == ItemSceneChange || change == ItemVisibleHasChanged) onScreenMayHaveChanged();
}

void BackdropSwatchThumbnail::onScreenMayHaveChanged() { controller_.setOnScreen(window() != nullptr && isVisible()); }

void BackdropSwatchThumbnail::paint(QPainter* painter) {
    const QImage image = controller_.content();
    if (image.isNull() || width() <= 0 || height() <= 0) return;
    // Cropped to cover the tile at the image's own aspect, centred.
    const double scale = std::max(width() / image.width(), height() / image.height());
    const QSizeF shown(width() / scale, height() / scale);
    const QPointF origin((image.width() - shown.width()) / 2, (image.height() - shown.height()) / 2);
    // Painted as the fill of the rounded outline, so its corners are as
    // smooth as the border drawn over them.
    QBrush brush(image);
    QTransform placed;
    placed.translate(-origin.x() * scale, -origin.y() * scale);
    placed.scale(scale, scale);
    brush.setTransform(placed);
    QPainterPath corners;
    corners.addRoundedRect(boundingRect(), cornerRadius_, cornerRadius_);
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    painter->fillPath(corners, brush);
}

}  // namespace zephrane::design
