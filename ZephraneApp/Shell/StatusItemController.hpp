// The tray item: the fan icon spinning by tier with its tint, the readout in
// the tooltip (Qt offers no tray label of its own), the panel it opens and
// the summon hot key. The spin's frames are painted once per tint, so a
// turning icon only swaps ready images, at most 24 a second; where the X
// server holds them, showing one is a single request. The icon stands still
// while the screen is locked (the session's ScreenSaver), while the machine
// sleeps (logind) and under Reduce Motion.
#pragma once

#include <array>
#include <functional>
#include <memory>
#include <optional>

#include <QColor>
#include <QIcon>
#include <QObject>
#include <QTimer>

#include "ZephraneApp/Shell/GlobalHotKeyRegistrar.hpp"
#include "ZephraneApp/Shell/MenuBarLabelSource.hpp"
#include "ZephraneApp/Shell/StatusItemModel.hpp"
#include "platform/statusbar/TrayIconFrames.hpp"

class QMenu;
class QSystemTrayIcon;
class QVariantAnimation;

namespace zephrane {

class PanelController;

class StatusItemController final : public QObject {
    Q_OBJECT
public:
    struct Hooks {
        std::function<bool()> reduceMotion;
        std::function<void()> togglePanel;
        std::function<void()> repairHelper;
        // The hot key's result: true when it is taken by someone else.
        std::function<void(bool)> setShortcutConflict;
    };

    StatusItemController(MenuBarLabelSource& label, hotkey::HotKeyCenter& hotKeys, Hooks hooks,
                         QObject* parent = nullptr);
    ~StatusItemController() override;

    QSystemTrayIcon& tray() { return *tray_; }
    // Shows the item with its menu; "--summon-panel" and "--repair-helper"
    // among `arguments` act 1 s and 2 s later.
    void install(QMenu* menu, const QStringList& arguments);

    void applySummonShortcut(const std::optional<GlobalShortcut>& shortcut);
    void updateDisplayState(std::optional<bool> screenLocked, std::optional<bool> displaysAsleep);
    void reapplyLastState();

private slots:
    void screenSaverActiveChanged(bool active);
    void prepareForSleep(bool sleeping);

private:
    void apply(const StatusItemModel::Render& render);
    void setSpin(int tier);
    void advance();
    void fadeTint(StatusTint tint);
    void paintFrames(const QColor& tint);
    std::size_t frameIndex(double angle) const;
    void showFrame(std::size_t index);
    void watchDisplayState();

    MenuBarLabelSource& label_;
    GlobalHotKeyRegistrar registrar_;
    Hooks hooks_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    StatusItemModel model_;
    std::optional<int> spinningTier_;
    double spinAngle_ = 0;
    double step_ = 0;
    QTimer spinTimer_;
    std::optional<StatusTint> tint_;
    QColor tintColor_;
    QVariantAnimation* fade_ = nullptr;
    // One frame per 6 degrees: both steps (30 and 36 degrees) land on them.
    std::array<QImage, 60> frameImages_;
    std::array<QIcon, 60> frames_;
    // The frames on the X server, when it can hold them; loaded when the
    // spin needs them, so after the icon has docked.
    std::unique_ptr<statusbar::TrayIconFrames> serverFrames_ = statusbar::TrayIconFrames::attach();
    bool serverFramesLoaded_ = false;
    // Qt's own icon is not the frame on show: it paints it on an expose.
    bool trayIconBehind_ = false;
};

}  // namespace zephrane
