#include "ZephraneApp/Shell/PanelController.hpp"

#include <algorithm>
#include <cmath>
#include <memory>

namespace zephrane {
namespace {

constexpr double kMargin = 12;
constexpr double kGapUnderIcon = 5;
constexpr double kEntranceRise = 10;

bool differs(const QRectF& a, const QRectF& b) {
    return std::abs(a.x() - b.x()) >= 0.5 || std::abs(a.y() - b.y()) >= 0.5 ||
           std::abs(a.width() - b.width()) >= 0.5 || std::abs(a.height() - b.height()) >= 0.5;
}

}  // namespace

std::optional<QRectF> panelFrame(QSizeF size, const std::optional<PanelAnchor>& anchor,
                                 const std::optional<QRectF>& fallbackArea) {
    if (!(size.width() > 0) || !(size.height() > 0)) return std::nullopt;
    QRectF area;
    double x = 0;
    double y = 0;
    if (anchor) {
        area = anchor->area;
        x = anchor->icon.right() - size.width();
        y = anchor->icon.bottom() + kGapUnderIcon;
    } else if (fallbackArea) {
        area = *fallbackArea;
        x = area.right() - size.width() - kMargin;
        y = area.top() + kMargin;
    } else {
        return std::nullopt;
    }
    // Too wide, the left margin wins; too tall, the bottom one does and the
    // overflow goes off the top. y grows downwards here, so the bottom edge
    // bounds y from above and the top margin yields to it.
    const double lowestX = area.left() + kMargin;
    const double highestX = std::max(lowestX, area.right() - kMargin - size.width());
    const double highestY = area.bottom() - kMargin - size.height();
    const double lowestY = std::min(area.top() + kMargin, highestY);
    x = std::min(std::max(x, lowestX), highestX);
    y = std::min(std::max(y, lowestY), highestY);
    return QRectF(QPointF(x, y), size);
}

PanelController::~PanelController() { *alive_ = false; }

void PanelController::toggle() {
    if (surface_.isVisible() && !closing_) {
        close();
    } else {
        show();
    }
}

void PanelController::show() {
    const std::uint64_t generation = ++generation_;
    closing_ = false;
    // Whatever was running belongs to an older showing: a fade-out must not
    // finish on the new panel, and an interrupted entrance's completion will
    // never clear its flag.
    surface_.stopAnimation();
    animatingEntrance_ = false;
    surface_.buildContent();
    hasContent_ = true;
    layout();
    surface_.installDismissMonitors();
    const QRectF target = surface_.frame();

    if (surface_.reduceMotion()) {
        surface_.setOpacity(0);
        surface_.orderFront();
        surface_.animate({150, PanelAnimation::Easing::linear, std::nullopt, std::nullopt, 0, 1}, [] {});
        return;
    }
    animatingEntrance_ = true;
    surface_.setOpacity(0);
    const QRectF raised = target.translated(0, -kEntranceRise);
    surface_.setFrame(raised);
    surface_.orderFront();
    surface_.animate({180, PanelAnimation::Easing::easeOut, raised, target, 0, 1},
                     [this, alive = alive_, generation] {
                         if (!*alive || generation != generation_) return;
                         animatingEntrance_ = false;
                         layout();  // a size that changed during the slide
                     });
}

void PanelController::close() {
    if (!surface_.isVisible() || closing_) return;
    closing_ = true;
    // The fade replaces the entrance; the flag goes with it, or later size
    // changes would wait for an entrance that never ends.
    surface_.stopAnimation();
    animatingEntrance_ = false;
    surface_.removeDismissMonitors();
    const std::uint64_t generation = generation_;
    surface_.animate({120, PanelAnimation::Easing::easeIn, std::nullopt, std::nullopt, 1, 0},
                     [this, alive = alive_, generation] {
                         if (!*alive || generation != generation_) return;
                         surface_.orderOut();
                         surface_.dropContent();
                         hasContent_ = false;
                         surface_.setOpacity(1);
                         closing_ = false;
                     });
}

void PanelController::contentSizeChanged() {
    if (animatingEntrance_ || pendingLayout_) return;
    pendingLayout_ = true;
    surface_.post([this, alive = alive_] {
        if (!*alive) return;
        pendingLayout_ = false;
        layout();
    });
}

void PanelController::layout() {
    if (layingOut_ || !hasContent_) return;
    layingOut_ = true;
    QSizeF size = surface_.contentSize();
    if (!(size.width() > 0 && size.height() > 0)) size = surface_.frame().size();
    if (const auto frame = surface_.frameFor(size); frame && differs(*frame, surface_.frame())) surface_.setFrame(*frame);
    layingOut_ = false;
}

}  // namespace zephrane
