#include "ZephraneApp/Shell/AppCommands.hpp"

#include <map>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

TEST(AppCommands, MacShortcutsBecomeCtrlAndMeta) {
    struct Case {
        const char* mac;
        const char* qt;
    } cases[] = {
        {"\u2318N", "Ctrl+N"},         {"\u2318,", "Ctrl+,"},           {"\u2318\u21e7E", "Ctrl+Shift+E"},
        {"\u2303\u23181", "Ctrl+Meta+1"}, {"\u2325\u21e7F", "Shift+Alt+F"}, {"", ""},
        {"\u2318", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(portableShortcut(c.mac), c.qt) << c.mac;
}

TEST(AppCommands, TheTableAndItsShortcuts) {
    std::map<std::string, std::string> shortcuts;
    std::vector<std::string> tray;
    for (const auto& entry : appCommands()) {
        EXPECT_TRUE(shortcuts.emplace(entry.title, portableShortcut(entry.macShortcut)).second) << entry.title;
        if (entry.inTrayMenu) tray.push_back(entry.title);
    }
    EXPECT_EQ(shortcuts["New Custom Mode\u2026"], "Ctrl+N");
    EXPECT_EQ(shortcuts["Export Power History\u2026"], "Ctrl+Shift+E");
    EXPECT_EQ(shortcuts["Dashboard"], "Ctrl+1");
    EXPECT_EQ(shortcuts["Modes"], "Ctrl+3");
    EXPECT_EQ(shortcuts["Settings"], "Ctrl+4");
    EXPECT_EQ(shortcuts["Settings\u2026"], "Ctrl+,");
    EXPECT_EQ(shortcuts["Check for Updates\u2026"], "");
    // Without a window the tray menu is the only way to these.
    EXPECT_EQ(tray, (std::vector<std::string>{"Open Brumalune", "Settings\u2026", "Quit Brumalune",
                                              "Start Dust Cycle\u2026"}));

    const auto& presets = fanPresetCommands();
    ASSERT_EQ(presets.size(), 4u);
    EXPECT_EQ(presets[0].title, "Automatic");
    EXPECT_EQ(presets[0].profile->id, FanProfile::appleAuto().id);
    EXPECT_EQ(presets[3].title, "Max");
    EXPECT_EQ(portableShortcut(std::string("\u2303\u2318") + presets[1].key), "Ctrl+Meta+2");
    EXPECT_EQ(sectionOf(AppCommand::newCustomMode), Section::modes);
    EXPECT_EQ(sectionOf(AppCommand::quit), std::nullopt);
}

}  // namespace
}  // namespace zephrane
