#include "ZephraneApp/DesignSystem/Controls/SelectableSwatchRules.hpp"

namespace zephrane::design {
namespace {

double atLeastMinimum(double side) {
    if (!(side > SelectableSwatchMetrics::kMinimumContentSide)) return SelectableSwatchMetrics::kMinimumContentSide;
    return side;
}

}  // namespace

QSizeF selectableSwatchContentFrame(QSizeF content) {
    return {atLeastMinimum(content.width()), atLeastMinimum(content.height())};
}

QSizeF selectableSwatchTileSize(QSizeF content) {
    const QSizeF frame = selectableSwatchContentFrame(content);
    const double padding = 2 * SelectableSwatchMetrics::kPadding;
    return {frame.width() + padding, frame.height() + padding};
}

}  // namespace zephrane::design
