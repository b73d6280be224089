// What one workspace scan costs: the scanner thread pays it every interval,
// and the workspace's constructor pays it once on the caller's thread.
#include <string>
#include <vector>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "platform/workspace/ApplicationScan.hpp"

namespace {

using namespace zephrane::workspace;

// This machine's /proc as root sees it: every process is the user's, the
// most a scan ever has to read.
void BM_ScanThisMachine(benchmark::State& state) {
    const auto identifiers = ApplicationIdentifiers::parse(R"({"blender": "org.blenderfoundation.blender"})");
    const auto user = static_cast<std::uint32_t>(::geteuid());
    std::size_t applications = 0;
    for (auto _ : state) {
        const auto found = scanApplications("/proc", user, identifiers);
        applications = found.size();
        benchmark::DoNotOptimize(found.data());
    }
    state.counters["applications"] = static_cast<double>(applications);
}
BENCHMARK(BM_ScanThisMachine)->Unit(benchmark::kMicrosecond);

void BM_DiffScans(benchmark::State& state) {
    const auto count = static_cast<int>(state.range(0));
    std::vector<RunningApplication> before, after;
    for (int i = 0; i < count; ++i) before.push_back({"/usr/lib/app-" + std::to_string(i) + "/bin/app", std::nullopt});
    after = before;
    after.erase(after.begin() + count / 2);
    after.push_back({"/opt/blender/blender", "org.blenderfoundation.blender"});
    for (auto _ : state) benchmark::DoNotOptimize(diffApplications(before, after));
}
BENCHMARK(BM_DiffScans)->Arg(50)->Arg(500)->Unit(benchmark::kMicrosecond);

}  // namespace
