#include "ZephraneApp/Dashboard/Presenters/DashboardFonts.hpp"

#include <algorithm>

#include "ZephraneApp/DesignSystem/Tokens/Typography.hpp"
#include "shared/Saturating.hpp"

namespace zephrane::dashboard {

QFont DashboardFonts::figure(int pixelSize) {
    QFont font(Theme::kTextFamily);
    font.setPixelSize(pixelSize);
    font.setWeight(QFont::DemiBold);
    return font;
}

QFont DashboardFonts::fanSymbol() const {
    QFont font(Theme::kTextFamily);
    font.setPixelSize(15);
    return font;
}

QFont DashboardFonts::miniFanSymbol() const {
    QFont font(Theme::kTextFamily);
    font.setPixelSize(10);
    return font;
}

int DashboardFonts::minimumPixelSize(const QFont& font) const {
    return std::max(1, saturatingRound<int>(font.pixelSize() * minimumScale()));
}

// The text family has no expanded face (asking for one makes the font
// matcher settle on another face of the family for every later request):
// the letter spacing widens the caption.
QFont DashboardFonts::tracked(const QFont& font) const {
    QFont wide = font;
    wide.setLetterSpacing(QFont::AbsoluteSpacing, 1);
    return wide;
}

}  // namespace zephrane::dashboard
