#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

#include <gtest/gtest.h>

namespace zephrane::Theme {
namespace {

TEST(PaletteTest, AppearanceDependentTokensSwitchWithoutBeingRebuilt) {
    const DynamicColor warning = warningColor();
    const QColor light = warning.resolve(Appearance::light);
    EXPECT_NEAR(light.redF(), 0.651, 0.001);
    EXPECT_NEAR(light.greenF(), 0.353, 0.001);
    EXPECT_NEAR(light.blueF(), 0.0, 0.001);
    EXPECT_EQ(warning.resolve(Appearance::dark), systemColor(SystemColor::orange).dark);

    EXPECT_NEAR(windowBackground().resolve(Appearance::light).redF(), 0.993, 0.001);
    EXPECT_NEAR(windowBackground().resolve(Appearance::dark).blueF(), 0.171, 0.001);
    EXPECT_EQ(sliderFill().resolve(Appearance::dark), QColor(Qt::white));
    EXPECT_NEAR(sliderFillSymbol().resolve(Appearance::dark).alphaF(), 0.6, 0.01);
}

TEST(PaletteTest, PaletteTokensAreOpaqueExceptTheTranslucentOnes) {
    for (const DynamicColor& token : {statusGreen(), statusOrange(), warningColor(), windowBackground(), sliderFill()})
        for (Appearance a : {Appearance::light, Appearance::dark}) EXPECT_EQ(token.resolve(a).alphaF(), 1.0F);
    EXPECT_LT(separatorStroke().resolve(Appearance::light).alphaF(), 1.0F);
    EXPECT_LT(materialFill().resolve(Appearance::dark).alphaF(), 1.0F);
}

TEST(PaletteTest, ForcedAppearanceThenPortalThenPaletteLightness) {
    const QColor darkWindow(30, 30, 32);
    const QColor lightWindow(239, 239, 239);
    struct Row {
        const char* name;
        std::optional<Appearance> forced;
        std::optional<PortalColorScheme> portal;
        QColor window;
        Appearance expected;
    };
    const Row rows[] = {
        {"forced light beats a dark portal", Appearance::light, PortalColorScheme::preferDark, darkWindow,
         Appearance::light},
        {"forced dark beats a light palette", Appearance::dark, std::nullopt, lightWindow, Appearance::dark},
        {"portal dark beats a light palette", std::nullopt, PortalColorScheme::preferDark, lightWindow,
         Appearance::dark},
        {"portal light beats a dark palette", std::nullopt, PortalColorScheme::preferLight, darkWindow,
         Appearance::light},
        {"portal without preference: palette", std::nullopt, PortalColorScheme::noPreference, darkWindow,
         Appearance::dark},
        {"no portal, light palette", std::nullopt, std::nullopt, lightWindow, Appearance::light},
        {"no portal, mid grey just below half", std::nullopt, std::nullopt, QColor(127, 127, 127), Appearance::dark},
    };
    for (const Row& row : rows) EXPECT_EQ(resolveAppearance(row.forced, row.portal, row.window), row.expected) << row.name;
}

}  // namespace
}  // namespace zephrane::Theme
