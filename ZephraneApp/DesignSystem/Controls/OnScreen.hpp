// Whether an item can be seen at all: it is visible and sits in a window
// that is shown. Animated items stop their frames when it cannot, so an
// animation nobody sees costs nothing.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

class QQuickItem;
class QQuickWindow;

namespace zephrane::design {

class OnScreen : public QObject {
    Q_OBJECT
public:
    explicit OnScreen(QQuickItem* item);
    bool onScreen() const;

signals:
    void changed();

private:
    void follow(QQuickWindow* window);

    QQuickItem* item_;
    QPointer<QQuickWindow> window_;
    QMetaObject::Connection windowVisible_;
};

}  // namespace zephrane::design
