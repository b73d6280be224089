#include "ZephraneApp/MainWindow/DashboardCards.hpp"

#include <algorithm>

namespace zephrane::mainwindow {

std::vector<std::string> dashboardSensorIds(std::span<const std::string> available) {
    std::vector<std::string> shown;
    for (const std::string_view id : kDashboardSensorIds)
        if (std::find(available.begin(), available.end(), id) != available.end()) shown.emplace_back(id);
    return shown;
}

std::optional<std::string> toggledExpansion(const std::optional<std::string>& expanded, const std::string& tapped) {
    if (expanded == tapped) return std::nullopt;
    return tapped;
}

bool daemonNoticeShown(HelperState::Kind state, bool hasInstallIssue) {
    return state != HelperState::Kind::connected || hasInstallIssue;
}

DaemonCardText daemonCardText(const HelperState& state, const std::optional<std::string>& installIssue) {
    if (installIssue) return {"Fan-control helper setup needs attention", *installIssue};
    switch (state.kind()) {
        case HelperState::Kind::notRegistered:
            return {"Fan control needs the helper installed",
                    "Readings are live. Install the helper to enable fan control."};
        case HelperState::Kind::requiresApproval:
            return {"Fan control needs approval",
                    "Approve Brumalune's helper in System Settings \u25b8 Login Items & Extensions to enable fan "
                    "control."};
        case HelperState::Kind::enabled:
            return {"Connecting to the fan-control helper\u2026",
                    "The helper is registered. Establishing the control connection."};
        case HelperState::Kind::connected: return {"Fan control active", "Readings and fan control are live."};
        case HelperState::Kind::unavailable:
            return {"SMC unavailable: " + state.reason(), "Readings and fan control are both unavailable."};
    }
    return {};
}

design::HelperTint daemonCardTint(HelperState::Kind state, bool hasInstallIssue) {
    return hasInstallIssue ? design::HelperTint::statusOrange : design::helperStateTint(state);
}

}  // namespace zephrane::mainwindow
