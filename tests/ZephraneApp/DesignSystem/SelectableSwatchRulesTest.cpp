#include "ZephraneApp/DesignSystem/Controls/SelectableSwatchRules.hpp"

#include <limits>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

TEST(SelectableSwatchRulesTest, ContentIsAtLeast24PointsAndThePaddingGoesAround) {
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    const struct {
        QSizeF content, frame, tile;
        const char* what;
    } rows[] = {
        {{14, 14}, {24, 24}, {29, 29}, "a colour dot is framed to 24 and padded to 29"},
        {{0, 0}, {24, 24}, {29, 29}, "no content"},
        {{54, 36}, {54, 36}, {59, 41}, "a backdrop swatch keeps its size"},
        {{30, 10}, {30, 24}, {35, 29}, "each side on its own"},
        {{24, 24}, {24, 24}, {29, 29}, "exactly the minimum"},
        {{-5, nan}, {24, 24}, {29, 29}, "nonsense counts as nothing"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(selectableSwatchContentFrame(row.content), row.frame) << row.what;
        EXPECT_EQ(selectableSwatchTileSize(row.content), row.tile) << row.what;
    }
}

}  // namespace
}  // namespace zephrane::design
