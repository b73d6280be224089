// What one poll of the sensor poller costs on the two-fan laptop in each of
// its cadences, so the steady-state share of a core can be worked out: while
// the app drives the fans it polls ten times a second, nine of them reading
// only the fans and one re-reading the sensors (the full registry while the
// window is shown, temperatures and power otherwise).
//
// The core runs on the benchmark thread, so the CPU column is the app's own
// share; over the simulator's socket the server's work (the kernel's, on a
// real machine) is on its own thread and not counted there. The actor's
// thread hop is measured separately, with the process's CPU time.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include <QCoreApplication>

#include <asio.hpp>
#include <benchmark/benchmark.h>

#include "bench/ServedLaptop.hpp"
#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/oslog/OSLog.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimOptions.hpp"
#include "sim/SimServer.hpp"
#include "sim/SimulatedSMC.hpp"
#include "tests/integration/SimulatedHIDEventSystemClient.hpp"
#include "tests/integration/SimulatedSMCTransport.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;

struct ManualClock {
    std::chrono::nanoseconds now = 1000s;
    SensorPoller::Clock clock() {
        return [this] { return now; };
    }
};

struct InProcessLaptop {
    sim::SimulatedSMC smc{bench::twoFanLaptop(), sim::constantLoad(0.2)};
    std::shared_ptr<SMCKernelBridge> bridge =
        std::make_shared<SMCKernelBridge>(std::make_unique<integration::SimulatedSMCTransport>(smc));

    SensorPoller::HIDSourceFactory hid() {
        return [this] {
            return std::make_unique<HIDSensorSource>(std::make_unique<integration::SimulatedHIDEventSystemClient>(smc));
        };
    }
};

enum class Cadence { fansOnly, partial, full };

// Discovery and the first full refresh happen before timing starts. In the
// partial cadence the full refresh due every 30 s is run untimed.
void pollAtCadence(benchmark::State& state, SensorPoller::Core& core, ManualClock& clock, Cadence cadence) {
    core.setRegistryConsumersVisible(cadence != Cadence::partial);
    const SensorPoller::Result first = core.poll();
    int secondsSinceFull = 0;
    for (auto _ : state) {
        if (cadence != Cadence::fansOnly) {
            clock.now += 1s;
            if (cadence == Cadence::partial && ++secondsSinceFull >= 30) {
                state.PauseTiming();
                core.poll();
                clock.now += 1s;
                secondsSinceFull = 1;
                state.ResumeTiming();
            }
        }
        SensorPoller::Result result = core.poll();
        benchmark::DoNotOptimize(result);
    }
    state.counters["sensors"] = static_cast<double>(first.allSensors.size());
    state.counters["fans"] = static_cast<double>(first.fans.size());
}

void BM_PollInProcess(benchmark::State& state) {
    InProcessLaptop machine;
    ManualClock clock;
    SensorPoller::Core core(machine.bridge, machine.hid(), clock.clock());
    pollAtCadence(state, core, clock, static_cast<Cadence>(state.range(0)));
}
BENCHMARK(BM_PollInProcess)
    ->ArgName("cadence")
    ->Arg(static_cast<int>(Cadence::fansOnly))
    ->Arg(static_cast<int>(Cadence::partial))
    ->Arg(static_cast<int>(Cadence::full))
    ->Unit(benchmark::kMicrosecond);

void BM_PollOverSocket(benchmark::State& state) {
    oslog::setOutput(oslog::Output::none);
    bench::ServedLaptop served;
    ManualClock clock;
    SensorPoller::Core core(SMCKernelBridge::open(), SensorPoller::systemHIDSource, clock.clock());
    pollAtCadence(state, core, clock, static_cast<Cadence>(state.range(0)));
}
BENCHMARK(BM_PollOverSocket)
    ->ArgName("cadence")
    ->Arg(static_cast<int>(Cadence::fansOnly))
    ->Arg(static_cast<int>(Cadence::partial))
    ->Arg(static_cast<int>(Cadence::full))
    ->Unit(benchmark::kMicrosecond);

// A fans-only poll awaited from this thread: the core's work plus the hop to
// the actor thread and back, counted over both threads.
void BM_PollThroughActor(benchmark::State& state) {
    static int argc = 1;
    static char name[] = "SensorPoller_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);  // lives until exit

    InProcessLaptop machine;
    ManualClock clock;
    SensorPoller poller(machine.bridge, machine.hid(), clock.clock());
    auto first = poller.poll();
    QCoro::waitFor(first);
    for (auto _ : state) {
        auto task = poller.poll();
        SensorPoller::Result result = QCoro::waitFor(task);
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_PollThroughActor)->MeasureProcessCPUTime()->UseRealTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zephrane
