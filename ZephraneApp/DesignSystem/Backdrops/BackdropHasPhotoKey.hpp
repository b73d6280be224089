// Whether a photograph lies behind: the value a window or sheet hands down
// to everything inside it, so that content which must stay legible (glass
// surfaces, plates) can tell a photograph from the plain window material.
//
// In QML it is the attached property `BackdropHasPhotoKey.backdropHasPhoto`.
// An item that sets it gives the value to every item below it in the item
// tree; an item that does not set it reads the value of the nearest
// ancestor that did, or false outside any window or sheet modifier.
// Reparenting an item, or a change of the value up the tree, reaches every
// reader at once.
#pragma once

#include <optional>
#include <vector>

#include <QObject>
#include <QPointer>
#include <QtQml/qqmlregistration.h>

class QQuickItem;

namespace zephrane::design {

class BackdropHasPhotoAttached : public QObject {
    Q_OBJECT
    QML_ANONYMOUS
    Q_PROPERTY(bool backdropHasPhoto READ backdropHasPhoto WRITE setBackdropHasPhoto RESET resetBackdropHasPhoto
                   NOTIFY backdropHasPhotoChanged)

public:
    explicit BackdropHasPhotoAttached(QObject* owner);
    ~BackdropHasPhotoAttached() override;

    bool backdropHasPhoto() const { return value_; }
    // Set here: this item and everything below it that sets nothing.
    void setBackdropHasPhoto(bool hasPhoto);
    // Inherited again.
    void resetBackdropHasPhoto();
    bool isSetHere() const { return own_.has_value(); }

signals:
    void backdropHasPhotoChanged();

private:
    static void resolveBelow(QQuickItem* item);
    void resolve();
    void ownChanged();
    void unwatch();

    QPointer<QQuickItem> item_;  // none when attached to something that is not an item
    std::optional<bool> own_;
    bool value_ = false;
    std::vector<QMetaObject::Connection> watches_;
};

class BackdropHasPhotoKey : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("BackdropHasPhotoKey is only used as an attached property")
    QML_ATTACHED(BackdropHasPhotoAttached)

public:
    static BackdropHasPhotoAttached* qmlAttachedProperties(QObject* owner);
    // The value an item reads, whether or not QML asked for it there.
    static bool valueFor(const QQuickItem* item);
};

}  // namespace zephrane::design
