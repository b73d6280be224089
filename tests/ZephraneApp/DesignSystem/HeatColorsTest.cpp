#include "ZephraneApp/DesignSystem/Tokens/HeatColors.hpp"

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

namespace zephrane::Theme {
namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr Rgb kDarkWindow{0.16, 0.16, 0.171};

void expectHsb(const QColor& c, double h, double s, double b, const std::string& where) {
    EXPECT_NEAR(c.hsvHueF(), h, 0.001) << where;
    EXPECT_NEAR(c.hsvSaturationF(), s, 0.001) << where;
    EXPECT_NEAR(c.valueF(), b, 0.001) << where;
    EXPECT_EQ(c.alphaF(), 1.0F) << where;
}

double contrast(const QColor& c, Rgb background) { return contrastRatio(relativeLuminance(c), relativeLuminance(background)); }

TEST(HeatColorsTest, PlainRampAcrossItsSegmentsAndBeyond) {
    struct Row { double t; double h, s; };
    const Row rows[] = {
        {-kInf, 0.548, 0.82}, {30, 0.548, 0.82},   {50, 0.548, 0.82},
        {61, (0.548 + 0.101) / 2, 0.91},           {72, 0.101, 1.0},
        {78.5, (0.101 + 0.009) / 2, 0.96},         {85, 0.009, 0.92},
        {120, 0.009, 0.92},   {kInf, 0.009, 0.92}, {kNaN, 0.548, 0.82},
    };
    for (const Row& row : rows) expectHsb(temperatureColor(row.t), row.h, row.s, 1.0, std::to_string(row.t));
}

TEST(HeatColorsTest, HalfDegreeKeysWithDefinedEndsForEveryDouble) {
    struct Row { double t; int key; };
    const Row rows[] = {
        {-10, 100}, {30, 100}, {49.9, 100}, {50, 100}, {50.2, 100}, {50.25, 101}, {50.3, 101},
        {72, 144},  {84.8, 170}, {85, 170},  {90, 170},  {kInf, 170}, {-kInf, 100}, {kNaN, 100},
        {std::numeric_limits<double>::max(), 170}, {-std::numeric_limits<double>::max(), 100},
    };
    for (const Row& row : rows) EXPECT_EQ(heatKey(row.t), row.key) << row.t;
}

TEST(HeatColorsTest, AdaptiveTextColourDarkIsTheRampAndLightIsLegible) {
    for (double t = 50; t <= 85; t += 0.5) {
        const DynamicColor c = adaptiveTemperatureColor(t);
        EXPECT_EQ(c.dark, temperatureColor(t)) << t;
        EXPECT_GE(contrast(c.light, kLightWindowBackground), 4.5) << t;
    }
    // The light base keeps its hue while it darkens: 72 °C is 0.0904.
    EXPECT_NEAR(adaptiveTemperatureColor(72).light.hsvHueF(), 0.0904, 0.002);
    EXPECT_EQ(adaptiveTemperatureColor(kNaN), adaptiveTemperatureColor(50));
    EXPECT_EQ(adaptiveTemperatureColor(kInf), adaptiveTemperatureColor(85));
}

TEST(HeatColorsTest, ReadoutColourHasItsOwnRampAndTheLowerTarget) {
    expectHsb(adaptiveTemperatureReadoutColor(40).dark, 0.3747, 0.92, 0.95, "cool dark");
    expectHsb(adaptiveTemperatureReadoutColor(90).dark, 0.009, 0.92, 1.0, "hot dark");
    for (double t = 50; t <= 85; t += 0.5) {
        const QColor light = adaptiveTemperatureReadoutColor(t).light;
        EXPECT_GE(contrast(light, kLightWindowBackground), 3.0) << t;
    }
    EXPECT_NE(adaptiveTemperatureReadoutColor(60).light, adaptiveTemperatureColor(60).light);
}

TEST(HeatColorsTest, ASecondCallWithTheSameKeyIsALookup) {
    const DynamicColor first = adaptiveTemperatureColor(63.1);  // key 126
    const std::size_t searches = adaptiveContrastSearches();
    EXPECT_EQ(adaptiveTemperatureColor(63.0), first);
    EXPECT_EQ(adaptiveTemperatureColor(63.2), first);
    EXPECT_EQ(adaptiveContrastSearches(), searches);
    adaptiveTemperatureReadoutColor(63.1);  // the readout keeps a cache of its own
    EXPECT_EQ(adaptiveContrastSearches(), searches + 1);
}

TEST(HeatColorsTest, LuminanceAndRatioFollowWcagWithTheOlderThreshold) {
    EXPECT_DOUBLE_EQ(relativeLuminance(QColor(Qt::white)), 1.0);
    EXPECT_DOUBLE_EQ(relativeLuminance(QColor(Qt::black)), 0.0);
    // 0.04 lies between the two published thresholds: above 0.03928 it takes
    // the power curve (0.04045 would have made it linear).
    EXPECT_NEAR(relativeLuminance(Rgb{0.04, 0.04, 0.04}), std::pow((0.04 + 0.055) / 1.055, 2.4), 1e-12);
    EXPECT_NEAR(relativeLuminance(Rgb{0.03928, 0, 0}), 0.2126 * 0.03928 / 12.92, 1e-12);
    EXPECT_DOUBLE_EQ(contrastRatio(1.0, 0.0), 21.0);
    EXPECT_DOUBLE_EQ(contrastRatio(0.0, 1.0), 21.0);
}

TEST(HeatColorsTest, EnsuringContrastStopsAtTheFirstLegibleStep) {
    const QColor yellow = QColor::fromHsvF(0.15F, 1.0F, 1.0F);
    const QColor result = ensuringContrast(yellow, kLightWindowBackground, 4.5);
    EXPECT_GE(contrast(result, kLightWindowBackground), 4.5);
    const QColor oneStepLighter = QColor::fromHsvF(0.15F, 1.0F, static_cast<float>(result.valueF() / 0.975));
    EXPECT_LT(contrast(oneStepLighter, kLightWindowBackground), 4.5);
    EXPECT_NEAR(result.hsvHueF(), 0.15, 0.002);
    EXPECT_NEAR(result.hsvSaturationF(), 1.0, 0.002);

    const QColor legible = QColor::fromHsvF(0.6F, 1.0F, 0.4F);
    EXPECT_EQ(ensuringContrast(legible, kLightWindowBackground, 4.5), legible.toRgb());
    EXPECT_FALSE(ensuringContrast(QColor(), kLightWindowBackground, 4.5).isValid());
}

TEST(HeatColorsTest, EnsuringContrastReturnsTheBestFoundNotTheLastStep) {
    // Against a dark background darkening only loses contrast: the colour
    // itself is the best of the 41 candidates.
    const QColor orange = QColor::fromHsvF(0.08F, 1.0F, 1.0F);
    const QColor result = ensuringContrast(orange, kDarkWindow, 12.0);
    EXPECT_EQ(result, orange.toRgb());
    const QColor lastStep = QColor::fromHsvF(0.08F, 1.0F, static_cast<float>(std::pow(0.975, 40)));
    EXPECT_GT(contrast(result, kDarkWindow), contrast(lastStep, kDarkWindow));

    // Against a light background a target out of reach ends at the darkest
    // step, which there is the best.
    const QColor unreachable = ensuringContrast(QColor::fromHsvF(0.15F, 1.0F, 1.0F), kLightWindowBackground, 30.0);
    EXPECT_NEAR(unreachable.valueF(), std::pow(0.975, 40), 0.002);
}

TEST(HeatColorsTest, EnsuringContrastKeepsOpacity) {
    QColor translucent = QColor::fromHsvF(0.15F, 1.0F, 1.0F);
    translucent.setAlphaF(0.5F);
    EXPECT_NEAR(ensuringContrast(translucent, kLightWindowBackground, 4.5).alphaF(), 0.5, 0.001);
}

}  // namespace
}  // namespace zephrane::Theme
