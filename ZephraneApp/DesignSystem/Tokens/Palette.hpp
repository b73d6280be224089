// The app's colours: the named system colours the desktop lacks, the palette
// tokens every view draws with, and which appearance (light or dark) they
// resolve for. A token holds both renditions and is resolved when drawn, so
// switching the appearance recolours every view without rebuilding a token.
#pragma once

#include <optional>

#include <QColor>

namespace zephrane::Theme {

enum class Appearance { light, dark };

// A colour with a light and a dark rendition, fixed when made. Only the dark
// appearance picks the dark one; anything else draws the light one.
struct DynamicColor {
    QColor light;
    QColor dark;

    QColor resolve(Appearance appearance) const { return appearance == Appearance::dark ? dark : light; }
    friend bool operator==(const DynamicColor&, const DynamicColor&) = default;
};

// The platform's named colours. Linux has none of its own, so the values are
// ours, chosen to read as the same hues in both appearances.
enum class SystemColor {
    blue,
    purple,
    orange,
    green,
    gray,
    cyan,
    teal,
    red,
    primaryLabel,
    secondaryLabel,
    separator,
    quaternaryFill,
    tertiaryLabel,
};
DynamicColor systemColor(SystemColor name);

// Palette tokens.
DynamicColor statusGreen();       // healthy or connected states
DynamicColor statusOrange();      // states that need the user
DynamicColor warningColor();      // warning symbols and texts
DynamicColor separatorStroke();   // hairlines of glass surfaces and cards
DynamicColor windowBackground();  // opaque fill in place of glass; sheets
DynamicColor sliderFill();        // the filled part of a slider track
DynamicColor sliderFillSymbol();  // symbols drawn over the slider fill
// The translucent fill that stands for the ultra-thin material.
DynamicColor materialFill();
// The window's own material behind its whole content: the window
// background, a little see-through, for a compositor to blend with the
// desktop behind the window.
DynamicColor windowMaterial();

// The light window background as the heat colours' contrast reference.
struct Rgb {
    double red = 0;
    double green = 0;
    double blue = 0;
};
inline constexpr Rgb kLightWindowBackground{0.993, 0.985, 0.967};

// The desktop portal's colour-scheme preference, by its wire values.
enum class PortalColorScheme { noPreference = 0, preferDark = 1, preferLight = 2 };

// Light or dark: a forced appearance wins; else the desktop portal's
// preference when it states one; else the palette's window colour (dark when
// its lightness is below half).
Appearance resolveAppearance(std::optional<Appearance> forced, std::optional<PortalColorScheme> portal,
                             const QColor& paletteWindow);

}  // namespace zephrane::Theme
