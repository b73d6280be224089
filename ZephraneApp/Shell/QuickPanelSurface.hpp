// The floating panel's window: a frameless, always-on-top tool window whose
// QML content is loaded fresh for every show and dropped after the close.
// Escape and the focus going to any other window close it; a click outside
// takes the focus from it on every window manager we know, so that closes
// it too.
#pragma once

#include <functional>
#include <memory>

#include <QObject>
#include <QTimer>
#include <QUrl>
#include <QVariantMap>

#include "ZephraneApp/Shell/PanelController.hpp"

class QQuickView;
class QQmlEngine;
class QSystemTrayIcon;
class QVariantAnimation;

namespace zephrane {

class QuickPanelSurface final : public QObject, public PanelSurface {
    Q_OBJECT
public:
    // `tray` tells where the icon is when the host says; `reduceMotion` is
    // read at every show.
    QuickPanelSurface(QQmlEngine& engine, QUrl content, const QSystemTrayIcon* tray,
                      std::function<bool()> reduceMotion, QObject* parent = nullptr);
    ~QuickPanelSurface() override;

    void setController(PanelController* controller) { controller_ = controller; }
    // The content's initial properties, given to every build of it.
    void setContentProperties(QVariantMap properties) { contentProperties_ = std::move(properties); }
    QQuickView& view() { return *view_; }

    bool reduceMotion() const override { return reduceMotion_(); }
    void buildContent() override;
    void dropContent() override;
    QSizeF contentSize() const override;
    std::optional<QRectF> frameFor(QSizeF size) const override;
    QRectF frame() const override;
    void setFrame(const QRectF& frame) override;
    void setOpacity(double opacity) override;
    bool isVisible() const override;
    void orderFront() override;
    void orderOut() override;
    void installDismissMonitors() override;
    void removeDismissMonitors() override;
    void animate(const PanelAnimation& animation, std::function<void()> finished) override;
    void stopAnimation() override;
    void post(std::function<void()> task) override;

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<QQuickView> view_;
    QUrl content_;
    QVariantMap contentProperties_;
    const QSystemTrayIcon* tray_;
    std::function<bool()> reduceMotion_;
    PanelController* controller_ = nullptr;
    QVariantAnimation* animation_ = nullptr;
    bool monitoring_ = false;
    // A focus loss closes the panel only if the panel does not get the focus
    // back at once: around a key grab (the hot key) the focus bounces to the
    // window that had it, and a click on the tray icon may take it away just
    // before the click toggles the panel itself.
    QTimer dismissDelay_;
};

}  // namespace zephrane
