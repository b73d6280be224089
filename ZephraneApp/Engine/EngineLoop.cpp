// The control loop: one coroutine on the GUI thread that polls, publishes,
// runs the once-a-second and slower housekeeping on continuous-clock
// deadlines, drives the fans, evaluates what the readings mean, and sleeps
// 0.1 s while the app has the fans in hand, 1 s otherwise.
#include <algorithm>
#include <exception>
#include <string>

#include <QDateTime>

#include "ZephraneApp/Engine/EngineTasks.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"
#include "shared/SensorSelection.hpp"

namespace zephrane {

using engine::attempt;
using engine::TaskInFlight;
using namespace std::chrono_literals;

namespace {

constexpr auto kSecondPeriod = 1s;
constexpr auto kMeetingPeriod = 10s;
constexpr auto kHeatPeriodWhileShown = 8s;
constexpr auto kHeatPeriodHidden = 60s;

}  // namespace

QCoro::Task<void> ZephraneEngine::runControlLoop(std::shared_ptr<LoopRun> run) {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    auto clock = clock_;
    rebuildControlPipeline();
    const Instant begin = clock->continuousNow();
    deadlines_ = Deadlines{begin, begin, begin};
    while (!run->cancellation->isCancelled()) {
        co_await tickOnce();
        if (alive.expired()) break;
        const SleepPlan plan = sleepPlan(lastPolledFans_);
        // Whatever the tick did, even a poll that failed or came back at
        // once, it ends with this sleep: the loop never spins.
        co_await clock->sleepUntil(clock->continuousNow() + plan.duration, plan.tolerance, run->cancellation);
        if (alive.expired()) break;
    }
    run->finish();
}

QCoro::Task<void> ZephraneEngine::tickOnce() {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    if (!deadlines_) {
        const Instant now = clock_->continuousNow();
        deadlines_ = Deadlines{now, now, now};
    }

    auto poller = poller_;
    std::optional<SensorPoller::Result> polled =
        co_await attempt(poller->poll(), "sensor poll failed, skipping this tick: ");
    if (alive.expired()) co_return;
    if (!polled) {
        lastPolledFans_.clear();
        co_return;
    }
    const bool sensorsRefreshed = polled->sensorsRefreshed;
    const std::vector<FanStatus> fans = polled->fans;
    lastPolledFans_ = fans;

    // The sensor lists move into the engine; from here on the tick reads
    // them there.
    publishFansIfChanged(std::move(*polled));
    if (!smcAvailable_) reopenSMCIfDue();

    const Instant tickNow = clock_->continuousNow();
    if (tickNow >= deadlines_->second) {
        co_await runOnceASecond(tickNow);
        if (alive.expired()) co_return;
    }

    if (!dustCycleStartedAt_) {
        if (!manualFanTargets_.empty()) {
            co_await applyManualTargets();
        } else if (activeProfile_) {
            co_await runControlStep(*activeProfile_, fans);
        }
        if (alive.expired()) co_return;
    }
    // Read again: the step above may have ended a dust cycle, or started one
    // while it awaited the daemon.
    if (dustCycleStartedAt_) {
        co_await runDustCycleStep();
        if (alive.expired()) co_return;
    }

    evaluateTick(sensorsRefreshed, fans);
    refreshMenuBarLabel();
}

QCoro::Task<void> ZephraneEngine::runOnceASecond(Instant tickNow) {
    TaskInFlight counted;
    std::weak_ptr<Liveness> alive = alive_;
    deadlines_->second = tickNow + kSecondPeriod;

    const auto reading = co_await attempt(powerObserver_->read(), "power state not read: ");
    if (alive.expired()) co_return;
    if (reading) {
        setClamshell(reading->clamshell);
        updatePowerTelemetry(reading->telemetry);
    }

    evaluateQuietHours(clock_->wallNow());
    sampleThermalTrend();

    if (tickNow >= deadlines_->meeting) {
        deadlines_->meeting = tickNow + kMeetingPeriod;
        if (meetingQuietEnabled_) {
            const auto inUse = co_await attempt(micMonitor_->isMicrophoneInUse(), "microphone not probed: ");
            if (alive.expired()) co_return;
            if (inUse) evaluateMeetingQuiet(*inUse);
        } else {
            evaluateMeetingQuiet(false);
        }
    }

    co_await refreshSystemLoads();
    if (alive.expired()) co_return;

    if (tickNow >= deadlines_->heat) {
        deadlines_->heat = tickNow + (dashboardVisible_ && mainWindowVisible_ ? kHeatPeriodWhileShown : kHeatPeriodHidden);
        const auto wall = clock_->wallNow();
        const QDateTime now = QDateTime::fromMSecsSinceEpoch(
            std::chrono::duration_cast<std::chrono::milliseconds>(wall.time_since_epoch()).count());
        auto rankings = co_await attempt(heatSampler_->sample(now), "heat sources not sampled: ");
        if (alive.expired()) co_return;
        if (rankings) {
            publish(heatSources_, std::move(rankings->live), &ZephraneEngine::heatSourcesChanged);
            publish(dailyHeatSources_, std::move(rankings->today), &ZephraneEngine::dailyHeatSourcesChanged);
        }
    }
}

// The readings of a refreshed tick are the sensor lists just published.
void ZephraneEngine::evaluateTick(bool sensorsRefreshed, const std::vector<FanStatus>& polledFans) {
    if (sensorsRefreshed) {
        SensorRefs named;
        for (const auto& sensor : availableSensors_)
            if (sensor.sensorClass == SensorClass::temperature && sensor.name != sensor.key) named.push_back(&sensor);
        const SMCSensor* hottest = nullptr;
        const auto consider = [&hottest](const SMCSensor& sensor) {
            if (!hottest || sensor.currentTemp > hottest->currentTemp) hottest = &sensor;
        };
        if (named.empty())
            for (const auto& sensor : availableSensors_) consider(sensor);
        else
            for (const SMCSensor* sensor : named) consider(*sensor);
        const double maxTemp = hottest ? hottest->currentTemp : 0;
        const std::string hottestName = hottest ? hottest->name : "Unknown sensor";

        double fanRPM = 0;
        bool anyFan = false;
        std::vector<PowerTelemetry::FanSpeed> speeds;
        speeds.reserve(polledFans.size());
        for (const auto& fan : polledFans) {
            if (!anyFan || fan.currentRPM > fanRPM) fanRPM = fan.currentRPM;
            anyFan = true;
            speeds.push_back({fan.currentRPM, fan.maxRPM});
        }
        telemetry_.record(maxTemp, fanRPM, rawPowerTelemetry_.systemWatts, PowerTelemetry::totalFanWatts(speeds));
        emit historyRecorded();

        lastMaxTempSample_ = maxTemp;
        setIsOverheating(maxTemp >= overheatThreshold_);
        alerts_->update(isOverheating_, hottestName, maxTemp);
        evaluateAlertRules(named);
    }
    evaluateFanHealth(polledFans);
}

ZephraneEngine::SleepPlan ZephraneEngine::sleepPlan(const std::vector<FanStatus>& polledFans) const {
    const bool appHoldsFans =
        !manualFanTargets_.empty() || isControlling_ || dustCycleStartedAt_.has_value() ||
        (activeProfile_ && activeProfile_->mode != ControlMode::appleAuto) ||
        std::any_of(polledFans.begin(), polledFans.end(), [](const FanStatus& fan) { return fan.isManaged; });
    return appHoldsFans ? fastSleep : slowSleep;
}

}  // namespace zephrane
