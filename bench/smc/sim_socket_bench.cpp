// What the SMC layer costs over the simulator's socket, the path both
// programs take on Linux: one cached key read (a single exchange), a full
// discovery of the two-fan laptop's 2,280 keys, and the poller's full
// refresh of every discovered sensor plus the fans with known bounds. The
// server runs in this process on its own io_context thread, in a temporary
// directory. Its key table is shared, so the reads timed here are answered
// from the client's mapping of it; only the opens cross the socket. The
// per-iteration times are kept so p50 and p99 can be reported beside the
// mean: a poller cares about its slow ticks.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <thread>
#include <vector>

#include <asio.hpp>
#include <benchmark/benchmark.h>

#include "bench/ServedLaptop.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/oslog/OSLog.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimOptions.hpp"
#include "sim/SimServer.hpp"
#include "sim/SimulatedSMC.hpp"
#include "smc/SMCFanReader.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "smc/SensorDiscovery.hpp"

namespace zephrane {
namespace {

// Times one call per iteration by hand and reports the percentiles of the
// collected times, in microseconds.
class PercentileTimer {
public:
    template <typename Call>
    void time(benchmark::State& state, Call&& call) {
        const auto start = std::chrono::steady_clock::now();
        call();
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(elapsed.count());
        seconds_.push_back(elapsed.count());
    }

    void report(benchmark::State& state) {
        if (seconds_.empty()) return;
        std::sort(seconds_.begin(), seconds_.end());
        state.counters["p50_us"] = at(0.50) * 1e6;
        state.counters["p99_us"] = at(0.99) * 1e6;
        state.counters["max_us"] = seconds_.back() * 1e6;
    }

private:
    // The nearest-rank percentile.
    double at(double fraction) const {
        const auto rank = static_cast<std::size_t>(std::ceil(fraction * static_cast<double>(seconds_.size())));
        return seconds_[std::clamp<std::size_t>(rank, 1, seconds_.size()) - 1];
    }

    std::vector<double> seconds_;
};

void BM_CachedKeyReadOverSocket(benchmark::State& state) {
    oslog::setOutput(oslog::Output::none);
    bench::ServedLaptop served;
    const auto bridge = SMCKernelBridge::open();
    bridge->read("TB0T");  // fills the key-information cache
    PercentileTimer timer;
    for (auto _ : state)
        timer.time(state, [&] {
            double value = bridge->read("TB0T");
            benchmark::DoNotOptimize(value);
        });
    timer.report(state);
}
BENCHMARK(BM_CachedKeyReadOverSocket)->UseManualTime()->Unit(benchmark::kMicrosecond);

// A walk on a fresh bridge, as each new connection does it: name, key
// information and value of every key.
void BM_FullDiscoveryOverSocket(benchmark::State& state) {
    oslog::setOutput(oslog::Output::none);
    bench::ServedLaptop served;
    PercentileTimer timer;
    std::size_t sensors = 0;
    for (auto _ : state) {
        const SensorDiscovery discovery(SMCKernelBridge::open());
        timer.time(state, [&] { sensors = discovery.discoverAll().size(); });
    }
    timer.report(state);
    state.counters["sensors"] = static_cast<double>(sensors);
}
BENCHMARK(BM_FullDiscoveryOverSocket)->UseManualTime()->Unit(benchmark::kMillisecond);

// The poller's full tick: every discovered sensor re-read, then the fan
// count and each fan's status with the bounds it already knows.
void BM_FullRefreshOverSocket(benchmark::State& state) {
    oslog::setOutput(oslog::Output::none);
    bench::ServedLaptop served;
    const auto bridge = SMCKernelBridge::open();
    const SensorDiscovery discovery(bridge);
    const SMCFanReader fans(bridge);
    std::vector<SMCSensor> sensors = discovery.discoverAll();
    std::vector<SMCFanReader::Bounds> bounds;
    for (const FanStatus& fan : fans.allFans()) bounds.push_back({fan.minRPM, fan.maxRPM});

    PercentileTimer timer;
    for (auto _ : state)
        timer.time(state, [&] {
            sensors = discovery.refresh(std::move(sensors));
            const int count = fans.fanCount();
            for (int i = 0; i < count && i < static_cast<int>(bounds.size()); ++i) {
                FanStatus status = fans.status(i, bounds[static_cast<std::size_t>(i)]);
                benchmark::DoNotOptimize(status);
            }
        });
    timer.report(state);
    state.counters["sensors"] = static_cast<double>(sensors.size());
    state.counters["exchanges"] = static_cast<double>(sensors.size() + 1 + 3 * bounds.size());
}
BENCHMARK(BM_FullRefreshOverSocket)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zephrane
