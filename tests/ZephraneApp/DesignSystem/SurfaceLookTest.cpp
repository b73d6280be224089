// A surface's look follows its theme while it is open.
#include "ZephraneApp/DesignSystem/Controls/SurfaceLook.hpp"

#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "platform/accessibility/FakeDisplayOptions.hpp"

namespace zephrane::design {
namespace {

TEST(SurfaceLookTest, SwitchesRenderingWithTheDisplayOptionsAndAppearance) {
    accessibility::FakeDisplayOptions options;
    ThemeTokens theme(&options, nullptr);
    theme.setForcedAppearance(Theme::Appearance::light);
    SurfaceLook look(theme);
    QSignalSpy changed(&look, &SurfaceLook::lookChanged);
    EXPECT_EQ(look.rendering(), SurfaceLook::Material);
    EXPECT_EQ(look.strokeWidth(), 0.5);
    EXPECT_EQ(look.cardOverlay().alpha(), 0);

    options.setOptions({false, true, false});
    EXPECT_EQ(look.rendering(), SurfaceLook::Opaque);
    EXPECT_EQ(look.fill(), Theme::windowBackground().light);
    EXPECT_GT(look.cardOverlay().alpha(), 0);

    options.setOptions({false, true, true});
    EXPECT_EQ(look.strokeWidth(), 1.0);
    theme.setForcedAppearance(Theme::Appearance::dark);
    EXPECT_EQ(look.fill(), Theme::windowBackground().dark);
    EXPECT_EQ(changed.count(), 3);
    options.setOptions({true, true, true});  // Reduce Motion changes no surface
    EXPECT_EQ(changed.count(), 3);
}

TEST(SurfaceLookTest, ATransparentTintIsNoTint) {
    ThemeTokens theme(nullptr, nullptr);
    SurfaceLook look(theme);
    look.setTint(Qt::transparent);
    EXPECT_EQ(look.tintFill().alpha(), 0);
    look.setTint(QColor(0, 0, 255));
    EXPECT_NEAR(look.tintFill().alphaF(), 0.12, 0.01);
    look.setOverMedia(true);
    EXPECT_EQ(look.scrim().alpha(), 0);  // a scrim belongs to the system glass only
}

}  // namespace
}  // namespace zephrane::design
