#include "ZephraneApp/Shell/StatusItemController.hpp"

#include <cmath>
#include <numbers>

#include <QDBusConnection>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QPalette>
#include <QSystemTrayIcon>
#include <QVariantAnimation>

#include "ZephraneApp/DesignSystem/Painters/FanGlyph.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane {
namespace {

constexpr int kIconSize = 22;
constexpr double kFrameRadians = std::numbers::pi / 30;  // 6 degrees

QColor tintColor(StatusTint tint) {
    using Theme::SystemColor;
    const auto resolve = [](SystemColor name) { return Theme::systemColor(name).resolve(Theme::Appearance::dark); };
    // The palette has no yellow; this one sits between its green and orange.
    const QColor yellow(255, 204, 0);
    switch (tint) {
        case StatusTint::none: return {};
        case StatusTint::green: return resolve(SystemColor::green);
        case StatusTint::greenYellow: {
            const QColor green = resolve(SystemColor::green);
            const auto mix = [](int a, int b) { return static_cast<int>(std::lround(a + (b - a) * 0.55)); };
            return QColor(mix(green.red(), yellow.red()), mix(green.green(), yellow.green()),
                          mix(green.blue(), yellow.blue()));
        }
        case StatusTint::yellow: return yellow;
        case StatusTint::orange: return resolve(SystemColor::orange);
        case StatusTint::red: return resolve(SystemColor::red);
    }
    return {};
}

QImage paintFan(const QColor& color, double angle) {
    QImage image(kIconSize, kIconSize, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.translate(kIconSize / 2.0, kIconSize / 2.0);
    painter.rotate(angle * 180 / std::numbers::pi);
    painter.translate(-kIconSize / 2.0, -kIconSize / 2.0);
    const double inset = 2;
    painter.translate(inset, inset);
    painter.fillPath(design::fanGlyphPath(kIconSize - 2 * inset), color);
    return image;
}

}  // namespace

StatusItemController::StatusItemController(MenuBarLabelSource& label, hotkey::HotKeyCenter& hotKeys, Hooks hooks,
                                           QObject* parent)
    : QObject(parent),
      label_(label),
      registrar_(hotKeys),
      hooks_(std::move(hooks)),
      tray_(std::make_unique<QSystemTrayIcon>()) {
    spinTimer_.setTimerType(Qt::CoarseTimer);
    connect(&spinTimer_, &QTimer::timeout, this, &StatusItemController::advance);
    paintFrames({});
}

StatusItemController::~StatusItemController() = default;

void StatusItemController::install(QMenu* menu, const QStringList& arguments) {
    tray_->setContextMenu(menu);
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Qt reports the second of two quick presses as a double click
        // instead of a trigger; each press is a click on the item all the
        // same, so a quick second click closes the panel the first opened.
        const bool click = reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::DoubleClick;
        if (click && hooks_.togglePanel) hooks_.togglePanel();
    });
    tray_->setIcon(frames_[frameIndex(spinAngle_)]);
    tray_->show();
    connect(&label_, &MenuBarLabelSource::labelStateChanged, this,
            [this] { apply(model_.apply(label_.labelState(), false, hooks_.reduceMotion())); });
    watchDisplayState();
    apply(model_.apply(label_.labelState(), true, hooks_.reduceMotion()));
    if (arguments.contains("--summon-panel"))
        QTimer::singleShot(1000, this, [this] {
            if (hooks_.togglePanel) hooks_.togglePanel();
        });
    if (arguments.contains("--repair-helper"))
        QTimer::singleShot(2000, this, [this] {
            if (hooks_.repairHelper) hooks_.repairHelper();
        });
}

void StatusItemController::watchDisplayState() {
    QDBusConnection::sessionBus().connect({}, "/org/freedesktop/ScreenSaver", "org.freedesktop.ScreenSaver",
                                          "ActiveChanged", this, SLOT(screenSaverActiveChanged(bool)));
    QDBusConnection::systemBus().connect("org.freedesktop.login1", "/org/freedesktop/login1",
                                         "org.freedesktop.login1.Manager", "PrepareForSleep", this,
                                         SLOT(prepareForSleep(bool)));
}

void StatusItemController::screenSaverActiveChanged(bool active) { updateDisplayState(active, std::nullopt); }

void StatusItemController::prepareForSleep(bool sleeping) { updateDisplayState(std::nullopt, sleeping); }

void StatusItemController::updateDisplayState(std::optional<bool> screenLocked, std::optional<bool> displaysAsleep) {
    if (const auto render = model_.updateDisplayState(screenLocked, displaysAsleep, hooks_.reduceMotion()))
        apply(*render);
}

void StatusItemController::reapplyLastState() {
    if (const auto render = model_.reapply(hooks_.reduceMotion())) apply(*render);
}

void StatusItemController::apply(const StatusItemModel::Render& render) {
    if (render.textChanged) {
        const QString text = QString::fromStdString(render.text);
        tray_->setToolTip(text.isEmpty() ? QString::fromStdString(render.accessibilityLabel) : text);
    }
    setSpin(render.spinTier);
    fadeTint(render.tint);
}

void StatusItemController::setSpin(int tier) {
    if (spinningTier_ == tier && (tier < 1 || spinTimer_.isActive())) return;
    spinningTier_ = tier;
    spinTimer_.stop();
    const auto rate = spinRate(tier);
    if (!rate) {
        // Still, where it stands; Qt is told which frame that is.
        if (trayIconBehind_) tray_->setIcon(frames_[frameIndex(spinAngle_)]);
        trayIconBehind_ = false;
        return;
    }
    step_ = rate->stepRadians;
    spinTimer_.start(static_cast<int>(std::lround(1000 / rate->ticksPerSecond)));
}

void StatusItemController::advance() {
    spinAngle_ -= step_;
    showFrame(frameIndex(spinAngle_));
}

void StatusItemController::showFrame(std::size_t index) {
    if (serverFrames_ && fade_ == nullptr) {
        if (!serverFramesLoaded_)
            serverFramesLoaded_ = serverFrames_->load({frameImages_.begin(), frameImages_.end()});
        // A window the tray host resized or made anew takes the frames again;
        // one that refuses frames just loaded never will, and Qt draws on.
        if (serverFramesLoaded_ && !serverFrames_->show(index)) {
            serverFramesLoaded_ = serverFrames_->load({frameImages_.begin(), frameImages_.end()});
            if (serverFramesLoaded_ && !serverFrames_->show(index)) {
                serverFrames_.reset();
                serverFramesLoaded_ = false;
            }
        }
        if (serverFramesLoaded_) {
            trayIconBehind_ = true;
            return;
        }
    }
    tray_->setIcon(frames_[index]);
}

std::size_t StatusItemController::frameIndex(double angle) const {
    const auto index = static_cast<long>(std::lround(angle / kFrameRadians));
    const long count = static_cast<long>(frames_.size());
    return static_cast<std::size_t>(((index % count) + count) % count);
}

void StatusItemController::paintFrames(const QColor& tint) {
    const QColor color = tint.isValid() ? tint : QGuiApplication::palette().color(QPalette::WindowText);
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        frameImages_[i] = paintFan(color, static_cast<double>(i) * kFrameRadians);
        frames_[i] = QIcon(QPixmap::fromImage(frameImages_[i]));
    }
    serverFramesLoaded_ = false;
}

void StatusItemController::fadeTint(StatusTint tint) {
    if (tint_ == tint) return;
    const bool first = !tint_;
    tint_ = tint;
    const QColor target = tintColor(tint);
    if (fade_ != nullptr) {
        fade_->stop();
        fade_->deleteLater();
        fade_ = nullptr;
    }
    if (first) {
        tintColor_ = target;
        paintFrames(target);
        tray_->setIcon(frames_[frameIndex(spinAngle_)]);
        trayIconBehind_ = false;
        return;
    }
    // The fade paints only the frame on show; the frames for the spin are
    // painted once, when it ends.
    const QColor from = tintColor_.isValid() ? tintColor_ : QGuiApplication::palette().color(QPalette::WindowText);
    const QColor to = target.isValid() ? target : QGuiApplication::palette().color(QPalette::WindowText);
    fade_ = new QVariantAnimation(this);
    fade_->setDuration(450);
    fade_->setStartValue(from);
    fade_->setEndValue(to);
    connect(fade_, &QVariantAnimation::valueChanged, this, [this](const QVariant& value) {
        tray_->setIcon(QIcon(QPixmap::fromImage(paintFan(value.value<QColor>(), spinAngle_))));
        trayIconBehind_ = false;
    });
    connect(fade_, &QVariantAnimation::finished, this, [this, target] {
        tintColor_ = target;
        paintFrames(target);
        tray_->setIcon(frames_[frameIndex(spinAngle_)]);
        trayIconBehind_ = false;
        fade_->deleteLater();
        fade_ = nullptr;
    });
    fade_->start();
}

void StatusItemController::applySummonShortcut(const std::optional<GlobalShortcut>& shortcut) {
    if (!shortcut) {
        registrar_.unregister();
        if (hooks_.setShortcutConflict) hooks_.setShortcutConflict(false);
        return;
    }
    const bool registered = registrar_.registerShortcut(*shortcut, [this] {
        if (hooks_.togglePanel) hooks_.togglePanel();
    });
    if (hooks_.setShortcutConflict) hooks_.setShortcutConflict(!registered);
}

}  // namespace zephrane
