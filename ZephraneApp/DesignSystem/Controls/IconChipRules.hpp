// The small square icon button of rows and headers: one symbol in a 26 x 26
// point target, on a soft rounded chip or bare. A button that reveals on
// hover stays dim until the pointer or the keyboard comes to it, so a row
// of them does not shout while the user reads the row.
#pragma once

#include <optional>

#include <QColor>
#include <QPointF>
#include <QSizeF>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane::design {

enum class IconChipStyle { chip, bare };

namespace IconChipMetrics {
inline constexpr double kSide = 26;         // points, the whole target
inline constexpr double kCornerRadius = 7;  // chip, hover highlight and hit shape alike
}  // namespace IconChipMetrics

inline constexpr double kIconChipRevealedOpacity = 0.8;
inline constexpr double kIconChipDimmedOpacity = 0.35;

// 1 unless the button reveals on hover; then 0.8 while hovered or focused,
// 0.35 otherwise.
double iconChipOpacity(bool hoverReveal, bool hovering, bool focused);

// The chip's fill behind the symbol: the quaternary fill; a bare button has
// none (only the hover highlight shows under the pointer).
std::optional<QColor> iconChipFill(IconChipStyle style, Theme::Appearance appearance);

// The button takes clicks inside its rounded outline only, not in the
// corners the rounding cuts away.
bool iconChipContains(QSizeF size, QPointF point);

}  // namespace zephrane::design
