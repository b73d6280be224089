// The pickable tile the settings build their accent and backdrop pickers
// from: any small content, padded, with a ring in the accent colour around
// the chosen one. The ring follows the padded tile (radius 9 against the
// content's 7), so it sits in the padding and never covers the content;
// the whole padded tile takes clicks.
#pragma once

#include <QSizeF>

namespace zephrane::design {

namespace SelectableSwatchMetrics {
inline constexpr double kMinimumContentSide = 24;  // points
inline constexpr double kPadding = 2.5;            // points, every side
inline constexpr double kContentCornerRadius = 7;  // the hover highlight's shape
inline constexpr double kRingCornerRadius = 9;
inline constexpr double kRingWidth = 2;  // stroked inside the tile's edge
}  // namespace SelectableSwatchMetrics

// The content's frame: at least 24 x 24 points, larger content keeps its
// size. Sizes that are negative or NaN count as 0.
QSizeF selectableSwatchContentFrame(QSizeF content);
// The tile: the content's frame and the padding on every side.
QSizeF selectableSwatchTileSize(QSizeF content);

}  // namespace zephrane::design
