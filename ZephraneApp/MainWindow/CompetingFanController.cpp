#include "ZephraneApp/MainWindow/CompetingFanController.hpp"

namespace zephrane::mainwindow {

std::optional<std::string> competingFanController(const std::set<std::string>& runningIdentifiers) {
    for (const CompetingApplication& row : kCompetingApplications)
        if (runningIdentifiers.contains(std::string(row.identifier))) return std::string(row.displayName);
    return std::nullopt;
}

std::string smcUnavailableMessage(const std::optional<std::string>& competitor) {
    if (!competitor) return "SMC unavailable. Retrying automatically.";
    return "SMC unavailable. " + *competitor +
           " is running and may be holding it. Sensors reconnect automatically once it quits.";
}

}  // namespace zephrane::mainwindow
