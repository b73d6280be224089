#include "ZephraneApp/DesignSystem/Tokens/Typography.hpp"

#include <algorithm>
#include <cmath>

#include "shared/Saturating.hpp"

namespace zephrane::Theme {

FontStyle fontStyle(FontToken token) {
    switch (token) {
        case FontToken::callout: return {12, QFont::Normal};
        case FontToken::calloutMedium: return {12, QFont::Medium};
        case FontToken::calloutSemibold: return {12, QFont::DemiBold};
        case FontToken::body: return {13, QFont::Normal};
        case FontToken::bodyMedium: return {13, QFont::Medium};
        case FontToken::bodyDigits: return {13, QFont::Normal};
        case FontToken::headline: return {13, QFont::Bold};
        case FontToken::subheadlineSemibold: return {11, QFont::DemiBold};
        case FontToken::subheadlineMedium: return {11, QFont::Medium};
        case FontToken::title2Semibold: return {17, QFont::DemiBold};
        case FontToken::title3Semibold: return {15, QFont::DemiBold};
        case FontToken::caption2: return {10, QFont::Normal};
        case FontToken::caption2Semibold: return {10, QFont::DemiBold};
        case FontToken::display20: return {20, QFont::DemiBold, false};
        case FontToken::display24: return {24, QFont::Medium, false};
        case FontToken::display34: return {34, QFont::Normal, false};
    }
    return {13, QFont::Normal};
}

double textScale(double desktopPointSize) {
    constexpr double kStandardPointSize = 10.0;
    constexpr double kLargest = 2.0;
    if (!std::isfinite(desktopPointSize)) return 1.0;
    return std::clamp(desktopPointSize / kStandardPointSize, 1.0, kLargest);
}

QFont makeFont(FontToken token, double scale) {
    const FontStyle style = fontStyle(token);
    const double size = style.followsTextSize ? style.pixelSize * scale : style.pixelSize;
    QFont font(kTextFamily);
    font.setPixelSize(std::max(1, saturatingRound<int>(size)));
    font.setWeight(style.weight);
    return font;
}

}  // namespace zephrane::Theme
