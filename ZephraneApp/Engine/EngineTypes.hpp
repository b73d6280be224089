// The small value types the engine keeps as settings and state: the
// per-preset speed caps and the memory of a quiet driver. What the menu-bar
// item shows, the window backdrop and the summon shortcut are the app
// model's.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string_view>

#include "ZephraneApp/Model/GlobalShortcut.hpp"
#include "ZephraneApp/Model/MenuBarReadout.hpp"
#include "ZephraneApp/Model/WindowBackdrop.hpp"
#include "shared/FanModel.hpp"
#include "shared/JsonFwd.hpp"

namespace zephrane {

// A preset's speed caps, fractions of the fan range: on external power and
// on battery. Stored as {"ac": 0.55, "battery": 0.35}, both keys required.
struct PresetPowerCaps {
    double ac = 1.0;
    double battery = 1.0;

    friend bool operator==(const PresetPowerCaps&, const PresetPowerCaps&) = default;

    Json toJson(std::string_view path = {}) const;
    static PresetPowerCaps fromJson(const Json& value, std::string_view path = {});
};

using PresetPowerCapsTable = std::map<FanPreset, PresetPowerCaps>;

// The memory of one quiet driver (quiet hours, meeting quiet): whether it
// holds its window, and what it took over from.
struct QuietDriverState {
    std::optional<bool> wasActive;  // none: not evaluated yet (behaves as false)
    std::optional<FanPreset> priorPreset;
    std::optional<FanProfile> priorProfile;
    bool hasMemory = false;
    bool overridden = false;

    friend bool operator==(const QuietDriverState&, const QuietDriverState&) = default;
};

}  // namespace zephrane
