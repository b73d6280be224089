// One heat-attribution pass over this machine's real process table.
#include <benchmark/benchmark.h>

#include <QTemporaryDir>

#include "ZephraneApp/Services/Records/HeatAttributionSampler.hpp"
#include "platform/proc/LinuxProcessTable.hpp"

namespace {

using zephrane::HeatAttributionSampler;

// Sampling alone: the clock stands still, so the day file is written once.
void BM_HeatSample(benchmark::State& state) {
    QTemporaryDir dir;
    zephrane::proc::LinuxProcessTable table;
    const QDateTime now = QDateTime::currentDateTime();
    HeatAttributionSampler::Core sampler(dir.filePath("Zephrane"), now, table);
    sampler.sample(now);  // names resolved and counters primed, as in steady state
    for (auto _ : state) benchmark::DoNotOptimize(sampler.sample(now));
    state.counters["processes"] = static_cast<double>(table.allPids().size());
}
BENCHMARK(BM_HeatSample)->Unit(benchmark::kMillisecond);

// At the engine's fastest cadence (8 s), so one pass in eight also writes
// the day file.
void BM_HeatSampleEvery8s(benchmark::State& state) {
    QTemporaryDir dir;
    zephrane::proc::LinuxProcessTable table;
    QDateTime now = QDateTime::currentDateTime();
    HeatAttributionSampler::Core sampler(dir.filePath("Zephrane"), now, table);
    sampler.sample(now);
    for (auto _ : state) {
        now = now.addSecs(8);
        benchmark::DoNotOptimize(sampler.sample(now));
    }
}
BENCHMARK(BM_HeatSampleEvery8s)->Unit(benchmark::kMillisecond);

}  // namespace
