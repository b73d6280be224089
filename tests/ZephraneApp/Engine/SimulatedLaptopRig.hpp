// The real engine on the simulated two-fan laptop, as the end-to-end test
// and the loop benchmark run it: the simulator and the daemon as child
// processes in a temporary directory, and in this process (which must carry
// the app's identity) the engine with its real driver and services, its
// settings and day files in that directory, alerts going nowhere.
#pragma once

#include <filesystem>
#include <memory>

#include "DaemonProcess.hpp"
#include "ServiceTestSupport.hpp"
#include "SimMachine.hpp"
#include "ZephraneApp/Engine/ZephraneEngine.hpp"

namespace zephrane::enginetest {

class SimulatedLaptopRig {
public:
    // Starts the simulator at `load` (0 to 1) and the daemon, and points
    // this process at them. Check serving() before going on.
    SimulatedLaptopRig(const std::filesystem::path& simulator, const std::filesystem::path& daemon, double load);
    // Stops the engine if one was made, then the daemon and the simulator.
    ~SimulatedLaptopRig();
    SimulatedLaptopRig(const SimulatedLaptopRig&) = delete;
    SimulatedLaptopRig& operator=(const SimulatedLaptopRig&) = delete;

    bool serving() const { return serving_; }
    helper::testing::SimMachine& sim() { return *sim_; }
    helper::testing::DaemonProcess& daemon() { return *daemon_; }

    ZephraneEngine& makeEngine(OptionalProfile profile = FanProfile::appleAuto());
    ZephraneEngine& engine() { return *engine_; }

private:
    servicemanagement::testing::TemporaryDirectory dir_;
    std::filesystem::path machine_;
    std::unique_ptr<helper::testing::SimMachine> sim_;
    std::unique_ptr<helper::testing::DaemonProcess> daemon_;
    bool serving_ = false;
    std::unique_ptr<ZephraneEngine> engine_;
};

}  // namespace zephrane::enginetest
