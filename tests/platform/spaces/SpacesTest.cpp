#include "platform/spaces/Spaces.hpp"

#include <gtest/gtest.h>

namespace zephrane::spaces {
namespace {

TEST(SpacesTest, AWindowShowsOnItsOwnDesktopOrOnAllOfThem) {
    const std::optional<std::uint32_t> unknown;
    const std::optional<bool> neither;
    const struct {
        std::optional<std::uint32_t> window, current;
        std::optional<bool> expected;
    } cases[] = {
        {0, 0, true},          {2, 0, false},           {kAllDesktops, 3, true}, {kAllDesktops, unknown, true},
        {1, unknown, neither}, {unknown, 1, neither},   {unknown, unknown, neither},
    };
    for (const auto& c : cases)
        EXPECT_EQ(showsOnDesktop(c.window, c.current), c.expected)
            << c.window.value_or(99) << " " << c.current.value_or(99);
}

}  // namespace
}  // namespace zephrane::spaces
