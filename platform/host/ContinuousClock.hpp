// The continuous clock: time that keeps counting while the machine sleeps
// (the Mach continuous time; CLOCK_BOOTTIME on Linux), for time-outs and
// intervals that must count an hour asleep as an hour. A std::chrono clock
// whose epoch is the boot; read it here, and nowhere else.
#pragma once

#include <time.h>

#include <chrono>

namespace zephrane::host {

struct ContinuousClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ContinuousClock>;
    static constexpr bool is_steady = true;

    // The kernel's name of the clock, for timers on it (timerfd).
    static constexpr clockid_t kernelClock = CLOCK_BOOTTIME;

    static time_point now() noexcept;
};

}  // namespace zephrane::host
