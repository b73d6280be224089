// The dust cycle: a short, user-started routine that pulses every fan
// between a high and a low speed to shake dust loose. This holds its fixed
// pattern and the pure decision the engine asks on every tick of a running
// cycle: drive the fans at this fraction, or stop, and why. It also names the
// state the dashboard shows.
#pragma once

#include <chrono>
#include <span>
#include <variant>

namespace zephrane {

class DustCycle {
public:
    DustCycle() = delete;

    // Exact arithmetic on elapsed time; a steady_clock difference converts
    // without loss.
    using Duration = std::chrono::nanoseconds;

    struct Step {
        double dutyFraction;  // 0...1 of the fan's speed range
        Duration duration;
        friend bool operator==(const Step&, const Step&) = default;
    };

    struct Run {
        double dutyFraction;
        int stepIndex;       // zero-based
        Duration remaining;  // of the whole cycle, not of the step
        friend bool operator==(const Run&, const Run&) = default;
    };
    struct Finished {
        friend bool operator==(const Finished&, const Finished&) = default;
    };
    struct AbortOverTemp {
        friend bool operator==(const AbortOverTemp&, const AbortOverTemp&) = default;
    };
    // Fan speeds cannot be written without the daemon.
    struct AbortHelperLost {
        friend bool operator==(const AbortHelperLost&, const AbortHelperLost&) = default;
    };
    using Verdict = std::variant<Run, Finished, AbortOverTemp, AbortHelperLost>;

    // 0.8 for 3 s then 0.3 for 2 s, five times over.
    static std::span<const Step> pattern() noexcept;
    static Duration totalDuration() noexcept;  // 25 s
    static constexpr double abortTemperature = 85.0;  // °C

    // The daemon check comes first, then the temperature (a reading that is
    // not a number aborts too), then the end of the pattern. A step's end
    // instant already belongs to the next step; a negative elapsed time is
    // step 0 with more than the whole cycle remaining.
    static Verdict verdict(Duration elapsed, double controlTemp, bool helperConnected) noexcept;
};

// What the dust-cycle card shows.
struct DustCycleUIState {
    struct Running {
        int secondsRemaining;
        friend bool operator==(const Running&, const Running&) = default;
    };
    // No cycle has run, or the shown result was cleared.
    struct Idle {
        friend bool operator==(const Idle&, const Idle&) = default;
    };
    struct Completed {
        friend bool operator==(const Completed&, const Completed&) = default;
    };
    // The last cycle was stopped early.
    struct Aborted {
        friend bool operator==(const Aborted&, const Aborted&) = default;
    };

    std::variant<Running, Idle, Completed, Aborted> state = Idle{};

    friend bool operator==(const DustCycleUIState&, const DustCycleUIState&) = default;
};

}  // namespace zephrane
