// The dashboard's geometry: where it goes from one column to two, how wide
// the fans' gauge row may grow, and the measures every card plate shares.
// All in points (logical pixels).
#pragma once

namespace zephrane::mainwindow {

struct DashboardColumns {
    bool wide = false;      // the fans and heat sources cards side by side
    bool heroWide = false;  // the temperature hero and the power card side by side
    friend bool operator==(const DashboardColumns&, const DashboardColumns&) = default;
};

inline constexpr double kHeroWideWidth = 664;
inline constexpr double kWideWidth = 960;

// For the dashboard's reported width; a width that is not a number is narrow.
DashboardColumns dashboardColumns(double width);

// n gauges of at most 220 points, 32 apart; 0 for no fan.
double fanGaugeRowMaximumWidth(int fans);

inline constexpr double kFanGaugeMaximumWidth = 220;
inline constexpr double kFanGaugeSpacing = 32;

// Every card plate: 28 inside, corner radius 20; 16 between the dashboard's
// items and 24 around all of them.
inline constexpr double kPlatePadding = 28;
inline constexpr double kPlateRadius = 20;
inline constexpr double kDashboardSpacing = 16;
inline constexpr double kDashboardPadding = 24;
inline constexpr double kCardHeaderMinimumHeight = 32;

}  // namespace zephrane::mainwindow
