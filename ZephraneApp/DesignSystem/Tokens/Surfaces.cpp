#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"

namespace zephrane::Theme {
namespace {

QColor withOpacity(QColor c, double opacity) {
    c.setAlphaF(static_cast<float>(opacity));
    return c;
}

// The scrim that keeps glass legible over a photograph.
QColor scrim(const SurfaceEnvironment& env) {
    const bool dark = env.appearance == Appearance::dark;
    const double opacity = (dark ? 0.30 : 0.22) + (env.increasedContrast ? 0.22 : 0.0);
    return withOpacity(dark ? QColor(Qt::black) : QColor(Qt::white), opacity);
}

}  // namespace

// A colour that is itself translucent (a banner's tint) keeps its own
// opacity under the layer's.
QColor scaledOpacity(QColor c, double factor) {
    c.setAlphaF(static_cast<float>(c.alphaF() * factor));
    return c;
}

QColor windowMaterialFill(bool reduceTransparency, bool compositing, Appearance appearance) {
    if (reduceTransparency || !compositing) return windowBackground().resolve(appearance);
    return windowMaterial().resolve(appearance);
}

std::array<ShadowLayer, 2> shadowLayers(Elevation tier, Appearance appearance) {
    const bool dark = appearance == Appearance::dark;
    switch (tier) {
        case Elevation::low: return {{{dark ? 0.16 : 0.06, 2, 1}, {dark ? 0.22 : 0.10, 1.0, 0.5}}};
        case Elevation::medium: return {{{dark ? 0.28 : 0.10, 6, 2}, {dark ? 0.35 : 0.16, 2.5, 1.0}}};
        case Elevation::high: return {{{dark ? 0.40 : 0.16, 12, 4}, {dark ? 0.46 : 0.22, 4.0, 1.5}}};
    }
    return {};
}

EdgeStroke edgeStroke(bool increasedContrast, Appearance appearance) {
    if (increasedContrast) {
        // The label colour is itself translucent: 0.35 of it, not 0.35 flat.
        return {scaledOpacity(systemColor(SystemColor::primaryLabel).resolve(appearance), 0.35), 1.0};
    }
    return {separatorStroke().resolve(appearance), 0.5};
}

SurfaceStyle surfaceStyle(const SurfaceEnvironment& env, std::optional<QColor> tint, bool interactive) {
    SurfaceStyle style;
    const EdgeStroke stroke = edgeStroke(env.increasedContrast, env.appearance);
    if (env.reduceTransparency) {
        style.rendering = SurfaceRendering::opaque;
        style.fill = windowBackground().resolve(env.appearance);
        style.stroke = stroke;
        return style;
    }
    if (env.systemGlassAvailable) {
        style.rendering = SurfaceRendering::glass;
        style.glassVariant = env.overMedia ? GlassVariant::clear : GlassVariant::regular;
        style.glassTint = tint;
        style.glassInteractive = interactive;
        if (env.overMedia) style.scrim = scrim(env);
        if (env.overMedia || env.increasedContrast) style.stroke = stroke;
        style.plateShadow = false;
        return style;
    }
    style.rendering = SurfaceRendering::material;
    style.fill = materialFill().resolve(env.appearance);
    if (tint) style.tintFill = scaledOpacity(*tint, 0.12);
    style.stroke = stroke;
    return style;
}

std::optional<QColor> glassCardOverlay(const SurfaceEnvironment& env) {
    if (!env.reduceTransparency) return std::nullopt;
    return systemColor(SystemColor::quaternaryFill).resolve(env.appearance);
}

}  // namespace zephrane::Theme
