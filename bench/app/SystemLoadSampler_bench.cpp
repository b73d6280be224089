// One load sample over this machine's real host figures, with a registry
// holding one accelerator, as in steady state (GPU and disk from their
// caches) and with every reading taken.
#include <atomic>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>

#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"
#include "platform/host/LinuxHost.hpp"

namespace {

using zephrane::SystemLoadSampler;

class OneAccelerator final : public zephrane::iokit::IORegistry {
public:
    std::vector<zephrane::iokit::RegistryProperties> matchingServices(std::string_view) override {
        return {{{"PerformanceStatistics", {{"Device Utilization %", 37}, {"In use system memory", 123456789}}}}};
    }
    std::optional<zephrane::iokit::RegistryProperties> entryAtPath(std::string_view) override { return {}; }
    std::optional<std::string> providingPowerSourceType() override { return {}; }
    std::optional<nlohmann::json> externalPowerAdapterDetails() override { return {}; }
};

// The clock stands still after the first call, so the GPU and the disk are
// served from their caches.
void BM_SampleSteadyState(benchmark::State& state) {
    const auto start = std::chrono::steady_clock::now();
    SystemLoadSampler::Core sampler(std::make_shared<zephrane::host::LinuxHost>(), std::make_shared<OneAccelerator>(),
                                    [start] { return start; });
    sampler.sample();
    for (auto _ : state) benchmark::DoNotOptimize(sampler.sample());
}
BENCHMARK(BM_SampleSteadyState)->Unit(benchmark::kMicrosecond);

// Every call is 31 s after the previous one: registry walk and volume query
// each time.
void BM_SampleAllReads(benchmark::State& state) {
    auto now = std::make_shared<std::atomic<std::chrono::steady_clock::time_point>>(std::chrono::steady_clock::now());
    SystemLoadSampler::Core sampler(std::make_shared<zephrane::host::LinuxHost>(), std::make_shared<OneAccelerator>(),
                                    [now] { return now->load(); });
    sampler.sample();
    for (auto _ : state) {
        now->store(now->load() + std::chrono::seconds(31));
        benchmark::DoNotOptimize(sampler.sample());
    }
}
BENCHMARK(BM_SampleAllReads)->Unit(benchmark::kMicrosecond);

}  // namespace
