// One control tick for one fan, as the engine and the daemon run it together:
// the pipeline's target fraction, its RPM, the deadband, the slew limiter and
// the write vetting. This runs for every fan on every tick, so it must stay
// cheap and must not allocate; the counting allocator below proves the
// latter, and allocs_per_step has to read 0 for BM_ControlStep.
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

#include <benchmark/benchmark.h>

#include "shared/ControlPipeline.hpp"
#include "shared/SlewLimiter.hpp"
#include "shared/TargetDeadband.hpp"
#include "shared/WritePolicy.hpp"

namespace {

std::atomic<std::size_t> allocations{0};

}  // namespace

// Every unaligned form is replaced, not just the plain one: the standard
// library's own array and nothrow forms would forward here, but a sanitizer
// runtime supplies its own, and memory from one family must not be freed by
// the other. Kept out of line so the compiler does not see malloc'd memory
// reach free through an inlined delete and warn about a mismatch that is
// none.
namespace {

void* countedAllocation(std::size_t size) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size == 0 ? 1 : size);
}

void* countedAllocationOrThrow(std::size_t size) {
    if (void* p = countedAllocation(size)) return p;
    throw std::bad_alloc();
}

}  // namespace

[[gnu::noinline]] void* operator new(std::size_t size) { return countedAllocationOrThrow(size); }
[[gnu::noinline]] void* operator new[](std::size_t size) { return countedAllocationOrThrow(size); }
[[gnu::noinline]] void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
[[gnu::noinline]] void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return countedAllocation(size);
}
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

using namespace zephrane;

void BM_ControlStep(benchmark::State& state) {
    ControlPipeline pipeline(FanCurve{{40, 0.0}, {60, 0.3}, {75, 0.55}, {90, 1.0}}, EMAFilter(0.3), 0.1);
    TargetDeadband deadband;
    const SlewLimiter limiter{800};
    constexpr double fanMin = 1200, fanMax = 6000, dt = 0.5;
    double current = 1200;
    // Sweeps 35...99.6 °C in 0.4 °C steps so every segment of the curve and
    // both flat ends get visited, and nothing is known at compile time.
    unsigned tick = 0;

    const std::size_t before = allocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        double temp = 35.0 + 0.4 * static_cast<double>(tick++ % 162);
        benchmark::DoNotOptimize(temp);
        const double fraction = pipeline.targetPercentage(temp);
        const double desired = ControlPipeline::percentageToRPM(fraction, fanMin, fanMax);
        const double committed = deadband.commit(desired);
        current = limiter.step(current, committed, dt);
        auto verdict = WritePolicy::vet(current, fanMin, fanMax);
        if (const auto* apply = verdict.applied()) {
            current = apply->rpm;
        } else {
            state.SkipWithError("the accepting path was not taken");
            break;
        }
        benchmark::DoNotOptimize(current);
    }
    const std::size_t after = allocations.load(std::memory_order_relaxed);
    state.counters["allocs_per_step"] =
        benchmark::Counter(static_cast<double>(after - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_ControlStep);

// The refusing path builds its reason text, so here allocs_per_step must be
// above 0; it shows the counter above is live rather than stuck at 0.
void BM_VetRejecting(benchmark::State& state) {
    double requested = -1;
    const std::size_t before = allocations.load(std::memory_order_relaxed);
    for (auto _ : state) {
        benchmark::DoNotOptimize(requested);
        auto verdict = WritePolicy::vet(requested, 1200, 6000);
        benchmark::DoNotOptimize(verdict);
    }
    const std::size_t after = allocations.load(std::memory_order_relaxed);
    state.counters["allocs_per_step"] =
        benchmark::Counter(static_cast<double>(after - before), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_VetRejecting);

}  // namespace
