// The app's share of a core while the real control loop runs for a minute
// on the simulated two-fan laptop: the real engine with every real service
// (poller, driver, load, power, heat, workload) in this process, the
// simulator and the daemon as child processes, no window shown.
//
//   1 s:   the system's automatic control; the loop ticks once a second;
//   0.1 s: a curve profile drives both fans through the daemon; ten ticks
//          a second.
//
// The figure is this process's CPU time (every thread) over the wall time,
// in percent of one core; the simulator's and the daemon's work stay in
// their own processes, and their shares over the same minute are reported
// beside it (the scheduler's run time of every thread). The machine's load
// average is reported with them.
#include <sys/resource.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>

#include <QCoreApplication>
#include <QTimer>

#include <benchmark/benchmark.h>

#include "bench/ProcStat.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/oslog/OSLog.hpp"
#include "tests/ZephraneApp/Engine/SimulatedLaptopRig.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using bench::loadAverage;

double processCPUSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// CPU seconds per thread name, from /proc/self/task.
std::map<std::string, double> threadCPUSeconds() {
    std::map<std::string, double> seconds;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string name;
        std::getline(comm, name);
        if (const auto used = bench::cpuSeconds(task.path() / "stat")) seconds[name] += *used;
    }
    return seconds;
}


void spin(std::chrono::milliseconds duration) {
    QTimer timer;
    timer.setSingleShot(true);
    timer.start(duration);
    while (timer.isActive()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void runLoop(benchmark::State& state, bool drive) {
    static int argc = 1;
    static char name[] = "EngineLoop_bench";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance() == nullptr) new QCoreApplication(argc, argv);  // lives until exit
    oslog::setOutput(oslog::Output::none);

    enginetest::SimulatedLaptopRig rig(ZEPHRANE_SIM_PROGRAM, ZEPHRANE_DAEMON_PROGRAM, 0.3);
    if (!rig.serving()) {
        state.SkipWithError("the daemon did not start");
        return;
    }
    ZephraneEngine* engine = &rig.makeEngine();
    engine->setMainWindowVisible(false);
    engine->start();
    if (drive) engine->selectProfile(FanProfile::nimbraStandard());
    spin(5s);  // discovery, the handshake and, when driving, the engage

    const double load = loadAverage();
    const pid_t simulator = rig.sim().pid();
    const pid_t daemon = rig.daemon().pid();
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = processCPUSeconds();
    const auto threadsStart = threadCPUSeconds();
    const auto simulatorStart = bench::runSeconds(simulator);
    const auto daemonStart = bench::runSeconds(daemon);
    for (auto _ : state) spin(60s);
    const double cpu = processCPUSeconds() - cpuStart;
    const auto simulatorEnd = bench::runSeconds(simulator);
    const auto daemonEnd = bench::runSeconds(daemon);
    // Each thread's share too (threads gone in the meantime are not listed).
    for (const auto& [thread, seconds] : threadCPUSeconds()) {
        const auto before = threadsStart.find(thread);
        const double used = seconds - (before == threadsStart.end() ? 0 : before->second);
        if (used > 0) state.counters["thread " + thread] = 100.0 * used / 60.0;
    }
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();

    state.counters["cpu_percent"] = 100.0 * cpu / wall;
    if (simulatorStart && simulatorEnd)
        state.counters["simulator_cpu_percent"] = 100.0 * (*simulatorEnd - *simulatorStart) / wall;
    if (daemonStart && daemonEnd) state.counters["daemon_cpu_percent"] = 100.0 * (*daemonEnd - *daemonStart) / wall;
    state.counters["load1_before"] = load;
    state.counters["load1_after"] = loadAverage();
    state.counters["controlling"] = engine->isControlling() ? 1 : 0;
}

void BM_EngineLoopShareAutomatic(benchmark::State& state) { runLoop(state, false); }
BENCHMARK(BM_EngineLoopShareAutomatic)->Iterations(1)->Unit(benchmark::kSecond);

void BM_EngineLoopShareDriving(benchmark::State& state) { runLoop(state, true); }
BENCHMARK(BM_EngineLoopShareDriving)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace
}  // namespace zephrane
