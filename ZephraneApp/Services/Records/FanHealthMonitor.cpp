#include "ZephraneApp/Services/Records/FanHealthMonitor.hpp"

#include <cmath>

namespace zephrane {

std::optional<FanHealthMonitor::Event> FanHealthMonitor::observe(int fan, std::optional<double> commandedRPM,
                                                                 double actualRPM, Instant at) {
    // The entry is created on first sight and every change lands in it, on
    // every path out of judge().
    return judge(states_[fan], fan, commandedRPM, actualRPM, at);
}

std::optional<FanHealthMonitor::Warning> FanHealthMonitor::warning(int fan) const {
    const auto it = states_.find(fan);
    return it == states_.end() ? std::nullopt : it->second.warning;
}

std::optional<FanHealthMonitor::Event> FanHealthMonitor::judge(FanState& state, int fan,
                                                               std::optional<double> commandedRPM,
                                                               double actualRPM, Instant at) {
    // NaN fails the comparison, so a command that is not a number is not judged.
    if (!commandedRPM || !(*commandedRPM >= minimumJudgeableCommand)) {
        state.stallSince.reset();
        state.underperformSince.reset();
        state.lastCommand.reset();
        if (state.warning) {
            state.warning.reset();
            return Recovered{fan};
        }
        return std::nullopt;
    }

    const double command = *commandedRPM;
    if (state.lastCommand && std::abs(command - *state.lastCommand) > *state.lastCommand * commandStabilityTolerance) {
        state.stallSince.reset();
        state.underperformSince.reset();
    }
    state.lastCommand = command;

    if (state.warning) {
        if (actualRPM >= command * recoveryFraction) {
            state.warning.reset();
            state.stallSince.reset();
            state.underperformSince.reset();
            return Recovered{fan};
        }
        return std::nullopt;
    }

    if (actualRPM < stallRPMFloor) {
        if (!state.stallSince) state.stallSince = at;
        if (at - *state.stallSince < stallWindow) return std::nullopt;
        state.warning = Warning::stalled;
        return Stalled{fan};
    }

    state.stallSince.reset();
    if (actualRPM < command * underperformFraction) {
        if (!state.underperformSince) state.underperformSince = at;
        if (at - *state.underperformSince < underperformWindow) return std::nullopt;
        state.warning = Warning::underperforming;
        return Underperforming{fan, actualRPM, command};
    }
    state.underperformSince.reset();
    return std::nullopt;
}

}  // namespace zephrane
