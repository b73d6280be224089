// What the tray item shows for each label state the engine publishes: the
// readout text, the accessibility label, the spin tier and the tint. Pure:
// the controller turns its answers into the icon, the tooltip and the
// label. The spin stops while the screen is locked or asleep, under Reduce
// Motion and when the user turned the animation off.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ZephraneApp/Model/MenuBarReadout.hpp"

namespace zephrane {

// The part of the engine's published menu-bar label the item reads.
struct StatusLabelState {
    MenuBarReadout readout = MenuBarReadout::none;
    std::string temperatureText;
    std::string fanText;  // a decimal integer in RPM, or "--"
    std::string hottestSensorText;
    int spinTier = 0;
    bool animated = true;
    friend bool operator==(const StatusLabelState&, const StatusLabelState&) = default;
};

enum class StatusTint { none, green, greenYellow, yellow, orange, red };

// By spin tier; none outside 1 to 5.
StatusTint statusTint(int tier);

// How the icon turns at a tier: at most 24 ticks a second, each a step
// clockwise (the angle decreases). None for a tier that stands still.
struct SpinRate {
    double ticksPerSecond = 0;
    double stepRadians = 0;
};
std::optional<SpinRate> spinRate(int tier);

// A decimal integer (optional sign, digits only, within 64 bits) to the
// nearest 50, halves away from zero; any other text unchanged.
std::string roundedFanText(std::string_view fanText);

std::string statusLabelText(const StatusLabelState& state);
std::string statusAccessibilityLabel(const StatusLabelState& state);

// The item's width in points for a text of `textWidth` (0 for no text):
// the 20-point icon, then the text after a 4-point gap.
int statusItemLength(int textWidth);

class StatusItemModel {
public:
    struct Render {
        bool textChanged = false;  // the text (and so the length) must be set
        std::string text;
        std::string accessibilityLabel;
        int spinTier = 0;  // 0: still
        StatusTint tint = StatusTint::none;
    };

    Render apply(const StatusLabelState& state, bool force, bool reduceMotion);
    // An absent flag leaves its value. A render (forced) when the screen
    // went from visible to hidden or back and a state was applied before.
    std::optional<Render> updateDisplayState(std::optional<bool> screenLocked, std::optional<bool> displaysAsleep,
                                             bool reduceMotion);
    // The last state again, forced (a Reduce Motion change).
    std::optional<Render> reapply(bool reduceMotion);

    const std::optional<StatusLabelState>& lastState() const { return lastState_; }

private:
    bool visible() const { return !screenLocked_ && !displaysAsleep_; }

    std::optional<StatusLabelState> lastState_;
    bool screenLocked_ = false;
    bool displaysAsleep_ = false;
};

}  // namespace zephrane
