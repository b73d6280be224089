// What the main window's presenter tests share: the commands a presenter
// asked for as text, timers the test moves by hand, and a wait for the
// event loop to bring a condition about.
#pragma once

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"

namespace zephrane::mainwindow::testing {

inline std::vector<std::string> described(const face::ScriptedEngineFace& face) {
    std::vector<std::string> out;
    for (const face::FaceCommand& command : face.commands()) out.push_back(face::describe(command));
    return out;
}

// Runs the event loop until `condition` holds, for at most a few seconds;
// whether it came to hold.
inline bool settleUntil(const std::function<bool()>& condition) {
    const QDeadlineTimer deadline(std::chrono::seconds(5));
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

// Every event now due, handled: what answers in the event loop has answered.
inline void settle() {
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
}

// One-shot timers that fire only when the test moves time on.
class ManualTimers final : public TimerSource {
public:
    struct Timer final : CancellableTimer {
        std::chrono::nanoseconds due;
        std::function<void()> fire;
        bool cancelled = false;
        void cancel() override { cancelled = true; }
    };

    std::shared_ptr<CancellableTimer> start(std::chrono::nanoseconds delay, std::function<void()> fire) override {
        auto timer = std::make_shared<Timer>();
        timer->due = now_ + delay;
        timer->fire = std::move(fire);
        timers_.push_back(timer);
        return timer;
    }

    // Fires, in order, every timer due by now + step.
    void advance(std::chrono::nanoseconds step) {
        now_ += step;
        for (;;) {
            auto due = std::min_element(timers_.begin(), timers_.end(),
                                        [](const auto& a, const auto& b) { return a->due < b->due; });
            if (due == timers_.end() || (*due)->due > now_) return;
            auto timer = *due;
            timers_.erase(due);
            if (!timer->cancelled) timer->fire();
        }
    }

    std::size_t armed() const {
        return static_cast<std::size_t>(
            std::count_if(timers_.begin(), timers_.end(), [](const auto& t) { return !t->cancelled; }));
    }

private:
    std::chrono::nanoseconds now_{0};
    std::vector<std::shared_ptr<Timer>> timers_;
};

// A timer source the presenter owns that forwards to one the test keeps.
class TimersFor final : public TimerSource {
public:
    explicit TimersFor(ManualTimers& timers) : timers_(timers) {}
    std::shared_ptr<CancellableTimer> start(std::chrono::nanoseconds delay, std::function<void()> fire) override {
        return timers_.start(delay, std::move(fire));
    }

private:
    ManualTimers& timers_;
};

}  // namespace zephrane::mainwindow::testing
