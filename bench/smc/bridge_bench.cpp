// The app re-reads every discovered sensor up to once a second through one
// bridge; after the first read of a key its information comes from the cache,
// so a read is one exchange plus the decode. These measure the bridge's own
// share of that over an in-process SMC, without any socket.
#include <memory>
#include <thread>

#include <benchmark/benchmark.h>

#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCKernelBridge.hpp"

namespace zephrane {
namespace {

std::shared_ptr<SMCKernelBridge> bridgeWithKeys() {
    auto smc = std::make_unique<FakeSMCTransport>();
    smc->setRecordingRequests(false);
    smc->setValue("TC0P", SMCDataType::sp78(), 45.5);
    smc->setValue("F0Ac", SMCDataType::fpe2(), 2000);
    smc->setValue("PSTR", SMCDataType::flt(), 12.5);
    return std::make_shared<SMCKernelBridge>(std::move(smc));
}

void BM_CachedRead(benchmark::State& state) {
    auto bridge = bridgeWithKeys();
    bridge->read("TC0P");  // fills the cache
    for (auto _ : state) {
        double value = bridge->read("TC0P");
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_CachedRead);

// The driver and the poller sharing one bridge.
void BM_CachedReadShared(benchmark::State& state) {
    static std::shared_ptr<SMCKernelBridge> bridge;
    if (state.thread_index() == 0) {
        bridge = bridgeWithKeys();
        bridge->read("F0Ac");
    }
    for (auto _ : state) {
        double value = bridge->read("F0Ac");
        benchmark::DoNotOptimize(value);
    }
    if (state.thread_index() == 0) bridge.reset();
}
BENCHMARK(BM_CachedReadShared)->Threads(1)->Threads(2)->Threads(4);

}  // namespace
}  // namespace zephrane
