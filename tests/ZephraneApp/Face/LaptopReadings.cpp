#include "LaptopReadings.hpp"

#include <chrono>
#include <memory>

#include "sim/MachineProfile.hpp"
#include "sim/SimulatedSMC.hpp"
#include "tests/integration/SimulatedHIDEventSystemClient.hpp"
#include "tests/integration/SimulatedSMCTransport.hpp"

namespace zephrane::facetest {

std::vector<SensorPoller::Result> laptopReadings(int count) {
    const auto profile = sim::MachineProfile::load(ZEPHRANE_SIM_MACHINES_DIR "/two-fan-laptop.json");
    sim::SimulatedSMC smc(profile, sim::constantLoad(0.6));
    auto bridge = std::make_shared<SMCKernelBridge>(std::make_unique<integration::SimulatedSMCTransport>(smc));
    std::chrono::nanoseconds now = std::chrono::seconds(1000);
    SensorPoller::Core core(
        bridge,
        [&smc] {
            return std::make_unique<HIDSensorSource>(std::make_unique<integration::SimulatedHIDEventSystemClient>(smc));
        },
        [&now] { return now; });
    core.poll();
    std::vector<SensorPoller::Result> readings;
    for (int i = 0; i < count; ++i) {
        smc.advance(std::chrono::seconds(5));
        now += std::chrono::seconds(1);
        readings.push_back(core.poll());
    }
    return readings;
}

}  // namespace zephrane::facetest
