#include "ZephraneApp/DesignSystem/Tokens/Surfaces.hpp"

#include <gtest/gtest.h>

namespace zephrane::Theme {
namespace {

SurfaceEnvironment glassSystem() {
    SurfaceEnvironment env;
    env.systemGlassAvailable = true;
    return env;
}

TEST(SurfacesTest, ReduceTransparencyIsOpaqueWithStrokeAndShadowOnAnySystem) {
    for (bool glass : {true, false}) {
        SurfaceEnvironment env;
        env.systemGlassAvailable = glass;
        env.reduceTransparency = true;
        env.overMedia = true;
        const SurfaceStyle style = surfaceStyle(env, QColor(Qt::red), true);
        EXPECT_EQ(style.rendering, SurfaceRendering::opaque);
        EXPECT_EQ(style.fill, windowBackground().light);
        EXPECT_EQ(style.stroke, edgeStroke(false, Appearance::light));
        EXPECT_FALSE(style.scrim);
        EXPECT_FALSE(style.tintFill);  // tint and interaction have no effect
        EXPECT_FALSE(style.glassTint);
        EXPECT_TRUE(style.plateShadow);
    }
}

TEST(SurfacesTest, PlainGlassHasNoScrimStrokeOrPlateShadow) {
    const SurfaceStyle style = surfaceStyle(glassSystem(), std::nullopt, false);
    EXPECT_EQ(style.rendering, SurfaceRendering::glass);
    EXPECT_EQ(style.glassVariant, GlassVariant::regular);
    EXPECT_FALSE(style.scrim);
    EXPECT_FALSE(style.stroke);
    EXPECT_FALSE(style.fill);
    EXPECT_FALSE(style.plateShadow);
}

TEST(SurfacesTest, IncreasedContrastStrokesGlassInThePrimaryColour) {
    SurfaceEnvironment env = glassSystem();
    env.increasedContrast = true;
    env.appearance = Appearance::dark;
    const SurfaceStyle style = surfaceStyle(env, std::nullopt, false);
    ASSERT_TRUE(style.stroke);
    EXPECT_EQ(style.stroke->width, 1.0);
    // 0.35 of the label colour, which is itself at 0.85.
    EXPECT_NEAR(style.stroke->color.alphaF(), 0.85 * 0.35, 0.002);
    EXPECT_EQ(style.stroke->color.rgb() & 0xFFFFFF, 0xFFFFFFu);  // white text colour in the dark
    EXPECT_NEAR(edgeStroke(true, Appearance::light).color.alphaF(), 0.85 * 0.35, 0.002);
    EXPECT_FALSE(style.scrim);
}

TEST(SurfacesTest, GlassOverAPhotoTakesTheScrimClearGlassAndHairline) {
    struct Row {
        Appearance appearance;
        bool increased;
        QColor scrimColour;
        double scrimOpacity;
        double strokeWidth;
    };
    const Row rows[] = {
        {Appearance::light, false, Qt::white, 0.22, 0.5},
        {Appearance::light, true, Qt::white, 0.44, 1.0},
        {Appearance::dark, false, Qt::black, 0.30, 0.5},
        {Appearance::dark, true, Qt::black, 0.52, 1.0},
    };
    for (const Row& row : rows) {
        SurfaceEnvironment env = glassSystem();
        env.overMedia = true;
        env.appearance = row.appearance;
        env.increasedContrast = row.increased;
        const SurfaceStyle style = surfaceStyle(env, std::nullopt, false);
        EXPECT_EQ(style.glassVariant, GlassVariant::clear);
        ASSERT_TRUE(style.scrim);
        EXPECT_EQ(style.scrim->rgb(), row.scrimColour.rgb());
        EXPECT_NEAR(style.scrim->alphaF(), row.scrimOpacity, 0.002);
        ASSERT_TRUE(style.stroke);
        EXPECT_EQ(style.stroke->width, row.strokeWidth);
    }
}

TEST(SurfacesTest, TintFillsBehindTheMaterialButTintsTheGlass) {
    const QColor tint(Qt::blue);
    const SurfaceStyle material = surfaceStyle(SurfaceEnvironment{}, tint, true);
    EXPECT_EQ(material.rendering, SurfaceRendering::material);
    EXPECT_EQ(material.fill, materialFill().light);
    ASSERT_TRUE(material.tintFill);
    EXPECT_EQ(material.tintFill->rgb(), tint.rgb());
    EXPECT_NEAR(material.tintFill->alphaF(), 0.12, 0.002);
    EXPECT_EQ(material.stroke, edgeStroke(false, Appearance::light));
    EXPECT_FALSE(material.glassInteractive);
    EXPECT_TRUE(material.plateShadow);

    const SurfaceStyle glass = surfaceStyle(glassSystem(), tint, true);
    EXPECT_EQ(glass.glassTint, tint);
    EXPECT_FALSE(glass.tintFill);
    EXPECT_TRUE(glass.glassInteractive);

    QColor translucentTint = tint;  // a banner's tint, already at 0.35
    translucentTint.setAlphaF(0.35F);
    EXPECT_NEAR(surfaceStyle(SurfaceEnvironment{}, translucentTint, false).tintFill->alphaF(), 0.35 * 0.12, 0.002);
}

TEST(SurfacesTest, ShadowTable) {
    using L = ShadowLayer;
    EXPECT_EQ(shadowLayers(Elevation::high, Appearance::dark), (std::array{L{0.40, 12, 4}, L{0.46, 4.0, 1.5}}));
    EXPECT_EQ(shadowLayers(Elevation::high, Appearance::light), (std::array{L{0.16, 12, 4}, L{0.22, 4.0, 1.5}}));
    EXPECT_EQ(shadowLayers(Elevation::medium, Appearance::light), (std::array{L{0.10, 6, 2}, L{0.16, 2.5, 1.0}}));
    EXPECT_EQ(shadowLayers(Elevation::medium, Appearance::dark), (std::array{L{0.28, 6, 2}, L{0.35, 2.5, 1.0}}));
    EXPECT_EQ(shadowLayers(Elevation::low, Appearance::light), (std::array{L{0.06, 2, 1}, L{0.10, 1.0, 0.5}}));
    EXPECT_EQ(shadowLayers(Elevation::low, Appearance::dark), (std::array{L{0.16, 2, 1}, L{0.22, 1.0, 0.5}}));
}

TEST(SurfacesTest, GlassCardLaysTheQuaternaryFillOverOnlyWhenOpaque) {
    EXPECT_FALSE(glassCardOverlay(SurfaceEnvironment{}));
    SurfaceEnvironment opaque;
    opaque.reduceTransparency = true;
    opaque.appearance = Appearance::dark;
    const auto overlay = glassCardOverlay(opaque);
    EXPECT_EQ(overlay, systemColor(SystemColor::quaternaryFill).dark);
}

// Without a compositor a see-through window shows black, so the material
// is only translucent where one runs and Reduce Transparency is off.
TEST(SurfacesTest, WindowMaterialIsTranslucentOnlyUnderACompositorWithoutReduceTransparency) {
    const struct {
        bool reduceTransparency, compositing;
        Appearance appearance;
        bool translucent;
    } rows[] = {{false, true, Appearance::light, true},  {false, true, Appearance::dark, true},
                {false, false, Appearance::light, false}, {false, false, Appearance::dark, false},
                {true, true, Appearance::light, false},  {true, true, Appearance::dark, false},
                {true, false, Appearance::dark, false}};
    for (const auto& row : rows) {
        const QColor fill = windowMaterialFill(row.reduceTransparency, row.compositing, row.appearance);
        const QColor expected = row.translucent ? windowMaterial().resolve(row.appearance)
                                                : windowBackground().resolve(row.appearance);
        EXPECT_EQ(fill, expected) << row.reduceTransparency << row.compositing;
        EXPECT_EQ(fill.alphaF() < 1.0F, row.translucent) << row.reduceTransparency << row.compositing;
    }
    // The translucent material reads as the window colour of its appearance.
    EXPECT_GT(windowMaterial().light.lightnessF(), 0.9F);
    EXPECT_LT(windowMaterial().dark.lightnessF(), 0.2F);
}

}  // namespace
}  // namespace zephrane::Theme
