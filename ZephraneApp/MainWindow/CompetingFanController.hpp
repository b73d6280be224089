// When the app cannot reach the SMC, the usual cause is another fan-control
// application holding it. The main window names the first known one that
// runs, by its application identifier, in its explanation.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace zephrane::mainwindow {

struct CompetingApplication {
    std::string_view identifier;
    std::string_view displayName;
};

// Tried in this order: the table decides between two that run, not which
// started first.
inline constexpr std::array<CompetingApplication, 4> kCompetingApplications{{
    {"com.crystalidea.macsfancontrol", "Macs Fan Control"},
    {"com.tunabellysoftware.TGPro", "TG Pro"},
    {"com.bjango.istatmenus6", "iStat Menus"},
    {"com.bjango.istatmenus", "iStat Menus"},
}};

// The display name of the first application of the table among the running
// applications' identifiers; none when no row matches.
std::optional<std::string> competingFanController(const std::set<std::string>& runningIdentifiers);

// The fans card's explanation of an unreachable SMC.
std::string smcUnavailableMessage(const std::optional<std::string>& competitor);

// How often the window looks again while the SMC stays unreachable.
inline constexpr std::chrono::seconds kCompetitorPollInterval{5};

}  // namespace zephrane::mainwindow
