// The load sampler as the app builds it: the host's own figures, and the
// GPU from the simulated machine's accelerators over the registry socket.
#include <gtest/gtest.h>

#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"
#include "platform/host/LinuxHost.hpp"
#include "platform/iokit/IORegistryLinux.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"
#include "tests/integration/SimProgram.hpp"

namespace zephrane::integration {
namespace {

using sim::testing::eventually;
using testfakes::awaitResult;

// As the app's entry wires it: this host, and the registry over the
// simulator's socket.
std::unique_ptr<SystemLoadSampler> thisMachine() {
    return std::make_unique<SystemLoadSampler>(std::make_shared<host::LinuxHost>(), iokit::IORegistryCreate());
}

std::optional<SystemLoad> entry(const std::vector<SystemLoad>& loads, SystemLoad::Component component) {
    for (const auto& load : loads)
        if (load.component == component) return load;
    return std::nullopt;
}

TEST(SystemLoadSamplerOverSimTest, TheGPUComesFromTheMachinesAcceleratorAndTheRestFromTheHost) {
    SimProgram sim({"--machine", "two-fan-laptop", "--tick", "20"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto sampler = thisMachine();

    std::vector<SystemLoad> loads = awaitResult(sampler->sample());
    const auto gpu = entry(loads, SystemLoad::Component::gpu);
    ASSERT_TRUE(gpu.has_value());
    EXPECT_GE(gpu->fraction, 0.0);
    EXPECT_LE(gpu->fraction, 1.0);
    EXPECT_TRUE(entry(loads, SystemLoad::Component::memory).has_value());
    // The CPU needs two samples with ticks between them.
    EXPECT_TRUE(eventually([&] {
        loads = awaitResult(sampler->sample());
        return entry(loads, SystemLoad::Component::cpu).has_value();
    }));
    const auto overall = entry(loads, SystemLoad::Component::overall);
    ASSERT_TRUE(overall.has_value());
    EXPECT_GE(overall->fraction, gpu->fraction - 1e-9) << "the overall figure is the largest of its parts";
}

TEST(SystemLoadSamplerOverSimTest, WithoutAMachineThereIsNoGPUButTheHostStillReads) {
    ::setenv(std::string(iokit::wire::kRegistrySocketVariable).c_str(), "/nonexistent/IORegistry.sock", 1);
    const auto sampler = thisMachine();
    const std::vector<SystemLoad> loads = awaitResult(sampler->sample());
    EXPECT_FALSE(entry(loads, SystemLoad::Component::gpu).has_value());
    EXPECT_TRUE(entry(loads, SystemLoad::Component::memory).has_value());
}

}  // namespace
}  // namespace zephrane::integration
