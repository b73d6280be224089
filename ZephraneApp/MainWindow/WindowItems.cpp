#include "ZephraneApp/MainWindow/WindowItems.hpp"

#include <QEvent>
#include <QQmlEngine>

#include "ZephraneApp/MainWindow/WindowBehaviour.hpp"
#include "ZephraneApp/MainWindow/WindowSpaces.hpp"

namespace zephrane::mainwindow {

FloatingWindowConfigurator::FloatingWindowConfigurator(QQuickItem* parent) : QQuickItem(parent) {}

void FloatingWindowConfigurator::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickItem::itemChange(change, value);
    if (change != ItemSceneChange || value.window == window_) return;
    disconnect(shown_);
    window_ = value.window;
    if (!window_) return;
    shown_ = connect(window_, &QWindow::visibleChanged, this, [this](bool visible) {
        if (visible) configure();
    });
    configure();
}

void FloatingWindowConfigurator::configure() {
    if (!window_) return;
    const Qt::WindowFlags flags = floatingWindowFlags(window_->flags());
    if (flags != window_->flags()) window_->setFlags(flags);
    WindowSpaces::of(qmlEngine(this)).spaces().joinAllDesktops(static_cast<spaces::WindowId>(window_->winId()));
}

WindowVisibilityObserver::WindowVisibilityObserver(QQuickItem* parent) : QQuickItem(parent) {}

WindowVisibilityObserver::~WindowVisibilityObserver() {
    observe(nullptr);
    if (shell_) shell_->setMainWindowVisible(true);
}

void WindowVisibilityObserver::setShell(face::ShellFace* shell) {
    if (shell == shell_) return;
    shell_ = shell;
    emit shellChanged();
    if (window_) report();
}

void WindowVisibilityObserver::itemChange(ItemChange change, const ItemChangeData& value) {
    QQuickItem::itemChange(change, value);
    if (change == ItemSceneChange && value.window != window_) observe(value.window);
}

WindowSpaces& WindowVisibilityObserver::spaces() { return WindowSpaces::of(qmlEngine(this)); }

void WindowVisibilityObserver::observe(QQuickWindow* window) {
    if (window_) window_->removeEventFilter(this);
    disconnect(visibility_);
    disconnect(desktops_);
    window_ = window;
    if (!window_) return;
    window_->installEventFilter(this);
    visibility_ = connect(window_, &QWindow::visibilityChanged, this, &WindowVisibilityObserver::report);
    desktops_ = connect(&spaces(), &WindowSpaces::desktopsChanged, this, &WindowVisibilityObserver::report);
    report();
}

bool WindowVisibilityObserver::eventFilter(QObject* watched, QEvent* event) {
    // The window has taken the exposure in by the time its event arrives here.
    if (watched == window_ && event->type() == QEvent::Expose) report();
    return false;
}

void WindowVisibilityObserver::report() {
    if (!window_) return;
    const bool minimised = window_->visibility() == QWindow::Minimized;
    std::optional<bool> onDesktop;
    if (window_->handle() != nullptr)
        onDesktop = spaces().spaces().onCurrentDesktop(static_cast<spaces::WindowId>(window_->winId()));
    lastReport_ = windowVisibleOnScreen(window_->isVisible() && window_->isExposed(), minimised, onDesktop);
    if (shell_) shell_->setMainWindowVisible(lastReport_);
}

}  // namespace zephrane::mainwindow
