// What the GUI thread pays to hand one poll of the simulated laptop (about
// 540 sensors) to the views' face: every change signal the engine sends for
// a tick, taken up by the face over the real engine, every model updated.
//
// The engine ticks with its signals held (untimed), then the signals that
// tick sends are sent again, as often as it sent them, to the face (timed):
// the time is the face's own. Each run reports the median and the 99th
// percentile of a hand-over, and the heap allocations of one, for polls
// with new values and for a poll that changes nothing (which should
// allocate nothing for any row).
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include <QCoreApplication>
#include <QMetaMethod>
#include <QSignalBlocker>
#include <QSignalSpy>

#include <benchmark/benchmark.h>

#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ZephraneEngineFace.hpp"
#include "tests/ZephraneApp/Engine/EngineHarness.hpp"
#include "tests/ZephraneApp/Face/LaptopReadings.hpp"

namespace {

std::atomic<long> allocations{0};

}  // namespace

// Counts every allocation of the program; only the hand-over reads it.
void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The parameterless signals of the engine a tick sent, each as often as it
// was sent.
std::vector<QMetaMethod> signalsOfOneTick(ZephraneEngine& engine, const std::function<void()>& tick) {
    const QMetaObject* meta = engine.metaObject();
    std::vector<std::pair<QMetaMethod, std::unique_ptr<QSignalSpy>>> spies;
    for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
        const QMetaMethod method = meta->method(i);
        if (method.methodType() == QMetaMethod::Signal && method.parameterCount() == 0)
            spies.emplace_back(method, std::make_unique<QSignalSpy>(&engine, method));
    }
    tick();
    std::vector<QMetaMethod> sent;
    for (const auto& [method, spy] : spies)
        for (qsizetype n = 0; n < spy->count(); ++n) sent.push_back(method);
    return sent;
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

void handOver(benchmark::State& state, bool changedValues) {
    static int argc = 1;
    static char name[] = "FacePoll_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);  // lives until exit

    const auto readings = facetest::laptopReadings(4);
    enginetest::EngineHarness h(/*journaling=*/false);
    h.driver->bounds = {{0, {1200, 6000}}, {1, {1200, 6000}}};
    auto& engine = h.make(FanProfile::nimbraStandard());
    engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
    if (changedValues) h.poller().cycle = {readings[0], readings[1], readings[2], readings[3]};
    else h.poller().cycle = {readings[0]};
    face::ZephraneEngineFace face(engine);
    const auto tick = [&] {
        h.clock->advance(1s);
        auto ticking = engine.tickOnce();
        benchmark::DoNotOptimize(ticking.isReady());
    };
    // Ticks the face takes up as the app does: the lists in place, and what
    // one tick sends.
    tick();
    const std::vector<QMetaMethod> tickSignals = signalsOfOneTick(engine, tick);
    if (std::getenv("ZEPHRANE_BENCH_SHOW_SIGNALS") != nullptr)
        for (const QMetaMethod& signal : tickSignals) std::fprintf(stderr, "%s\n", signal.name().constData());
    std::vector<double> micros;
    long allocated = 0;
    for (auto _ : state) {
        {
            const QSignalBlocker held(engine);
            tick();
        }
        const long before = allocations.load(std::memory_order_relaxed);
        const auto start = Clock::now();
        for (const QMetaMethod& signal : tickSignals) signal.invoke(&engine, Qt::DirectConnection);
        const auto took = Clock::now() - start;
        allocated += allocations.load(std::memory_order_relaxed) - before;
        state.SetIterationTime(std::chrono::duration<double>(took).count());
        micros.push_back(std::chrono::duration<double, std::micro>(took).count());
    }
    const auto rows = static_cast<double>(face.sensors().allSensors().count());
    state.counters["sensors"] = rows;
    state.counters["signals"] = static_cast<double>(tickSignals.size());
    state.counters["p50_us"] = percentile(micros, 0.5);
    state.counters["p99_us"] = percentile(micros, 0.99);
    const double perHandOver = static_cast<double>(allocated) / static_cast<double>(micros.size());
    state.counters["allocs_per_handover"] = perHandOver;
    state.counters["allocs_per_row"] = perHandOver / rows;
}

void BM_FaceHandOverNewValues(benchmark::State& state) { handOver(state, true); }
BENCHMARK(BM_FaceHandOverNewValues)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

void BM_FaceHandOverUnchangedPoll(benchmark::State& state) { handOver(state, false); }
BENCHMARK(BM_FaceHandOverUnchangedPoll)->UseManualTime()->Unit(benchmark::kMicrosecond)->Iterations(500);

}  // namespace
}  // namespace zephrane
