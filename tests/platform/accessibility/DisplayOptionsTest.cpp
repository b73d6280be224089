#include "platform/accessibility/DisplayOptions.hpp"

#include <cstring>
#include <map>
#include <string>

#include <gtest/gtest.h>

namespace zephrane::accessibility {
namespace {

TEST(DisplayOptionsTest, EnvironmentThenPreferenceThenDesktopThenOff) {
    DisplayOptionLayer environment;
    DisplayOptionLayer preference;
    DisplayOptionLayer desktop;
    environment.reduceMotion = false;
    preference.reduceMotion = true;
    desktop.reduceMotion = true;
    preference.reduceTransparency = true;
    desktop.reduceTransparency = false;
    desktop.increaseContrast = true;
    EXPECT_EQ(resolveDisplayOptions(environment, preference, desktop), (DisplayOptions{false, true, true}));
    EXPECT_EQ(resolveDisplayOptions({}, {}, {}), DisplayOptions{});
}

TEST(DisplayOptionsTest, SwitchTexts) {
    for (const char* on : {"1", "true", "TRUE", "Yes", "on"}) EXPECT_EQ(parseSwitch(on), true) << on;
    for (const char* off : {"0", "false", "No", "OFF"}) EXPECT_EQ(parseSwitch(off), false) << off;
    for (const char* none : {"", " 1", "2", "enabled", "truee"}) EXPECT_EQ(parseSwitch(none), std::nullopt) << none;
}

TEST(DisplayOptionsTest, EnvironmentOverridesByVariable) {
    const std::map<std::string, std::string> env{{"ZEPHRANE_REDUCE_MOTION", "1"},
                                                 {"ZEPHRANE_INCREASE_CONTRAST", "off"},
                                                 {"ZEPHRANE_REDUCE_TRANSPARENCY", "maybe"}};
    const DisplayOptionLayer layer = environmentOverrides([&](const char* name) -> const char* {
        const auto found = env.find(name);
        return found == env.end() ? nullptr : found->second.c_str();
    });
    EXPECT_EQ(layer.reduceMotion, true);
    EXPECT_EQ(layer.increaseContrast, false);
    EXPECT_EQ(layer.reduceTransparency, std::nullopt);
}

}  // namespace
}  // namespace zephrane::accessibility
