// The theme singleton follows the appearance and the display options, and
// resolves its tokens for the one in force.
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"

#include <QGuiApplication>
#include <QPalette>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/AccentColor.hpp"
#include "ZephraneApp/DesignSystem/Tokens/HeatColors.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"

namespace zephrane::design {
namespace {

class ThemeTokensTest : public ::testing::Test {
protected:
    void TearDown() override {
        QGuiApplication::setPalette(original_);
    }

    static void setWindowColour(const QColor& c) {
        QPalette palette = QGuiApplication::palette();
        palette.setColor(QPalette::Window, c);
        QGuiApplication::setPalette(palette);
    }

    const QPalette original_ = QGuiApplication::palette();
    accessibility::FakeDisplayOptions options_;
};

TEST_F(ThemeTokensTest, FollowsThePaletteUnlessAnAppearanceIsForced) {
    setWindowColour(QColor(240, 240, 240));
    ThemeTokens theme(&options_, nullptr);
    QSignalSpy changed(&theme, &ThemeTokens::appearanceChanged);
    EXPECT_FALSE(theme.dark());
    EXPECT_EQ(theme.windowBackground(), Theme::windowBackground().light);

    setWindowColour(QColor(35, 35, 38));
    EXPECT_TRUE(theme.dark());
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(theme.warningColor(), Theme::warningColor().dark);

    theme.setForcedAppearance(Theme::Appearance::light);
    EXPECT_FALSE(theme.dark());
    setWindowColour(QColor(20, 20, 20));
    EXPECT_FALSE(theme.dark());  // forced: the palette no longer decides
    theme.setForcedAppearance(std::nullopt);
    EXPECT_TRUE(theme.dark());
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(ThemeTokensTest, PassesOnDisplayOptionChangesOnlyWhenTheyChange) {
    ThemeTokens theme(&options_, nullptr);
    QSignalSpy changed(&theme, &ThemeTokens::displayOptionsChanged);
    options_.setOptions({true, false, true});
    EXPECT_TRUE(theme.reduceMotion());
    EXPECT_TRUE(theme.increaseContrast());
    EXPECT_FALSE(theme.reduceTransparency());
    options_.setOptions({true, false, true});
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(theme.motionDuration(ThemeTokens::Snappy, true), 150);
    EXPECT_GT(theme.motionDuration(ThemeTokens::Snappy, false), 300);
}

TEST_F(ThemeTokensTest, AccentFollowsTheChoiceHandedOverAndTheDesktop) {
    ThemeTokens theme(&options_, nullptr);
    QSignalSpy changed(&theme, &ThemeTokens::accentChanged);
    theme.setAccentChoice(Theme::AccentChoice::teal);
    theme.setAccentChoice(Theme::AccentChoice::teal);
    EXPECT_EQ(theme.accentColor(), Theme::color(Theme::AccentChoice::teal));
    EXPECT_EQ(changed.count(), 1);
    theme.setAccentChoice(Theme::AccentChoice::system);
    QPalette palette = QGuiApplication::palette();
    palette.setColor(QPalette::Active, QPalette::Highlight, QColor(200, 30, 90));
    QGuiApplication::setPalette(palette);
    EXPECT_EQ(theme.accentColor(), QColor(200, 30, 90));
    EXPECT_GE(changed.count(), 3);
}

TEST_F(ThemeTokensTest, AppearanceDependentFunctionsTakeTheAppearanceTheyAreGiven) {
    ThemeTokens theme(&options_, nullptr);
    EXPECT_EQ(theme.sensorTint("gpu.0", true), Theme::systemColor(Theme::SystemColor::purple).dark);
    EXPECT_EQ(theme.sensorTint("gpu.0", false), Theme::systemColor(Theme::SystemColor::purple).light);
    EXPECT_EQ(theme.adaptiveTemperatureColor(70, false), Theme::adaptiveTemperatureColor(70).light);
    const QList<qreal> layers = theme.shadowLayers(ThemeTokens::High, true);
    EXPECT_EQ(layers, (QList<qreal>{0.40, 12, 4, 0.46, 4.0, 1.5}));
}

TEST_F(ThemeTokensTest, WithoutSourcesEverythingIsOff) {
    ThemeTokens theme(nullptr, nullptr);
    EXPECT_EQ(theme.displayOptions(), accessibility::DisplayOptions{});
    EXPECT_FALSE(theme.systemGlassAvailable());
}

TEST_F(ThemeTokensTest, FontsAreDejaVuAndGrowWithTheDesktopText) {
    ThemeTokens theme(&options_, nullptr);
    EXPECT_EQ(theme.fontBody().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(theme.fontBody().pixelSize(), 13);
    EXPECT_EQ(theme.fontDisplay34().pixelSize(), 34);
    QSignalSpy changed(&theme, &ThemeTokens::fontsChanged);
    const QFont original = QGuiApplication::font();
    QFont large = original;
    large.setPointSizeF(15);
    QGuiApplication::setFont(large);
    EXPECT_EQ(changed.count(), 1);
    EXPECT_EQ(theme.fontBody().pixelSize(), 20);     // 13 × 1.5
    EXPECT_EQ(theme.fontDisplay34().pixelSize(), 34);  // fixed
    QGuiApplication::setFont(original);
}

}  // namespace
}  // namespace zephrane::design
