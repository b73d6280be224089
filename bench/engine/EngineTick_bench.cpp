// What one control tick costs the engine itself. The two-fan laptop's
// sensors, as the poller reads them from the simulated machine, are handed
// to the engine by the engine harness's fake poller at once, and every other
// service answers at once too, so the time is the engine's own work plus the
// fakes' (a copy of the poll result, a few recorded calls).
//
//   full: sensors re-read, the once-a-second block due, a curve profile
//         writing both fans: the tick the loop runs once a second;
//   fans: only the fans re-read, nothing due: the nine ticks in between
//         while the app drives the fans.
#include <chrono>
#include <memory>

#include <benchmark/benchmark.h>

#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"
#include "bench/ServedLaptop.hpp"
#include "sim/SimulatedSMC.hpp"
#include "tests/ZephraneApp/Engine/EngineHarness.hpp"
#include "tests/integration/SimulatedHIDEventSystemClient.hpp"
#include "tests/integration/SimulatedSMCTransport.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;

// Two readings of the laptop a few seconds apart, so that consecutive ticks
// publish changed values as they do on a live machine.
std::pair<SensorPoller::Result, SensorPoller::Result> laptopReadings() {
    sim::SimulatedSMC smc(bench::twoFanLaptop(), sim::constantLoad(0.6));
    auto bridge = std::make_shared<SMCKernelBridge>(std::make_unique<integration::SimulatedSMCTransport>(smc));
    std::chrono::nanoseconds now = 1000s;
    SensorPoller::Core core(
        bridge,
        [&smc] {
            return std::make_unique<HIDSensorSource>(std::make_unique<integration::SimulatedHIDEventSystemClient>(smc));
        },
        [&now] { return now; });
    core.poll();
    smc.advance(std::chrono::seconds(5));
    now += 1s;
    SensorPoller::Result first = core.poll();
    smc.advance(std::chrono::seconds(5));
    now += 1s;
    SensorPoller::Result second = core.poll();
    return {std::move(first), std::move(second)};
}

void runTicks(benchmark::State& state, bool full) {
    static int argc = 1;
    static char name[] = "EngineTick_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);  // lives until exit

    auto [first, second] = laptopReadings();
    enginetest::EngineHarness h(/*journaling=*/false);
    h.driver->bounds = {{0, {1200, 6000}}, {1, {1200, 6000}}};
    auto& engine = h.make(FanProfile::nimbraStandard());
    engine.setMainWindowVisible(false);
    engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
    if (!full) {
        first.sensorsRefreshed = false;
        second.sensorsRefreshed = false;
    }
    h.poller().cycle = {first, second};
    // One untimed tick: the lists published once, the deadlines set.
    QCoro::waitFor(engine.tickOnce());

    for (auto _ : state) {
        h.clock->advance(full ? 1s : 100ms);
        auto tick = engine.tickOnce();
        benchmark::DoNotOptimize(tick.isReady());
    }
    state.counters["sensors"] = static_cast<double>(first.allSensors.size());
    state.counters["fans"] = static_cast<double>(first.fans.size());
    state.counters["writes"] =
        benchmark::Counter(static_cast<double>(h.driver->writes.size()), benchmark::Counter::kAvgIterations);
}

// The one copy of a poll result that hands it from the poller to the
// engine; part of each tick above, and not the engine's own work.
void BM_PollResultHandover(benchmark::State& state) {
    const auto readings = laptopReadings();
    for (auto _ : state) {
        SensorPoller::Result copy = readings.first;
        benchmark::DoNotOptimize(copy);
    }
}
BENCHMARK(BM_PollResultHandover)->Unit(benchmark::kMicrosecond);

void BM_EngineTickFull(benchmark::State& state) { runTicks(state, true); }
BENCHMARK(BM_EngineTickFull)->Unit(benchmark::kMicrosecond);

void BM_EngineTickFansOnly(benchmark::State& state) { runTicks(state, false); }
BENCHMARK(BM_EngineTickFansOnly)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zephrane
