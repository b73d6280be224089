// The daemon's fail-safe rule: while manual control is engaged, more than
// `timeout` without a heartbeat hands the fans back. Times come from the
// clock that stops during sleep, so a sleeping machine does not fail safe on
// wake merely because it slept.
#pragma once

#include <chrono>
#include <optional>

namespace zephrane::helper {

// CLOCK_MONOTONIC does not advance while the machine is suspended.
using SuspendingClock = std::chrono::steady_clock;

class HeartbeatWatchdog {
public:
    explicit HeartbeatWatchdog(std::chrono::duration<double> timeout) : timeout_(timeout) {}

    void recordBeat(SuspendingClock::time_point at) {
        lastBeat_ = at;
        hasBeat_ = true;
    }

    // Engaging also counts as a beat, giving the app a fresh grace period;
    // disengaging leaves the last beat alone.
    void manualEngaged(bool engaged, SuspendingClock::time_point at) {
        manualControlEngaged_ = engaged;
        if (engaged) recordBeat(at);
    }

    // Strictly more than the time-out: an age of exactly `timeout` is still fine.
    bool shouldFailSafe(SuspendingClock::time_point now) const {
        if (!manualControlEngaged_) return false;
        if (!hasBeat_) return true;
        return now - lastBeat_ > timeout_;
    }

    // The first instant shouldFailSafe() may say yes: the last beat plus
    // the time-out (the instant itself still says no); none while manual
    // control is not engaged.
    std::optional<SuspendingClock::time_point> failSafeDue() const {
        if (!manualControlEngaged_) return std::nullopt;
        if (!hasBeat_) return SuspendingClock::time_point::min();
        return lastBeat_ + std::chrono::duration_cast<SuspendingClock::duration>(timeout_);
    }

    bool manualControlEngaged() const { return manualControlEngaged_; }
    std::optional<SuspendingClock::time_point> lastBeat() const {
        return hasBeat_ ? std::optional(lastBeat_) : std::nullopt;
    }
    std::chrono::duration<double> timeout() const { return timeout_; }

private:
    std::chrono::duration<double> timeout_;
    // A flag beside the value rather than std::optional: GCC 12 reports the
    // optional as maybe-uninitialized once inlined under the sanitizers.
    SuspendingClock::time_point lastBeat_{};
    bool hasBeat_ = false;
    bool manualControlEngaged_ = false;
};

}  // namespace zephrane::helper
