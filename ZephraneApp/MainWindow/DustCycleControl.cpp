#include "ZephraneApp/MainWindow/DustCycleControl.hpp"

namespace zephrane::mainwindow {

bool dustCycleAvailable(bool hasFans, bool helperConnected) { return hasFans && helperConnected; }

std::string dustCycleCountdownText(int secondsRemaining) {
    return "Dust Cycle \u00b7 " + std::to_string(secondsRemaining) + "s";
}

DustCycleRequestCheck dustCycleRequestCheck(bool pending, bool hasFans, bool helperConnected) {
    if (!pending) return {};
    return {.consume = true, .showSheet = dustCycleAvailable(hasFans, helperConnected)};
}

}  // namespace zephrane::mainwindow
