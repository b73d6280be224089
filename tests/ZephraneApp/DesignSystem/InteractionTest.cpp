#include "ZephraneApp/DesignSystem/Controls/Interaction.hpp"

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

using Theme::Appearance;

TEST(InteractionTest, PressShrinksAndDisabledDims) {
    EXPECT_EQ(pressScale(true), 0.97);
    EXPECT_EQ(pressScale(false), 1.0);
    EXPECT_EQ(enabledOpacity(false), 0.4);
    EXPECT_EQ(enabledOpacity(true), 1.0);
}

TEST(InteractionTest, HoverLayersByStyle) {
    const HoverLayer lightenOn = hoverLayer(HoverStyle::lighten, true, Appearance::light);
    const HoverLayer lightenOff = hoverLayer(HoverStyle::lighten, false, Appearance::dark);
    EXPECT_TRUE(lightenOn.drawn && lightenOn.aboveContent && !lightenOn.glass);
    // 0.06 of the primary colour, which is itself at 0.85.
    EXPECT_NEAR(lightenOn.fill.alphaF(), 0.85 * 0.06, 0.002);
    EXPECT_NEAR(hoverLayer(HoverStyle::lighten, true, Appearance::dark).fill.alphaF(), 0.85 * 0.06, 0.002);
    EXPECT_EQ(lightenOn.fill.rgb() & 0xFFFFFF, 0u);  // the primary colour: black in the light
    EXPECT_TRUE(lightenOff.drawn);                   // kept, at zero, so the fade can run
    EXPECT_EQ(lightenOff.fill.alphaF(), 0.0F);

    const HoverLayer tonalOn = hoverLayer(HoverStyle::tonal, true, Appearance::light);
    EXPECT_FALSE(tonalOn.aboveContent);
    EXPECT_EQ(tonalOn.fill, Theme::systemColor(Theme::SystemColor::quaternaryFill).light);
    EXPECT_EQ(hoverLayer(HoverStyle::tonal, false, Appearance::light).fill.alphaF(), 0.0F);

    const HoverLayer glassOn = hoverLayer(HoverStyle::glass, true, Appearance::light);
    EXPECT_TRUE(glassOn.drawn && glassOn.glass && !glassOn.aboveContent);
    EXPECT_FALSE(hoverLayer(HoverStyle::glass, false, Appearance::light).drawn);
}

TEST(InteractionTest, FocusRingOnlyInTheKeyWindow) {
    struct Row { bool focused; WindowKeyState window; bool increased; FocusRing ring; };
    const Row rows[] = {
        {true, WindowKeyState::key, false, {true, 1.0, 0.5}},
        {true, WindowKeyState::key, true, {true, 2.0, 1.0}},
        {true, WindowKeyState::active, true, {}},
        {true, WindowKeyState::inactive, false, {}},
        {false, WindowKeyState::key, true, {}},
    };
    for (const Row& row : rows) EXPECT_EQ(focusRing(row.focused, row.window, row.increased), row.ring);
}

}  // namespace
}  // namespace zephrane::design
