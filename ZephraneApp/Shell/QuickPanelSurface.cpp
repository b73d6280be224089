#include "ZephraneApp/Shell/QuickPanelSurface.hpp"

#include <QCursor>
#include <QEasingCurve>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QQuickView>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVariantAnimation>

namespace zephrane {
namespace {

// Long enough for the focus to come back, short enough to read as at once
// next to the fade that follows.
constexpr std::chrono::milliseconds kDismissDelay{150};

}  // namespace

QuickPanelSurface::QuickPanelSurface(QQmlEngine& engine, QUrl content, const QSystemTrayIcon* tray,
                                     std::function<bool()> reduceMotion, QObject* parent)
    : QObject(parent),
      view_(std::make_unique<QQuickView>(&engine, nullptr)),
      content_(std::move(content)),
      tray_(tray),
      reduceMotion_(std::move(reduceMotion)) {
    view_->setTitle("Brumalune Panel");
    view_->setFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    view_->setColor(Qt::transparent);
    view_->setResizeMode(QQuickView::SizeRootObjectToView);
    view_->installEventFilter(this);
    dismissDelay_.setSingleShot(true);
    dismissDelay_.setInterval(kDismissDelay);
    connect(&dismissDelay_, &QTimer::timeout, this, [this] {
        if (monitoring_ && !view_->isActive() && controller_ != nullptr) controller_->close();
    });
    connect(view_.get(), &QWindow::activeChanged, this, [this] {
        if (!monitoring_ || view_->isActive())
            dismissDelay_.stop();
        else
            dismissDelay_.start();
    });
}

QuickPanelSurface::~QuickPanelSurface() { stopAnimation(); }

void QuickPanelSurface::buildContent() {
    // The content's objects are made anew; its compiled component is kept
    // from one showing to the next: compiling it again cost a good part of
    // the time from the hot key to the first frame.
    view_->setSource(QUrl());
    view_->setInitialProperties(contentProperties_);
    view_->setSource(content_);
    if (QQuickItem* root = view_->rootObject()) {
        auto changed = [this] {
            if (controller_ != nullptr) controller_->contentSizeChanged();
        };
        connect(root, &QQuickItem::implicitWidthChanged, this, changed);
        connect(root, &QQuickItem::implicitHeightChanged, this, changed);
    }
}

void QuickPanelSurface::dropContent() { view_->setSource(QUrl()); }

QSizeF QuickPanelSurface::contentSize() const {
    const QQuickItem* root = view_->rootObject();
    if (root == nullptr) return {};
    return {root->implicitWidth(), root->implicitHeight()};
}

std::optional<QRectF> QuickPanelSurface::frameFor(QSizeF size) const {
    std::optional<PanelAnchor> anchor;
    if (tray_ != nullptr) {
        const QRect icon = tray_->geometry();
        // A host that does not tell (most StatusNotifierItem hosts) gives an
        // empty rectangle.
        if (icon.isValid() && !icon.isEmpty()) {
            if (const QScreen* screen = QGuiApplication::screenAt(icon.center()))
                anchor = PanelAnchor{QRectF(icon), QRectF(screen->availableGeometry())};
        }
    }
    std::optional<QRectF> fallback;
    const QScreen* screen = QGuiApplication::screenAt(QCursor::pos());
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr && !QGuiApplication::screens().isEmpty()) screen = QGuiApplication::screens().first();
    if (screen != nullptr) fallback = QRectF(screen->availableGeometry());
    return panelFrame(size, anchor, fallback);
}

QRectF QuickPanelSurface::frame() const { return QRectF(view_->geometry()); }

void QuickPanelSurface::setFrame(const QRectF& frame) { view_->setGeometry(frame.toAlignedRect()); }

void QuickPanelSurface::setOpacity(double opacity) { view_->setOpacity(opacity); }

bool QuickPanelSurface::isVisible() const { return view_->isVisible(); }

void QuickPanelSurface::orderFront() {
    view_->show();
    view_->raise();
    view_->requestActivate();
}

void QuickPanelSurface::orderOut() { view_->hide(); }

void QuickPanelSurface::installDismissMonitors() { monitoring_ = true; }

void QuickPanelSurface::removeDismissMonitors() {
    monitoring_ = false;
    dismissDelay_.stop();
}

bool QuickPanelSurface::eventFilter(QObject* watched, QEvent* event) {
    if (watched == view_.get() && event->type() == QEvent::KeyPress && controller_ != nullptr) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape || (key->key() == Qt::Key_Period && key->modifiers() & Qt::ControlModifier)) {
            controller_->close();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void QuickPanelSurface::animate(const PanelAnimation& animation, std::function<void()> finished) {
    stopAnimation();
    animation_ = new QVariantAnimation(this);
    animation_->setDuration(animation.milliseconds);
    animation_->setStartValue(0.0);
    animation_->setEndValue(1.0);
    switch (animation.easing) {
        case PanelAnimation::Easing::linear: animation_->setEasingCurve(QEasingCurve::Linear); break;
        case PanelAnimation::Easing::easeOut: animation_->setEasingCurve(QEasingCurve::OutCubic); break;
        case PanelAnimation::Easing::easeIn: animation_->setEasingCurve(QEasingCurve::InCubic); break;
    }
    connect(animation_, &QVariantAnimation::valueChanged, this, [this, animation](const QVariant& value) {
        const double t = value.toDouble();
        view_->setOpacity(animation.fromOpacity + (animation.toOpacity - animation.fromOpacity) * t);
        if (animation.fromFrame && animation.toFrame) {
            const QPointF from = animation.fromFrame->topLeft();
            const QPointF to = animation.toFrame->topLeft();
            view_->setPosition((from + (to - from) * t).toPoint());
        }
    });
    connect(animation_, &QVariantAnimation::finished, this, [this, done = std::move(finished)] {
        animation_->deleteLater();
        animation_ = nullptr;
        if (done) done();
    });
    animation_->start();
}

void QuickPanelSurface::stopAnimation() {
    if (animation_ == nullptr) return;
    animation_->disconnect(this);
    animation_->stop();
    animation_->deleteLater();
    animation_ = nullptr;
}

void QuickPanelSurface::post(std::function<void()> task) { QTimer::singleShot(0, this, std::move(task)); }

}  // namespace zephrane
