// The shadows kept for the process: the same inputs give the very image
// drawn before, other inputs their own, from any number of threads.
#include "ZephraneApp/DesignSystem/Painters/PanelShadowImage.hpp"

#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane::design {
namespace {

TEST(PanelShadowImageTest, SharedShadowIsDrawnOncePerShape) {
    const QSizeF plate(360, 142.5);
    const QImage first = sharedPanelShadowImage(plate, 10, Theme::Elevation::medium, Theme::Appearance::light, 1);
    const QImage again = sharedPanelShadowImage(plate, 10, Theme::Elevation::medium, Theme::Appearance::light, 1);
    EXPECT_EQ(again.cacheKey(), first.cacheKey()) << "not drawn again";
    EXPECT_EQ(first, panelShadowImage(plate, 10, Theme::Elevation::medium, Theme::Appearance::light, 1));

    const QImage dark = sharedPanelShadowImage(plate, 10, Theme::Elevation::medium, Theme::Appearance::dark, 1);
    const QImage taller = sharedPanelShadowImage({360, 200}, 10, Theme::Elevation::medium, Theme::Appearance::light, 1);
    const QImage sharper = sharedPanelShadowImage(plate, 10, Theme::Elevation::medium, Theme::Appearance::light, 2);
    EXPECT_NE(dark.cacheKey(), first.cacheKey());
    EXPECT_EQ(taller.height(), 200 + 2 * static_cast<int>(kShadowMargin));
    EXPECT_EQ(sharper.width(), 2 * first.width());
}

TEST(PanelShadowImageTest, ManyShapesKeepTheRecentOnesRightFromManyThreads) {
    std::vector<std::thread> threads;
    std::vector<QImage> drawn(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&drawn, i] {
            for (int round = 0; round < 3; ++round)
                drawn[static_cast<std::size_t>(i)] =
                    sharedPanelShadowImage({100.0 + 10 * (i % 4), 60}, 7, Theme::Elevation::low, Theme::Appearance::light, 1);
        });
    for (std::thread& thread : threads) thread.join();
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(drawn[static_cast<std::size_t>(i)],
                  panelShadowImage({100.0 + 10 * (i % 4), 60}, 7, Theme::Elevation::low, Theme::Appearance::light, 1))
            << i;
    // More shapes than are kept: the first comes back drawn anew, and right.
    for (int i = 0; i < 40; ++i)
        sharedPanelShadowImage({50.0 + i, 50}, 7, Theme::Elevation::high, Theme::Appearance::dark, 1);
    EXPECT_EQ(sharedPanelShadowImage({50, 50}, 7, Theme::Elevation::high, Theme::Appearance::dark, 1),
              panelShadowImage({50, 50}, 7, Theme::Elevation::high, Theme::Appearance::dark, 1));
}

}  // namespace
}  // namespace zephrane::design
