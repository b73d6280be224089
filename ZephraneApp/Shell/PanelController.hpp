// The floating panel's life: hidden, entering (sliding and fading in),
// shown, closing (fading out). The window, its animations, its content and
// the event loop sit behind PanelSurface, so the rules run in tests on a
// fake with completions fired by hand.
//
// Every show raises a generation; a completion acts only when the
// generation it captured is still current, so a close that finishes after
// a newer show leaves that panel alone. Content size changes during the
// entrance wait for its end; bursts of them make one queued layout.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include <QRectF>
#include <QSizeF>

namespace zephrane {

// Where the panel goes: right-aligned 5 points under the tray icon when the
// tray host tells where the icon is, else 12 points from the top right of
// the fallback area (the screen under the pointer); then kept 12 points
// inside the area, the left and bottom margins winning when it does not fit.
// None for a size that is not positive or when there is no area.
struct PanelAnchor {
    QRectF icon;  // the tray icon, in screen coordinates
    QRectF area;  // the visible area of the icon's screen
};
std::optional<QRectF> panelFrame(QSizeF size, const std::optional<PanelAnchor>& anchor,
                                 const std::optional<QRectF>& fallbackArea);

struct PanelAnimation {
    enum class Easing { linear, easeOut, easeIn };
    int milliseconds = 0;
    Easing easing = Easing::linear;
    std::optional<QRectF> fromFrame;
    std::optional<QRectF> toFrame;
    double fromOpacity = 0;
    double toOpacity = 1;
};

class PanelSurface {
public:
    virtual ~PanelSurface() = default;

    virtual bool reduceMotion() const = 0;
    virtual void buildContent() = 0;  // fresh for every show
    virtual void dropContent() = 0;
    virtual QSizeF contentSize() const = 0;
    // The frame for a size on the current screens (panelFrame).
    virtual std::optional<QRectF> frameFor(QSizeF size) const = 0;
    virtual QRectF frame() const = 0;
    virtual void setFrame(const QRectF& frame) = 0;
    virtual void setOpacity(double opacity) = 0;
    virtual bool isVisible() const = 0;
    virtual void orderFront() = 0;  // shown, on top, with the keyboard focus
    virtual void orderOut() = 0;
    // Escape, a click outside, the focus going elsewhere: each calls close().
    virtual void installDismissMonitors() = 0;
    virtual void removeDismissMonitors() = 0;
    // One animation at a time; `finished` runs when it ends on its own,
    // never after stopAnimation().
    virtual void animate(const PanelAnimation& animation, std::function<void()> finished) = 0;
    virtual void stopAnimation() = 0;
    // Runs `task` from the event loop, after the current work.
    virtual void post(std::function<void()> task) = 0;
};

class PanelController {
public:
    explicit PanelController(PanelSurface& surface) : surface_(surface) {}
    ~PanelController();
    PanelController(const PanelController&) = delete;
    PanelController& operator=(const PanelController&) = delete;

    // Closes a shown panel; shows a hidden or closing one.
    void toggle();
    void show();
    void close();
    // The content asks for a new size.
    void contentSizeChanged();
    void layout();

    bool isAnimatingEntrance() const { return animatingEntrance_; }
    bool isClosing() const { return closing_; }
    std::uint64_t generation() const { return generation_; }

private:
    PanelSurface& surface_;
    // Delayed work checks this before touching a destroyed controller.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    std::uint64_t generation_ = 0;
    bool hasContent_ = false;
    bool animatingEntrance_ = false;
    bool closing_ = false;
    bool pendingLayout_ = false;
    bool layingOut_ = false;
};

}  // namespace zephrane
