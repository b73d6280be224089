// The engine's three clocks and its one way to wait.
//   - continuous: keeps counting while the machine sleeps; every deadline of
//     the control loop and every throttle is measured on it;
//   - suspending: stops while the machine sleeps, so a suspend never counts
//     as time a fan spent stalled;
//   - wall: dates, for time stamps and the trend's samples.
// The control loop sleeps on the continuous clock and can be woken early by
// its cancellation. Tests replace the whole clock with one they advance by
// hand, so nothing in them waits for real time.
#pragma once

#include <chrono>
#include <coroutine>
#include <functional>
#include <memory>
#include <utility>

#include <qcoro/qcorotask.h>

class QObject;

namespace zephrane::engine {

// A clock tag for instants of the continuous clock; EngineClock gives now.
struct ContinuousClock {
    using duration = std::chrono::nanoseconds;
    using rep = duration::rep;
    using period = duration::period;
    using time_point = std::chrono::time_point<ContinuousClock>;
    static constexpr bool is_steady = true;
};
using ContinuousInstant = ContinuousClock::time_point;

// Ends a wait early. GUI thread only.
class Cancellation {
public:
    // Idempotent. Wakes the wait in progress, if any, before returning.
    void cancel();
    bool isCancelled() const { return cancelled_; }
    // A wait registers how to wake it; the next wait replaces it, and an
    // empty function clears it.
    void setWaker(std::function<void()> wake) { wake_ = std::move(wake); }

private:
    bool cancelled_ = false;
    std::function<void()> wake_;
};

// One wait that exactly one party ends, first come: the awaiting coroutine
// resumes inside finish(), on the finishing party's thread (the GUI
// thread). Later calls of finish() do nothing.
//
// Awaited through a small handle that points back here: the coroutine
// machinery may copy what it awaits, and a copy must not keep the resume.
class Wake {
public:
    Wake() = default;
    Wake(const Wake&) = delete;
    Wake& operator=(const Wake&) = delete;

    void finish(bool reached) {
        if (finished_) return;
        finished_ = true;
        reached_ = reached;
        if (auto handle = std::exchange(handle_, {})) handle.resume();
    }
    bool isFinished() const { return finished_; }

    struct Awaiter {
        Wake* wake;
        bool await_ready() const noexcept { return wake->finished_; }
        void await_suspend(std::coroutine_handle<> handle) const noexcept { wake->handle_ = handle; }
        bool await_resume() const noexcept { return wake->reached_; }
    };
    Awaiter operator co_await() noexcept { return Awaiter{this}; }

private:
    bool finished_ = false;
    bool reached_ = false;
    std::coroutine_handle<> handle_;
};

class EngineClock {
public:
    virtual ~EngineClock() = default;

    virtual ContinuousInstant continuousNow() = 0;
    virtual std::chrono::steady_clock::time_point suspendingNow() = 0;
    virtual std::chrono::system_clock::time_point wallNow() = 0;

    // Resumes at `deadline` of the continuous clock, or up to `tolerance`
    // later. true when the deadline was reached, false when `cancellation`
    // fired first (or had fired before the call). Destroying the clock wakes
    // every wait with false.
    virtual QCoro::Task<bool> sleepUntil(ContinuousInstant deadline, std::chrono::nanoseconds tolerance,
                                         std::shared_ptr<Cancellation> cancellation) = 0;
};

// The machine's clocks: CLOCK_BOOTTIME, std::chrono::steady_clock and the
// system clock. Waits run on the thread of `context` (the GUI thread) and
// must be started there.
std::unique_ptr<EngineClock> makeSystemClock(QObject* context);

}  // namespace zephrane::engine
