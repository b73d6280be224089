// The load sampler on this machine's own /proc, /sys and root volume.
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "ZephraneApp/Services/Monitors/SystemLoadSampler.hpp"
#include "platform/host/LinuxHost.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using Component = SystemLoad::Component;

TEST(SystemLoadSamplerLiveTest, SecondSampleHasCPUWithinRangeAndMemory) {
    SystemLoadSampler::Core sampler(std::make_shared<host::LinuxHost>(), nullptr);
    const auto first = sampler.sample();
    ASSERT_FALSE(first.empty());
    EXPECT_EQ(first.front().component, Component::overall);

    // The tick counters move at 100 Hz per CPU; wait until they have.
    std::vector<SystemLoad> loads;
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    auto has = [&](Component component) {
        return std::any_of(loads.begin(), loads.end(), [&](const SystemLoad& load) { return load.component == component; });
    };
    do {
        std::this_thread::sleep_for(20ms);
        loads = sampler.sample();
    } while (!has(Component::cpu) && std::chrono::steady_clock::now() < deadline);

    ASSERT_TRUE(has(Component::cpu)) << "the tick counters never moved";
    ASSERT_TRUE(has(Component::memory));
    for (const SystemLoad& load : loads) {
        SCOPED_TRACE(load.id());
        EXPECT_GE(load.fraction, 0.0);
        EXPECT_LE(load.fraction, 1.0);
        if (load.component == Component::cpu) {
            ASSERT_TRUE(load.detail.has_value());
            EXPECT_TRUE(load.detail->ends_with(" cores") || load.detail->ends_with("E")) << *load.detail;
        }
        if (load.component == Component::memory || load.component == Component::disk) {
            ASSERT_TRUE(load.detail.has_value());
            EXPECT_NE(load.detail->find(" GB / "), std::string::npos) << *load.detail;
        }
    }
}

}  // namespace
}  // namespace zephrane
