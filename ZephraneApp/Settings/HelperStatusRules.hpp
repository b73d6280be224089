// How the settings form and the first-run wizard name the fan-control
// daemon's state: a symbol per state, and the form's "Status" label with
// its colour. An install issue outranks the state.
#pragma once

#include <string>
#include <string_view>

#include "ZephraneApp/DesignSystem/Controls/HelperStateRules.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::settingsview {

std::string_view helperStateSymbol(HelperState::Kind state);

struct HelperStatus {
    std::string text;
    std::string_view symbol;
    design::HelperTint tint;
    friend bool operator==(const HelperStatus&, const HelperStatus&) = default;
};

// "Setup Needs Attention" while an install issue is set; else the state's
// label ("Not Installed", "Needs Approval", "Enabled", "Connected", or the
// reason itself when the daemon is unavailable).
HelperStatus settingsHelperStatus(const HelperState& state, bool hasInstallIssue);

}  // namespace zephrane::settingsview
