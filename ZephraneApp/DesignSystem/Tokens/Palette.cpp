#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane::Theme {
namespace {

QColor rgb(int r, int g, int b, double alpha = 1.0) {
    QColor c(r, g, b);
    c.setAlphaF(static_cast<float>(alpha));
    return c;
}

QColor rgbF(double r, double g, double b) {
    return QColor::fromRgbF(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b));
}

}  // namespace

DynamicColor systemColor(SystemColor name) {
    switch (name) {
        case SystemColor::blue: return {rgb(0, 122, 255), rgb(10, 132, 255)};
        case SystemColor::purple: return {rgb(175, 82, 222), rgb(191, 90, 242)};
        case SystemColor::orange: return {rgb(255, 149, 0), rgb(255, 159, 10)};
        case SystemColor::green: return {rgb(52, 199, 89), rgb(48, 209, 88)};
        case SystemColor::gray: return {rgb(142, 142, 147), rgb(152, 152, 157)};
        case SystemColor::cyan: return {rgb(50, 173, 230), rgb(100, 210, 255)};
        case SystemColor::teal: return {rgb(48, 176, 199), rgb(64, 200, 224)};
        case SystemColor::red: return {rgb(255, 59, 48), rgb(255, 69, 58)};
        case SystemColor::primaryLabel: return {rgb(0, 0, 0, 0.85), rgb(255, 255, 255, 0.85)};
        case SystemColor::secondaryLabel: return {rgb(0, 0, 0, 0.5), rgb(255, 255, 255, 0.55)};
        case SystemColor::separator: return {rgb(0, 0, 0, 0.1), rgb(255, 255, 255, 0.1)};
        case SystemColor::quaternaryFill: return {rgb(0, 0, 0, 0.05), rgb(255, 255, 255, 0.08)};
        case SystemColor::tertiaryLabel: return {rgb(0, 0, 0, 0.3), rgb(255, 255, 255, 0.3)};
    }
    return {};
}

DynamicColor statusGreen() { return systemColor(SystemColor::green); }
DynamicColor statusOrange() { return systemColor(SystemColor::orange); }
DynamicColor warningColor() { return {rgbF(0.651, 0.353, 0.0), systemColor(SystemColor::orange).dark}; }
DynamicColor separatorStroke() { return systemColor(SystemColor::separator); }
DynamicColor windowBackground() { return {rgbF(0.993, 0.985, 0.967), rgbF(0.16, 0.16, 0.171)}; }
DynamicColor sliderFill() { return {rgbF(0.239, 0.259, 0.298), rgbF(1.0, 1.0, 1.0)}; }
DynamicColor sliderFillSymbol() { return {rgbF(1.0, 1.0, 1.0), rgb(0, 0, 0, 0.6)}; }
DynamicColor materialFill() { return {rgb(252, 250, 246, 0.62), rgb(40, 40, 43, 0.62)}; }
DynamicColor windowMaterial() { return {rgb(246, 244, 240, 0.82), rgb(34, 34, 37, 0.86)}; }

Appearance resolveAppearance(std::optional<Appearance> forced, std::optional<PortalColorScheme> portal,
                             const QColor& paletteWindow) {
    if (forced) return *forced;
    if (portal == PortalColorScheme::preferDark) return Appearance::dark;
    if (portal == PortalColorScheme::preferLight) return Appearance::light;
    return paletteWindow.lightnessF() < 0.5F ? Appearance::dark : Appearance::light;
}

}  // namespace zephrane::Theme
