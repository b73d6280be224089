// How fast the system reacts: from a change of the temperatures the fans are
// driven by to the fan's new target in the SMC, over the real programs (the
// simulator and the daemon as child processes, the engine with its real
// services and driver in this process). Each step holds the simulated die
// about 20 degrees hotter through control.sock ("setDieTemperature", which
// moves every reading that follows the die before it answers) and times
// until F0Tg in the simulator holds the target the engine sent for it:
//
//   0.1 s: a curve profile drives both fans, so the loop ticks ten times a
//          second; the target must rise above the one before the step;
//   1 s:   the system's automatic control, so the loop ticks once a second;
//          the CPU alert rule boosts the fans at a threshold between the two
//          temperatures, so the target must be the app's (F0Md 1) and no
//          longer the firmware's. The unlock key's first write, the first
//          thing the daemon does for the app, is timed too: the simulated
//          firmware takes manual mode only two seconds after it, as a Mac's
//          does.
//
// Between steps the die goes back down and everything settles; the step
// then waits a random part of a second, so steps fall anywhere in the
// engine's and the poller's periods. F0Tg is read through the simulator's
// shared key table, from a thread of this process, every half millisecond.
// Reported per cadence: p50, p99 and max over the steps (ZEPHRANE_LATENCY_STEPS,
// default 60), steps that saw no target within 10 s, and the load average;
// and, to tell waiting from work, the same from the moment the engine first
// published a control temperature read after the step (the poller's
// refresh) to the target.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "bench/ProcStat.hpp"
#include "platform/oslog/OSLog.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "tests/ZephraneApp/Engine/SimulatedLaptopRig.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using SteadyClock = std::chrono::steady_clock;

constexpr double kLowDieC = 45;
constexpr double kHighDieC = 65;
constexpr auto kStepLimit = 10s;

int stepCount() {
    const char* value = std::getenv("ZEPHRANE_LATENCY_STEPS");
    const int steps = value ? std::atoi(value) : 0;
    return steps > 0 ? steps : 60;
}

void spin(std::chrono::milliseconds duration) {
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(duration);
    while (timer.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

// Runs the event loop, where the engine lives, until `holds` comes true, and
// returns when it was first seen true; nothing by the limit. `holds` runs on
// a thread of its own every half millisecond, so it may read the SMC only.
std::optional<SteadyClock::time_point> watch(const std::function<bool()>& holds, std::chrono::milliseconds limit) {
    QEventLoop loop;
    std::optional<SteadyClock::time_point> seen;
    std::thread watcher([&] {
        const auto deadline = SteadyClock::now() + limit;
        while (SteadyClock::now() < deadline) {
            if (holds()) {
                seen = SteadyClock::now();
                break;
            }
            std::this_thread::sleep_for(500us);
        }
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    loop.exec();
    watcher.join();
    return seen;
}

// Runs the event loop until `holds`, asked on this thread every 20 ms, has
// held for `still` without a break; false by the limit.
bool settle(const std::function<bool()>& holds, std::chrono::milliseconds still, std::chrono::milliseconds limit) {
    const auto deadline = SteadyClock::now() + limit;
    std::optional<SteadyClock::time_point> since;
    while (SteadyClock::now() < deadline) {
        if (!holds())
            since.reset();
        else if (!since)
            since = SteadyClock::now();
        else if (SteadyClock::now() - *since >= still)
            return true;
        spin(20ms);
    }
    return false;
}

// A value of F0Tg that has stopped moving for `still`.
bool targetSettles(SMCKernelBridge& smc, std::chrono::milliseconds still) {
    double last = smc.read("F0Tg");
    return settle(
        [&] {
            const double now = smc.read("F0Tg");
            return std::exchange(last, now) == now;
        },
        still, 30s);
}

bool eventually(const std::function<bool()>& holds, std::chrono::milliseconds limit) {
    return settle(holds, 0ms, limit);
}

double hottestCPU(const ZephraneEngine& engine) {
    double hottest = 0;
    for (const auto& sensor : engine.availableSensors())
        if (sensor.category == SensorCategory::cpu && sensor.sensorClass == SensorClass::temperature &&
            sensor.name != sensor.key)
            hottest = std::max(hottest, sensor.currentTemp);
    return hottest;
}

// When the engine first publishes a new control temperature while this
// lives: the poll that read the step. Set on the event loop's thread.
struct FirstPublication {
    explicit FirstPublication(ZephraneEngine& engine)
        : connection(QObject::connect(&engine, &ZephraneEngine::controlTemperatureChanged, [this] {
              if (!at) at = SteadyClock::now();
          })) {}
    ~FirstPublication() { QObject::disconnect(connection); }
    FirstPublication(const FirstPublication&) = delete;
    FirstPublication& operator=(const FirstPublication&) = delete;

    std::optional<SteadyClock::time_point> at;
    QMetaObject::Connection connection;
};

struct Figures {
    double p50 = 0;
    double p99 = 0;
    double max = 0;
};

// Nearest rank, in milliseconds.
Figures figures(std::vector<double> milliseconds) {
    if (milliseconds.empty()) return {};
    std::sort(milliseconds.begin(), milliseconds.end());
    const auto rank = [&](double share) {
        const auto index = static_cast<std::size_t>(std::ceil(share * static_cast<double>(milliseconds.size())));
        return milliseconds[std::clamp<std::size_t>(index, 1, milliseconds.size()) - 1];
    };
    return {rank(0.50), rank(0.99), milliseconds.back()};
}

void report(benchmark::State& state, const std::string& what, const std::string& prefix,
            const std::vector<double>& milliseconds) {
    const Figures f = figures(milliseconds);
    state.counters[prefix + "p50_ms"] = f.p50;
    state.counters[prefix + "p99_ms"] = f.p99;
    state.counters[prefix + "max_ms"] = f.max;
    std::printf("%-34s p50 %7.1f ms   p99 %7.1f ms   max %7.1f ms   (%zu steps)\n", what.c_str(), f.p50, f.p99,
                f.max, milliseconds.size());
}

double sinceMs(SteadyClock::time_point from, SteadyClock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

class Run {
public:
    explicit Run(benchmark::State& state) : state_(state) {
        static int argc = 1;
        static char name[] = "SensorToTarget_bench";
        static char* argv[] = {name, nullptr};
        if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);  // lives until exit
        oslog::setOutput(oslog::Output::none);
    }

    // The rig with the die held low and the engine connected and reading;
    // false (with the error given to the benchmark) when it does not come up.
    bool start() {
        if (!rig_.serving()) return fail("the daemon did not start");
        holdDie(kLowDieC);
        smc_ = rig_.sim().openBridge();
        engine_ = &rig_.makeEngine();
        engine_->setMainWindowVisible(false);
        engine_->setControlSource(ControlSource::cpuAverage);
        engine_->start();
        if (!eventually(
                [&] {
                    return engine_->helperState() == HelperState::connected() && engine_->smcAvailable() &&
                           engine_->fans().size() == 2 && engine_->controlTemperature() > 0;
                },
                60s))
            return fail("the engine never connected and read the machine");
        return true;
    }

    // The control temperature and the hottest CPU sensor once the engine has
    // read the die at `celsius`.
    std::pair<double, double> readingsAt(double celsius) {
        holdDie(celsius);
        const double before = engine_->controlTemperature();
        eventually([&] { return std::fabs(engine_->controlTemperature() - before) > 5; }, 5s);
        spin(1500ms);  // one more refresh, whatever the phase
        return {engine_->controlTemperature(), hottestCPU(*engine_)};
    }

    void holdDie(double celsius) { rig_.sim().control({{"command", "setDieTemperature"}, {"celsius", celsius}}); }

    // Waits 0 to 1 s, so that the step falls anywhere in the loop's period.
    void randomPause() { spin(std::chrono::milliseconds(std::uniform_int_distribution<int>(0, 999)(random_))); }

    bool fail(const std::string& why) {
        state_.SkipWithError(why.c_str());
        return false;
    }

    ZephraneEngine& engine() { return *engine_; }
    SMCKernelBridge& smc() { return *smc_; }
    benchmark::State& state() { return state_; }

private:
    benchmark::State& state_;
    enginetest::SimulatedLaptopRig rig_{ZEPHRANE_SIM_PROGRAM, ZEPHRANE_DAEMON_PROGRAM, 0.3};
    std::shared_ptr<SMCKernelBridge> smc_;
    ZephraneEngine* engine_ = nullptr;
    std::mt19937 random_{std::random_device{}()};
};

void BM_SensorToTargetDriving(benchmark::State& state) {
    Run run(state);
    if (!run.start()) return;
    auto& engine = run.engine();
    auto& smc = run.smc();
    const double lowC = run.readingsAt(kLowDieC).first;
    const double highC = run.readingsAt(kHighDieC).first;
    run.holdDie(kLowDieC);
    // From a little below the low temperature to a little above the high
    // one: both steps land well inside the fans' ranges.
    const FanProfile curve{Uuid::random(),
                           "Latency curve",
                           ControlMode::adaptiveCurve,
                           0,
                           "max",
                           {CurvePoint{Uuid::random(), lowC - 5, 0.1}, CurvePoint{Uuid::random(), highC + 5, 0.9}}};
    engine.selectProfile(curve);
    if (!eventually([&] { return smc.read("F0Md") == 1 && smc.read("F1Md") == 1; }, 30s))
        return (void)run.fail("the fans were never engaged");
    if (!targetSettles(smc, 2s)) return (void)run.fail("the target never settled");

    std::vector<double> latencies;
    int missed = 0;
    const double load = bench::loadAverage();
    std::vector<double> afterRefresh;
    for (auto _ : state) {
        for (int step = 0; step < stepCount(); ++step) {
            run.randomPause();
            const double before = smc.read("F0Tg");
            const auto sent = SteadyClock::now();
            run.holdDie(kHighDieC);
            FirstPublication refreshed(engine);
            const auto seen = watch([&] { return smc.read("F0Tg") > before + 1; }, kStepLimit);
            if (seen) {
                latencies.push_back(sinceMs(sent, *seen));
                if (refreshed.at) afterRefresh.push_back(sinceMs(*refreshed.at, *seen));
            } else {
                ++missed;
            }
            run.holdDie(kLowDieC);
            if (!targetSettles(smc, 2s)) return (void)run.fail("the target never settled");
        }
    }
    report(state, "0.1 s cadence: target held", "", latencies);
    report(state, "0.1 s cadence: refresh to target", "refresh_", afterRefresh);
    state.counters["missed"] = missed;
    state.counters["load1_before"] = load;
    state.counters["load1_after"] = bench::loadAverage();
    state.counters["controlC_low"] = lowC;
    state.counters["controlC_high"] = highC;
}
BENCHMARK(BM_SensorToTargetDriving)->Iterations(1)->Unit(benchmark::kSecond);

void BM_SensorToTargetAutomatic(benchmark::State& state) {
    Run run(state);
    if (!run.start()) return;
    auto& engine = run.engine();
    auto& smc = run.smc();
    const double hotLow = run.readingsAt(kLowDieC).second;
    const double hotHigh = run.readingsAt(kHighDieC).second;
    run.holdDie(kLowDieC);
    engine.setAlertRule(SensorCategory::cpu, true, (hotLow + hotHigh) / 2, true);

    const auto firmwareHasTheFans = [&] {
        return smc.read("F0Md") == 0 && smc.read("F1Md") == 0 && !engine.isAutoBoostEngaged() &&
               !engine.isControlling();
    };
    std::vector<double> latencies;
    std::vector<double> unlocks;
    std::vector<double> afterRefresh;
    int missed = 0;
    const double load = bench::loadAverage();
    for (auto _ : state) {
        for (int step = 0; step < stepCount(); ++step) {
            // Back at the 1 s cadence: no boost, the fans the firmware's.
            if (!settle(firmwareHasTheFans, 2s, 30s)) return (void)run.fail("the fans never went back to automatic");
            run.randomPause();
            double firmwareTarget = smc.read("F0Tg");
            std::optional<SteadyClock::time_point> unlocked;
            const auto sent = SteadyClock::now();
            run.holdDie(kHighDieC);
            FirstPublication refreshed(engine);
            const auto seen = watch(
                [&] {
                    if (!unlocked && smc.read("Ftst") == 1) unlocked = SteadyClock::now();
                    const double target = smc.read("F0Tg");
                    if (smc.read("F0Md") != 1) {
                        firmwareTarget = target;
                        return false;
                    }
                    return target != firmwareTarget;
                },
                kStepLimit);
            if (seen) {
                latencies.push_back(sinceMs(sent, *seen));
                if (unlocked) unlocks.push_back(sinceMs(sent, *unlocked));
                if (unlocked && refreshed.at) afterRefresh.push_back(sinceMs(*refreshed.at, *unlocked));
            } else {
                ++missed;
            }
            run.holdDie(kLowDieC);
        }
    }
    report(state, "1 s cadence: target held", "", latencies);
    report(state, "1 s cadence: unlock key written", "unlock_", unlocks);
    report(state, "1 s cadence: refresh to unlock key", "refresh_", afterRefresh);
    state.counters["missed"] = missed;
    state.counters["load1_before"] = load;
    state.counters["load1_after"] = bench::loadAverage();
    state.counters["threshold_C"] = (hotLow + hotHigh) / 2;
}
BENCHMARK(BM_SensorToTargetAutomatic)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace zephrane
