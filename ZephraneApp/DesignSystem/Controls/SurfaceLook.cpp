#include "ZephraneApp/DesignSystem/Controls/SurfaceLook.hpp"

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"

namespace zephrane::design {
namespace {

QColor orClear(const std::optional<QColor>& c) { return c.value_or(QColor(Qt::transparent)); }

}  // namespace

SurfaceLook::SurfaceLook(QObject* parent) : SurfaceLook(ThemeTokens::shared(), parent) {}

SurfaceLook::SurfaceLook(ThemeTokens& theme, QObject* parent) : QObject(parent), theme_(theme) {
    connect(&theme_, &ThemeTokens::appearanceChanged, this, &SurfaceLook::recompute);
    connect(&theme_, &ThemeTokens::displayOptionsChanged, this, &SurfaceLook::recompute);
    style_ = Theme::surfaceStyle(environment(), std::nullopt, false);
    overlay_ = Theme::glassCardOverlay(environment());
}

Theme::SurfaceEnvironment SurfaceLook::environment() const {
    Theme::SurfaceEnvironment env;
    env.systemGlassAvailable = theme_.systemGlassAvailable();
    env.reduceTransparency = theme_.reduceTransparency();
    env.increasedContrast = theme_.increaseContrast();
    env.overMedia = overMedia_;
    env.appearance = theme_.appearance();
    return env;
}

void SurfaceLook::recompute() {
    const bool tinted = tint_.isValid() && tint_.alpha() > 0;
    Theme::SurfaceStyle style =
        Theme::surfaceStyle(environment(), tinted ? std::optional<QColor>(tint_) : std::nullopt, interactive_);
    const auto overlay = Theme::glassCardOverlay(environment());
    const bool same = style.rendering == style_.rendering && style.fill == style_.fill &&
                      style.tintFill == style_.tintFill && style.scrim == style_.scrim && style.stroke == style_.stroke &&
                      style.plateShadow == style_.plateShadow && overlay == overlay_;
    style_ = std::move(style);
    overlay_ = overlay;
    if (!same) emit lookChanged();
}

void SurfaceLook::setTint(const QColor& tint) {
    if (tint == tint_) return;
    tint_ = tint;
    emit tintChanged();
    recompute();
}

void SurfaceLook::setInteractive(bool interactive) {
    if (interactive == interactive_) return;
    interactive_ = interactive;
    emit interactiveChanged();
    recompute();
}

void SurfaceLook::setOverMedia(bool overMedia) {
    if (overMedia == overMedia_) return;
    overMedia_ = overMedia;
    emit overMediaChanged();
    recompute();
}

SurfaceLook::Rendering SurfaceLook::rendering() const {
    switch (style_.rendering) {
        case Theme::SurfaceRendering::glass: return Glass;
        case Theme::SurfaceRendering::material: return Material;
        case Theme::SurfaceRendering::opaque: return Opaque;
    }
    return Material;
}

QColor SurfaceLook::fill() const { return orClear(style_.fill); }
QColor SurfaceLook::tintFill() const { return orClear(style_.tintFill); }
QColor SurfaceLook::scrim() const { return orClear(style_.scrim); }
QColor SurfaceLook::strokeColor() const { return style_.stroke ? style_.stroke->color : QColor(Qt::transparent); }
double SurfaceLook::strokeWidth() const { return style_.stroke ? style_.stroke->width : 0.0; }
QColor SurfaceLook::cardOverlay() const { return orClear(overlay_); }

}  // namespace zephrane::design
