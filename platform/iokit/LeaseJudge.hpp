// A simulator's lease on what it shares, judged on this process's clock
// (KeyTableSegment.hpp, AnswerSegment.hpp): the simulator's renewal stamps
// are only compared with each other. Every look bounds the difference
// between the two clocks from above (a stamp was written no later than it
// is seen), and the smallest bound seen so far stands for it; the time
// since the last renewal is then never taken for less than it was by more
// than the staleness of the freshest stamp ever seen.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <ctime>
#include <limits>

namespace zephrane::iokit {

// CLOCK_MONOTONIC in nanoseconds: the clock renewals are stamped with, each
// process reading its own time namespace's.
inline std::int64_t monotonicNanoseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1'000'000'000 + now.tv_nsec;
}

class LeaseJudge {
public:
    // This process's CLOCK_MONOTONIC in nanoseconds; tests drive their own.
    using Clock = std::int64_t (*)();

    explicit LeaseJudge(Clock clock = monotonicNanoseconds) : clock_(clock) {}

    // Whether a lease of `lease` nanoseconds from a renewal the simulator
    // stamped `renewedAt` holds now. Safe from many threads at once.
    bool holds(std::int64_t renewedAt, std::int64_t lease) const {
        if (lease <= 0) return false;  // never renewed
        std::int64_t seen = 0;
        // Stamps from another clock may be anywhere: a difference that does
        // not fit is no renewal this side can place.
        if (__builtin_sub_overflow(clock_(), renewedAt, &seen)) return false;
        std::int64_t difference = difference_.load(std::memory_order_relaxed);
        while (seen < difference && !difference_.compare_exchange_weak(difference, seen, std::memory_order_relaxed)) {
        }
        // Since the renewal, on our clock: at least zero, as the difference
        // is the smallest `seen` there has been.
        return seen - std::min(difference, seen) < lease;
    }

private:
    Clock clock_;
    mutable std::atomic<std::int64_t> difference_{std::numeric_limits<std::int64_t>::max()};
};

}  // namespace zephrane::iokit
