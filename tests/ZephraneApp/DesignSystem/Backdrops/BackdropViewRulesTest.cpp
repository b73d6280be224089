#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewRules.hpp"

#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

using A = BackdropAppearance;

TEST(BackdropViewRules, WindowAndSheetBackgrounds) {
    const BackdropRendition material = NativeMaterialRendition{};
    const BackdropRendition darkCirrus = backdropRendition(WindowBackdrop::cirrus, {A::dark, false, true});
    struct Row {
        const char* name;
        WindowBackdrop backdrop;
        BackdropEnvironment environment;
        PhotoAvailability availability;
        WindowBackground window;
        SheetBackground sheet;
    };
    const std::vector<Row> rows{
        {"system: material, no photo", WindowBackdrop::system, {A::light, false, false}, PhotoAvailability::available,
         {material, false}, {material, false}},
        {"photograph in dark with increased contrast", WindowBackdrop::cirrus, {A::dark, false, true},
         PhotoAvailability::available, {darkCirrus, true}, {darkCirrus, true}},
        {"reduce transparency: material in the window, opaque sheet", WindowBackdrop::cirrus, {A::dark, true, false},
         PhotoAvailability::available, {material, false}, {OpaqueWindowBackground{}, false}},
        {"reduce transparency on the system backdrop: still an opaque sheet", WindowBackdrop::system,
         {A::light, true, false}, PhotoAvailability::available, {material, false}, {OpaqueWindowBackground{}, false}},
        {"a photograph that cannot be shown: material, no photo", WindowBackdrop::riviera, {A::light, false, false},
         PhotoAvailability::unavailable, {material, false}, {material, false}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(windowBackground(row.backdrop, row.environment, row.availability), row.window) << row.name;
        EXPECT_EQ(sheetBackground(row.backdrop, row.environment, row.availability), row.sheet) << row.name;
    }
}

TEST(BackdropViewRules, ContentPlateOnlyOverAPhotograph) {
    EXPECT_EQ(contentPlate(false), std::nullopt);
    ASSERT_TRUE(contentPlate(true).has_value());
    EXPECT_EQ(contentPlate(true)->cornerRadius, 20);
}

TEST(BackdropViewRules, ScrimStopsCarryTheWashTopToBottom) {
    const auto stops = scrimStops({0.66, 0.48, 0.50, true});
    const double locations[] = {0.0, 0.38, 0.72, 1.0};
    const double opacities[] = {0.66, 0.48, 0.48, 0.50};
    for (std::size_t i = 0; i < stops.size(); ++i) {
        EXPECT_EQ(stops[i].location, locations[i]);
        EXPECT_EQ(stops[i].color.rgb() & 0xffffffU, 0xffffffU) << "white wash";
        EXPECT_NEAR(stops[i].color.alphaF(), opacities[i], 0.001);
    }
    for (const ScrimStop& stop : scrimStops({0.38, 0.05, 0.15, false}))
        EXPECT_EQ(stop.color.rgb() & 0xffffffU, 0U) << "black wash";
}

}  // namespace
}  // namespace zephrane
