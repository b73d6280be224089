// The dashboard's sensors card (a fixed handful of the device readings, one
// of them expanded at a time) and its daemon card (what the fan-control
// daemon's state means for the user, and the colour it is told in).
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ZephraneApp/DesignSystem/Controls/HelperStateRules.hpp"
#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::mainwindow {

// The readings the card shows, in this order, when the machine has them.
inline constexpr std::array<std::string_view, 5> kDashboardSensorIds{"cpu.avg", "gpu.avg", "pwr.die", "TB0T", "TH0x"};

// The ids of kDashboardSensorIds present among `available`, in the card's
// order whatever the order given; an id given twice counts once.
std::vector<std::string> dashboardSensorIds(std::span<const std::string> available);

// A tap on row `tapped`: it expands, or collapses when it was the expanded
// one; expanding one collapses any other.
std::optional<std::string> toggledExpansion(const std::optional<std::string>& expanded, const std::string& tapped);

// The daemon card stands at the top of the dashboard unless the daemon is
// connected with nothing to repair.
bool daemonNoticeShown(HelperState::Kind state, bool hasInstallIssue);

struct DaemonCardText {
    std::string title;
    std::string subtitle;
    friend bool operator==(const DaemonCardText&, const DaemonCardText&) = default;
};
// An install issue speaks first, whatever the state; an unavailable SMC
// names its reason.
DaemonCardText daemonCardText(const HelperState& state, const std::optional<std::string>& installIssue);
// Orange for an install issue, else the state's own colour.
design::HelperTint daemonCardTint(HelperState::Kind state, bool hasInstallIssue);

inline constexpr std::string_view kSensorsTitle = "Sensors";
inline constexpr std::string_view kAllSensors = "All Sensors";
inline constexpr std::string_view kAllSensorsHelp = "Open the complete sensor list";
inline constexpr std::string_view kAllSensorsHint = "Opens the complete sensor list";

}  // namespace zephrane::mainwindow
