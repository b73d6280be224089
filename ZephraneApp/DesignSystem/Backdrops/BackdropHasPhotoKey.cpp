#include "ZephraneApp/DesignSystem/Backdrops/BackdropHasPhotoKey.hpp"

#include <QQuickItem>
#include <QtQml/qqml.h>

namespace zephrane::design {
namespace {

// The attached object an item already has; none is made here, so walking a
// tree does not grow one on every item.
BackdropHasPhotoAttached* existingAttached(const QQuickItem* item) {
    return qobject_cast<BackdropHasPhotoAttached*>(
        qmlAttachedPropertiesObject<BackdropHasPhotoKey>(const_cast<QQuickItem*>(item), false));
}

}  // namespace

BackdropHasPhotoAttached::BackdropHasPhotoAttached(QObject* owner)
    : QObject(owner), item_(qobject_cast<QQuickItem*>(owner)) {
    resolve();
}

BackdropHasPhotoAttached::~BackdropHasPhotoAttached() { unwatch(); }

void BackdropHasPhotoAttached::setBackdropHasPhoto(bool hasPhoto) {
    if (own_ == hasPhoto) return;
    own_ = hasPhoto;
    ownChanged();
}

void BackdropHasPhotoAttached::resetBackdropHasPhoto() {
    if (!own_) return;
    own_.reset();
    ownChanged();
}

void BackdropHasPhotoAttached::ownChanged() {
    resolve();
    // Readers below that looked past this item to an ancestor now find it
    // (or, after a reset, look past it again).
    if (item_) resolveBelow(item_);
}

// Every reader below `item` (not below one that sets its own value) looks
// up the tree again.
void BackdropHasPhotoAttached::resolveBelow(QQuickItem* item) {
    for (QQuickItem* child : item->childItems()) {
        BackdropHasPhotoAttached* attached = existingAttached(child);
        if (attached != nullptr && attached->isSetHere()) continue;
        if (attached != nullptr) attached->resolve();
        resolveBelow(child);
    }
}

void BackdropHasPhotoAttached::unwatch() {
    for (const auto& watch : watches_) disconnect(watch);
    watches_.clear();
}

void BackdropHasPhotoAttached::resolve() {
    unwatch();
    bool value = own_.value_or(false);
    if (!own_ && item_) {
        // Any reparenting on the way up can change the answer, and so can
        // the value of the item that gives it.
        for (QQuickItem* on = item_; on != nullptr; on = on->parentItem()) {
            watches_.push_back(connect(on, &QQuickItem::parentChanged, this, &BackdropHasPhotoAttached::resolve));
            if (on == item_) continue;
            BackdropHasPhotoAttached* above = existingAttached(on);
            if (above == nullptr || !above->isSetHere()) continue;
            value = above->value_;
            watches_.push_back(connect(above, &BackdropHasPhotoAttached::backdropHasPhotoChanged, this,
                                       &BackdropHasPhotoAttached::resolve));
            break;
        }
    }
    if (value == value_) return;
    value_ = value;
    emit backdropHasPhotoChanged();
}

BackdropHasPhotoAttached* BackdropHasPhotoKey::qmlAttachedProperties(QObject* owner) {
    return new BackdropHasPhotoAttached(owner);
}

bool BackdropHasPhotoKey::valueFor(const QQuickItem* item) {
    for (const QQuickItem* on = item; on != nullptr; on = on->parentItem())
        if (const BackdropHasPhotoAttached* attached = existingAttached(on); attached && attached->isSetHere())
            return attached->backdropHasPhoto();
    return false;
}

}  // namespace zephrane::design
