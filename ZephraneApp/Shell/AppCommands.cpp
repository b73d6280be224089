#include "ZephraneApp/Shell/AppCommands.hpp"

#include <array>
#include <cctype>
#include <utility>

namespace zephrane {

const std::vector<AppCommandEntry>& appCommands() {
    static const std::vector<AppCommandEntry> table{
        {AppCommand::openMainWindow, "Open Brumalune", "", "Brumalune", true},
        {AppCommand::checkForUpdates, "Check for Updates\u2026", "", "Brumalune", false},
        {AppCommand::settings, "Settings\u2026", "\u2318,", "Brumalune", true},
        {AppCommand::quit, "Quit Brumalune", "\u2318Q", "Brumalune", true},
        {AppCommand::newCustomMode, "New Custom Mode\u2026", "\u2318N", "File", false},
        {AppCommand::exportPowerHistory, "Export Power History\u2026", "\u2318\u21e7E", "File", false},
        {AppCommand::dashboard, "Dashboard", "\u23181", "View", false},
        {AppCommand::sensors, "Sensors", "\u23182", "View", false},
        {AppCommand::modes, "Modes", "\u23183", "View", false},
        {AppCommand::settings, "Settings", "\u23184", "View", false},
        {AppCommand::startDustCycle, "Start Dust Cycle\u2026", "", "Fans", true},
    };
    return table;
}

const std::vector<FanPresetCommand>& fanPresetCommands() {
    static const std::vector<FanPresetCommand> table{
        {"Automatic", &FanProfile::appleAuto(), '1'},
        {"Quiet", &FanProfile::silentStealth(), '2'},
        {"Balanced", &FanProfile::nimbraStandard(), '3'},
        {"Max", &FanProfile::maxThermalBlast(), '4'},
    };
    return table;
}

std::string portableShortcut(std::string_view macShortcut) {
    // Qt's order: Ctrl, Shift, Alt, Meta.
    static constexpr std::array<std::pair<std::string_view, std::string_view>, 4> modifiers{{
        {"\u2318", "Ctrl+"},
        {"\u21e7", "Shift+"},
        {"\u2325", "Alt+"},
        {"\u2303", "Meta+"},
    }};
    std::string prefix;
    std::string rest(macShortcut);
    for (const auto& [symbol, name] : modifiers) {
        if (const auto at = rest.find(symbol); at != std::string::npos) {
            prefix += name;
            rest.erase(at, symbol.size());
        }
    }
    if (rest.empty()) return {};
    for (char& c : rest) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return prefix + rest;
}

std::optional<Section> sectionOf(AppCommand command) {
    switch (command) {
        case AppCommand::dashboard:
        case AppCommand::startDustCycle: return Section::dashboard;
        case AppCommand::sensors: return Section::sensors;
        case AppCommand::modes:
        case AppCommand::newCustomMode: return Section::modes;
        case AppCommand::settings: return Section::settings;
        default: return std::nullopt;
    }
}

}  // namespace zephrane
