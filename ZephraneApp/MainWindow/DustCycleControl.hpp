// The dust cycle's control at the foot of the fans card, its countdown, and
// what becomes of a request raised elsewhere to show its sheet.
#pragma once

#include <string>
#include <string_view>

namespace zephrane::mainwindow {

// Only with fans to pulse and the daemon to write their speeds.
bool dustCycleAvailable(bool hasFans, bool helperConnected);

// "Dust Cycle · 12s": the seconds left of a running cycle.
std::string dustCycleCountdownText(int secondsRemaining);

struct DustCycleRequestCheck {
    bool consume = false;    // the request is taken up (cleared)
    bool showSheet = false;  // and shown
    friend bool operator==(const DustCycleRequestCheck&, const DustCycleRequestCheck&) = default;
};
// A pending request is always taken up; it shows the sheet only where the
// cycle could run.
DustCycleRequestCheck dustCycleRequestCheck(bool pending, bool hasFans, bool helperConnected);

inline constexpr std::string_view kDustCycleTitle = "Dust Cycle";
inline constexpr std::string_view kDustCycleHelp = "Dust Cycle: pulse the fans to shake loose dust";
inline constexpr std::string_view kCancelDustCycle = "Cancel Dust Cycle";
inline constexpr std::string_view kDustCycleSheetBody =
    "Pulses the fans through five spin-up / spin-down cycles (~25 seconds) to shake loose surface dust.";
inline constexpr std::string_view kDustCycleSheetNote =
    "Ends automatically and returns to your current mode. Not a substitute for physically cleaning vents.";
inline constexpr std::string_view kStartDustCycle = "Start Dust Cycle";
inline constexpr std::string_view kCancel = "Cancel";

}  // namespace zephrane::mainwindow
