// The app's commands: the main window's menus and, for those that need no
// window, the tray menu. Shortcuts are written the Mac's way in the table
// (⌘ Command, ⌃ Control, ⇧ Shift) and given to Qt with Command as Ctrl and
// Control as Meta, so ⌃⌘1 is Ctrl+Meta+1.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ZephraneApp/Model/Section.hpp"
#include "shared/FanModel.hpp"

namespace zephrane {

enum class AppCommand {
    newCustomMode,
    checkForUpdates,
    exportPowerHistory,
    dashboard,
    sensors,
    modes,
    settings,
    startDustCycle,
    openMainWindow,
    quit,
};

struct AppCommandEntry {
    AppCommand command;
    std::string title;
    std::string macShortcut;  // "" for none
    std::string menu;         // "File", "View", "Fans", "Brumalune"
    bool inTrayMenu = false;  // needed without a window
};

// In menu order.
const std::vector<AppCommandEntry>& appCommands();

struct FanPresetCommand {
    std::string title;
    const FanProfile* profile;
    char key;
};
// "Automatic", "Quiet", "Balanced", "Max", on ⌃⌘1 to ⌃⌘4.
const std::vector<FanPresetCommand>& fanPresetCommands();

// "⌃⌘1" → "Ctrl+Meta+1", "⌘," → "Ctrl+,", "⌘⇧E" → "Ctrl+Shift+E".
std::string portableShortcut(std::string_view macShortcut);

// The section a command shows in the main window; none for the others.
std::optional<Section> sectionOf(AppCommand command);

}  // namespace zephrane
