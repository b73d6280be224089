// How a card, plate, tab highlight or button surface is drawn. Three
// renderings are chosen when drawn: the system's glass where the system has
// it, a thin translucent material otherwise, and an opaque window-coloured
// fill whenever Reduce Transparency is on. Qt 6.4 on the desktop offers no
// system glass, so the app always passes `systemGlassAvailable` false and
// draws the material; the glass branch is kept so the rule stays whole.
#pragma once

#include <array>
#include <optional>

#include <QColor>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane::Theme {

// A floating surface's shadow tier, lowest first.
enum class Elevation { low, medium, high };

struct ShadowLayer {
    double opacity;     // of black
    double blurRadius;  // points
    double offsetY;     // points down
    friend bool operator==(const ShadowLayer&, const ShadowLayer&) = default;
};

// Wide ambient layer first, tight contact layer second (drawn over it).
std::array<ShadowLayer, 2> shadowLayers(Elevation tier, Appearance appearance);

// What the surface is drawn into.
struct SurfaceEnvironment {
    bool systemGlassAvailable = false;
    bool reduceTransparency = false;
    bool increasedContrast = false;
    bool overMedia = false;  // a photographic window backdrop lies behind
    Appearance appearance = Appearance::light;
};

enum class SurfaceRendering { glass, material, opaque };
enum class GlassVariant { regular, clear };

// Stroked inside the shape's edge (the outline inset by half the width).
struct EdgeStroke {
    QColor color;
    double width;
    friend bool operator==(const EdgeStroke&, const EdgeStroke&) = default;
};

EdgeStroke edgeStroke(bool increasedContrast, Appearance appearance);

struct SurfaceStyle {
    SurfaceRendering rendering = SurfaceRendering::material;
    // Glass only.
    GlassVariant glassVariant = GlassVariant::regular;
    std::optional<QColor> glassTint;
    bool glassInteractive = false;
    std::optional<QColor> scrim;  // behind the content, over a photo; takes no hits
    // Material and opaque: the fill behind the content, and under a tinted
    // material the tint's own fill behind that.
    std::optional<QColor> fill;
    std::optional<QColor> tintFill;
    std::optional<EdgeStroke> stroke;  // over the content; takes no hits
    // Whether a plate drawn on this surface casts its two-layer shadow: the
    // system glass brings its own.
    bool plateShadow = true;
};

SurfaceStyle surfaceStyle(const SurfaceEnvironment& environment, std::optional<QColor> tint, bool interactive);

// The window material (the system backdrop, and wherever no photograph
// can show): see-through only where a compositor blends the window with
// what lies behind it. Without one the see-through part would show black,
// so it is the opaque window background then, as under Reduce
// Transparency.
QColor windowMaterialFill(bool reduceTransparency, bool compositing, Appearance appearance);

// A banner's glass takes its tint at 0.35; a sensor chip's tile its tint
// at 0.16.
inline constexpr double kBannerTintOpacity = 0.35;
inline constexpr double kChipTintOpacity = 0.16;

// The colour with its opacity scaled by `factor`.
QColor scaledOpacity(QColor color, double factor);

// The glass card surface's extra layer: under Reduce Transparency the
// quaternary fill over the opaque surface, otherwise none.
std::optional<QColor> glassCardOverlay(const SurfaceEnvironment& environment);

}  // namespace zephrane::Theme
