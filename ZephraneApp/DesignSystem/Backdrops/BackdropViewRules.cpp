#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewRules.hpp"

namespace zephrane {
namespace {

BackdropRendition shownRendition(WindowBackdrop backdrop, const BackdropEnvironment& environment,
                                 PhotoAvailability availability) {
    if (availability == PhotoAvailability::unavailable) return NativeMaterialRendition{};
    return backdropRendition(backdrop, environment);
}

}  // namespace

WindowBackground windowBackground(WindowBackdrop backdrop, const BackdropEnvironment& environment,
                                  PhotoAvailability availability) {
    BackdropRendition rendition = shownRendition(backdrop, environment, availability);
    const bool hasPhoto = photoOf(rendition) != nullptr;
    return {std::move(rendition), hasPhoto};
}

SheetBackground sheetBackground(WindowBackdrop backdrop, const BackdropEnvironment& environment,
                                PhotoAvailability availability) {
    if (environment.reduceTransparency) return {OpaqueWindowBackground{}, false};
    WindowBackground window = windowBackground(backdrop, environment, availability);
    return {std::move(window.rendition), window.backdropHasPhoto};
}

std::optional<ContentPlate> contentPlate(bool backdropHasPhoto) {
    if (!backdropHasPhoto) return std::nullopt;
    return ContentPlate{};
}

std::array<ScrimStop, 4> scrimStops(const BackdropScrim& scrim) {
    const auto wash = [&](double opacity) {
        QColor color = scrim.isLightWash ? QColor(255, 255, 255) : QColor(0, 0, 0);
        color.setAlphaF(static_cast<float>(opacity));
        return color;
    };
    return {{{0.0, wash(scrim.head)}, {0.38, wash(scrim.body)}, {0.72, wash(scrim.body)}, {1.0, wash(scrim.foot)}}};
}

}  // namespace zephrane
