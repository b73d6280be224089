// How every clickable surface answers the user: it shrinks a little while
// pressed, dims when disabled, lightens under the pointer in one of three
// looks, and shows the app's focus ring only in the window that has the
// keyboard.
#pragma once

#include <QColor>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane::design {

inline constexpr double kPressedScale = 0.97;
inline constexpr double kDisabledOpacity = 0.4;

// Scaled about the centre, the same on both axes.
double pressScale(bool pressed);
double enabledOpacity(bool enabled);

enum class HoverStyle { lighten, tonal, glass };

struct HoverLayer {
    bool drawn = false;         // false: nothing at all is drawn
    bool aboveContent = false;  // overlay above the content, else behind it
    bool glass = false;         // the glass surface rather than a plain fill
    QColor fill;                // for plain fills; may be fully clear
};

// The highlight never takes hits, whatever the style, so clicks reach the
// content beneath or above it.
HoverLayer hoverLayer(HoverStyle style, bool hovering, Theme::Appearance appearance);

// Where the window stands with the keyboard. Qt tells only whether a window
// is the active (focus) window, which is the key window here.
enum class WindowKeyState { key, active, inactive };

struct FocusRing {
    bool visible = false;
    double width = 0;    // stroked inside the shape's border
    double opacity = 0;  // of the accent colour
    friend bool operator==(const FocusRing&, const FocusRing&) = default;
};

FocusRing focusRing(bool focused, WindowKeyState window, bool increasedContrast);

}  // namespace zephrane::design
