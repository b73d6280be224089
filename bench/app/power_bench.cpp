// One power reading as the engine takes it each control tick: five registry
// exchanges (power source, battery, adapter, root domain by path) over the
// simulator's socket, against the two-fan laptop served in this process, by
// the observer's core (the health probe is the face's and runs elsewhere). A
// reading from the fake registry gives the cost of the arithmetic alone.
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <stdexcept>
#include <thread>

#include <asio.hpp>
#include <benchmark/benchmark.h>

#include "bench/ServedLaptop.hpp"
#include "ZephraneApp/Services/Monitors/PowerStateObserver.hpp"
#include "platform/iokit/FakeIORegistry.hpp"
#include "platform/iokit/IORegistryLinux.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/oslog/OSLog.hpp"
#include "sim/MachineProfile.hpp"
#include "sim/SimOptions.hpp"
#include "sim/SimServer.hpp"
#include "sim/SimulatedSMC.hpp"

namespace zephrane {
namespace {

void BM_PowerReadOverSocket(benchmark::State& state) {
    oslog::setOutput(oslog::Output::none);
    bench::ServedLaptop served;
    PowerStateObserver::Core power(std::make_shared<iokit::SocketIORegistry>(served.registrySocket()));
    for (auto _ : state) benchmark::DoNotOptimize(power.read());
}
BENCHMARK(BM_PowerReadOverSocket)->Unit(benchmark::kMicrosecond);

void BM_PowerReadFromFake(benchmark::State& state) {
    auto registry = std::make_shared<iokit::FakeIORegistry>();
    registry->addService("AppleSmartBattery",
                         {{"Amperage", -1500}, {"Voltage", 12000}, {"AppleRawMaxCapacity", 5000},
                          {"CurrentCapacity", 50}, {"MaxCapacity", 100}, {"CycleCount", 300},
                          {"BatteryData", {{"FullChargeCapacity", 5000}, {"CycleCount", 300}}}});
    registry->setPowerSourceType("Battery Power");
    registry->setAdapterDetails(nlohmann::json{{"Watts", 96}});
    registry->setEntry("IOPower:/IOPowerConnection/IOPMrootDomain", {{"AppleClamshellState", false}});
    PowerStateObserver::Core power(registry);
    for (auto _ : state) benchmark::DoNotOptimize(power.read());
}
BENCHMARK(BM_PowerReadFromFake)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace zephrane
