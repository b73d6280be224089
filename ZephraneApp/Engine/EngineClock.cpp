#include "ZephraneApp/Engine/EngineClock.hpp"

#include <time.h>

#include <vector>

#include "ZephraneApp/Concurrency/ContinuousTimers.hpp"

namespace zephrane::engine {

void Cancellation::cancel() {
    if (cancelled_) return;
    cancelled_ = true;
    if (auto wake = std::exchange(wake_, {})) wake();
}

namespace {

class SystemClock final : public EngineClock {
public:
    explicit SystemClock(QObject* context) : timers_(makeContinuousTimerSource(context)) {}

    ~SystemClock() override {
        // A loop still asleep would otherwise wait for a timer that is gone.
        const auto waits = std::move(waits_);
        for (const auto& weak : waits)
            if (auto wake = weak.lock()) wake->finish(false);
    }

    ContinuousInstant continuousNow() override {
        timespec now{};
        if (::clock_gettime(CLOCK_BOOTTIME, &now) != 0) ::clock_gettime(CLOCK_MONOTONIC, &now);
        return ContinuousInstant(std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec));
    }
    std::chrono::steady_clock::time_point suspendingNow() override { return std::chrono::steady_clock::now(); }
    std::chrono::system_clock::time_point wallNow() override { return std::chrono::system_clock::now(); }

    // The timer has no notion of tolerance; a wake-up a little late costs
    // nothing here, so the deadline alone is armed.
    QCoro::Task<bool> sleepUntil(ContinuousInstant deadline, std::chrono::nanoseconds,
                                 std::shared_ptr<Cancellation> cancellation) override {
        if (cancellation->isCancelled()) co_return false;
        auto wake = std::make_shared<Wake>();
        std::weak_ptr<Wake> weak = wake;
        forgetFinishedWaits();
        waits_.push_back(weak);
        cancellation->setWaker([weak] {
            if (auto w = weak.lock()) w->finish(false);
        });
        const auto delay = std::max(deadline - continuousNow(), std::chrono::nanoseconds(0));
        auto timer = timers_->start(delay, [weak] {
            if (auto w = weak.lock()) w->finish(true);
        });
        const bool reached = co_await *wake;
        // The clock may be gone by now; only what this frame holds is used.
        timer->cancel();
        co_return reached;
    }

private:
    void forgetFinishedWaits() {
        std::erase_if(waits_, [](const std::weak_ptr<Wake>& w) {
            auto wake = w.lock();
            return !wake || wake->isFinished();
        });
    }

    std::unique_ptr<TimerSource> timers_;
    std::vector<std::weak_ptr<Wake>> waits_;
};

}  // namespace

std::unique_ptr<EngineClock> makeSystemClock(QObject* context) { return std::make_unique<SystemClock>(context); }

}  // namespace zephrane::engine
