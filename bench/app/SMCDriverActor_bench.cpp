// The app side of the daemon link: one heartbeat and one fan-target write
// through the driver actor, against a daemon that answers at once inside
// the send, so what is measured is the actor hop, the guard, the time-out
// timer and the checks before sending, not the daemon. p50/p99 per call are
// reported as counters (µs).
#include <algorithm>
#include <chrono>
#include <vector>

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/oslog/OSLog.hpp"
#include "shared/ZephraneXPCProtocol.hpp"
#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

namespace {

using namespace zephrane;
namespace protocol = ZephraneXPCProtocol;

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "bench";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

std::shared_ptr<SMCKernelBridge> twoFans() {
    auto transport = std::make_unique<FakeSMCTransport>();
    transport->setRecordingRequests(false);
    transport->setValue("FNum", SMCDataType::ui8(), 2);
    for (int fan = 0; fan < 2; ++fan) {
        const std::string f = "F" + std::to_string(fan);
        transport->setValue(f + "Mn", SMCDataType::flt(), 1200);
        transport->setValue(f + "Mx", SMCDataType::flt(), 6000);
        transport->setValue(f + "Ac", SMCDataType::flt(), 1500);
    }
    return std::make_shared<SMCKernelBridge>(std::move(transport));
}

struct Link {
    testfakes::FakeDaemon daemon;
    std::unique_ptr<SMCDriverActor> driver;

    Link() {
        application();
        oslog::setOutput(oslog::Output::none);
        daemon.setAutoAnswer([](const testfakes::FakeDaemonConnection::Message& m) {
            if (m.selector == protocol::heartbeat.selector) m.onReply({xpc::Value(1.0)});
            if (m.selector == protocol::setTargetRPM.selector) m.onReply({m.arguments[1], xpc::Value()});
        });
        SMCDriverActor::Dependencies deps;
        auto bridge = twoFans();
        deps.bridgeFactory = [bridge] { return bridge; };
        deps.connectionFactory = daemon.factory();
        deps.serviceManager = std::make_shared<testfakes::ScriptedServiceManager>();
        deps.registerAtExit = [](void (*)()) {};
        driver = std::make_unique<SMCDriverActor>(std::move(deps));
        QCoro::waitFor(driver->connect());
    }
};

void report(benchmark::State& state, std::vector<double>& micros) {
    if (micros.empty()) return;
    std::sort(micros.begin(), micros.end());
    state.counters["p50_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
}

template <typename Call>
void measure(benchmark::State& state, Call call) {
    std::vector<double> micros;
    micros.reserve(100000);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        call();
        micros.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    report(state, micros);
}

void BM_Heartbeat(benchmark::State& state) {
    Link link;
    // After the first, a handshake is one heartbeat call and nothing more.
    measure(state, [&] { benchmark::DoNotOptimize(QCoro::waitFor(link.driver->handshake())); });
}
BENCHMARK(BM_Heartbeat)->UseRealTime();

void BM_SetTarget(benchmark::State& state) {
    Link link;
    measure(state, [&] { benchmark::DoNotOptimize(QCoro::waitFor(link.driver->setTargetRPM(0, 3000))); });
}
BENCHMARK(BM_SetTarget)->UseRealTime();

}  // namespace
