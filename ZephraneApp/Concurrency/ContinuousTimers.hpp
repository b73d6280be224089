// One-shot timers on the continuous clock (host::ContinuousClock: it keeps
// running while the machine sleeps), for the daemon link's time-outs and
// heartbeat pauses. Injectable, so tests advance time by hand instead of waiting.
#pragma once

#include <chrono>
#include <functional>
#include <memory>

#include "ZephraneApp/Concurrency/ContinuationGuard.hpp"

class QObject;

namespace zephrane {

class TimerSource {
public:
    virtual ~TimerSource() = default;
    // Runs `fire` once after `delay`, on the thread the source belongs to,
    // unless the returned timer is cancelled first.
    virtual std::shared_ptr<CancellableTimer> start(std::chrono::nanoseconds delay, std::function<void()> fire) = 0;
};

// Timers on the thread of `context` (an actor's context object), each a
// timerfd on the continuous clock watched by that thread's event loop. Create and
// use it on that thread only.
std::unique_ptr<TimerSource> makeContinuousTimerSource(QObject* context);

}  // namespace zephrane
