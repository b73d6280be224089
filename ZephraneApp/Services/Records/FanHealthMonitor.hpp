// Judges, fan by fan, whether a fan the app drives actually turns as
// commanded: almost still for a while (stalled), or well below its command
// for longer (underperforming, e.g. clogged with dust), and the end of either.
// A condition is reported once; only a reading of at least 90 % of the
// command, or the command going away, ends it. The monitor reads no
// hardware and keeps no clock: the engine passes each tick's instant.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <variant>

namespace zephrane {

class FanHealthMonitor {
public:
    // The monotonic clock that stops while the machine sleeps, so a suspend
    // never counts as time spent stalled.
    using Instant = std::chrono::steady_clock::time_point;

    enum class Warning : std::uint8_t { stalled, underperforming };

    struct Stalled {
        int fan;
        friend bool operator==(const Stalled&, const Stalled&) = default;
    };
    struct Underperforming {
        int fan;
        double actualRPM;
        double commandedRPM;
        friend bool operator==(const Underperforming&, const Underperforming&) = default;
    };
    struct Recovered {
        int fan;
        friend bool operator==(const Recovered&, const Recovered&) = default;
    };
    using Event = std::variant<Stalled, Underperforming, Recovered>;

    static constexpr double minimumJudgeableCommand = 500;  // rpm; below it (or none) nothing is judged
    static constexpr double stallRPMFloor = 100;            // rpm; below it the fan is not spinning
    static constexpr std::chrono::seconds stallWindow{20};
    static constexpr double underperformFraction = 0.7;     // of the command: below it the reading is low
    static constexpr std::chrono::seconds underperformWindow{90};
    static constexpr double commandStabilityTolerance = 0.1;  // a larger move of the command restarts both timers
    static constexpr double recoveryFraction = 0.9;           // of the command: at or above it a warning ends

    // One tick for one fan; at most one event. A command that is not a
    // number is not judgeable.
    std::optional<Event> observe(int fan, std::optional<double> commandedRPM, double actualRPM, Instant at);

    // The fan's active warning; none for a fan never observed.
    std::optional<Warning> warning(int fan) const;

private:
    struct FanState {
        std::optional<Instant> stallSince;        // start of the current run of near-zero readings
        std::optional<Instant> underperformSince;  // start of the current run of low readings
        std::optional<double> lastCommand;         // rpm, on the previous judgeable observation
        std::optional<Warning> warning;            // reported and not yet recovered
    };

    static std::optional<Event> judge(FanState& state, int fan, std::optional<double> commandedRPM,
                                      double actualRPM, Instant at);

    std::map<int, FanState> states_;
};

}  // namespace zephrane
