#include "ZephraneApp/MainWindow/HeatSourceRules.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zephrane::mainwindow {

std::string_view heatSourceModeLabel(HeatSourceMode mode) { return mode == HeatSourceMode::today ? "Today" : "Live"; }

std::optional<HeatSourceMode> heatSourceModeFromLabel(std::string_view label) {
    if (label == "Live") return HeatSourceMode::live;
    if (label == "Today") return HeatSourceMode::today;
    return std::nullopt;
}

std::optional<HeatSourceMode> heatSourceModeAt(int index) {
    if (index == static_cast<int>(HeatSourceMode::live)) return HeatSourceMode::live;
    if (index == static_cast<int>(HeatSourceMode::today)) return HeatSourceMode::today;
    return std::nullopt;
}

std::string heatSharePercentText(double cpuShare) {
    const double percent = std::round(cpuShare * 100);
    if (!std::isfinite(percent) || std::fabs(percent) > std::numeric_limits<int>::max()) return "\u2014";
    return std::to_string(static_cast<long long>(percent)) + "%";
}

double heatShareFraction(double cpuShare) {
    if (std::isnan(cpuShare)) return 0;
    return std::clamp(cpuShare, 0.0, 1.0);
}

std::string heatSourceRowLabel(std::string_view name, double cpuShare) {
    return std::string(name) + ", " + heatSharePercentText(cpuShare);
}

std::string quitApplicationLabel(std::string_view name) { return "Quit " + std::string(name); }

HeatSourcesEmptyText heatSourcesEmptyText(HeatSourceMode mode) {
    if (mode == HeatSourceMode::today) return {"No activity recorded today", "No app has used the CPU today yet."};
    return {"Nothing hot right now", "CPU usage is idle."};
}

}  // namespace zephrane::mainwindow
