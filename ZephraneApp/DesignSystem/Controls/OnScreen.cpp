#include "ZephraneApp/DesignSystem/Controls/OnScreen.hpp"

#include <QQuickItem>
#include <QQuickWindow>

namespace zephrane::design {

OnScreen::OnScreen(QQuickItem* item) : QObject(item), item_(item) {
    connect(item_, &QQuickItem::visibleChanged, this, &OnScreen::changed);
    connect(item_, &QQuickItem::windowChanged, this, [this](QQuickWindow* window) {
        follow(window);
        emit changed();
    });
    follow(item_->window());
}

void OnScreen::follow(QQuickWindow* window) {
    disconnect(windowVisible_);
    window_ = window;
    if (window_) windowVisible_ = connect(window_, &QWindow::visibleChanged, this, &OnScreen::changed);
}

bool OnScreen::onScreen() const { return item_->isVisible() && window_ && window_->isVisible(); }

}  // namespace zephrane::design
