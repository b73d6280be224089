#include "ZephraneApp/DesignSystem/Controls/Interaction.hpp"

#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"

namespace zephrane::design {

double pressScale(bool pressed) { return pressed ? kPressedScale : 1.0; }

double enabledOpacity(bool enabled) { return enabled ? 1.0 : kDisabledOpacity; }

HoverLayer hoverLayer(HoverStyle style, bool hovering, Theme::Appearance appearance) {
    switch (style) {
        case HoverStyle::lighten: {
            // 0.06 of the primary colour (itself translucent) over the
            // content; the layer stays in place at zero opacity so the fade
            // has something to animate.
            const QColor primary = Theme::systemColor(Theme::SystemColor::primaryLabel).resolve(appearance);
            return {true, true, false, Theme::scaledOpacity(primary, hovering ? 0.06 : 0.0)};
        }
        case HoverStyle::tonal: {
            const QColor fill = hovering ? Theme::systemColor(Theme::SystemColor::quaternaryFill).resolve(appearance)
                                         : QColor(Qt::transparent);
            return {true, false, false, fill};
        }
        case HoverStyle::glass: return {hovering, false, true, QColor()};
    }
    return {};
}

FocusRing focusRing(bool focused, WindowKeyState window, bool increasedContrast) {
    if (!focused || window != WindowKeyState::key) return {};
    return increasedContrast ? FocusRing{true, 2.0, 1.0} : FocusRing{true, 1.0, 0.5};
}

}  // namespace zephrane::design
