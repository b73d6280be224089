// The real engine on the simulated two-fan laptop, as the end-to-end tests
// and the loop benchmark run it: the simulator and the daemon as child
// processes in a temporary directory, and in this process (which must carry
// the app's identity) the engine with its real driver and services, its
// settings and day files in that directory, alerts going nowhere.
//
// The daemon is either started directly, serving at once, or left to the
// engine to install: it then sits in an app bundle in that directory, and
// zephrane-launchd, watching a system root there, starts it once it is
// registered and approved, as on a user's machine.
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

    struct ThroughServiceManager {
        std::filesystem::path launchd;  // zephrane-launchd
    };
    // Starts the simulator at `load` and zephrane-launchd, with the daemon
    // in the app bundle, registered by nobody yet; the engine made here
    // installs from that bundle into that system root. serving() once
    // zephrane-launchd runs.
    SimulatedLaptopRig(const std::filesystem::path& simulator, const std::filesystem::path& daemon, double load,
                       const ThroughServiceManager& how);
    // Stops the engine if one was made, then the daemon and the simulator.
    ~SimulatedLaptopRig();
    SimulatedLaptopRig(const SimulatedLaptopRig&) = delete;
    SimulatedLaptopRig& operator=(const SimulatedLaptopRig&) = delete;

    bool serving() const { return serving_; }
    helper::testing::SimMachine& sim() { return *sim_; }
    // The simulated machine dies without a word (SIGKILL) and a new one
    // starts in its place, at `load`; sim() is the new one from then on.
    void restartSimulator(double load);
    // Only for a rig that starts the daemon directly.
    helper::testing::DaemonProcess& daemon() { return *daemon_; }
    // Only for a rig that goes through the service manager.
    servicemanagement::testing::LaunchdProcess& launchd() { return *launchd_; }
    const std::filesystem::path& systemRoot() const { return systemRoot_; }
    // What an administrator does when asked to approve the daemon.
    void approveDaemon();
    // The daemon's log, or zephrane-launchd's (with the daemon's in it).
    std::string logText() const;

    ZephraneEngine& makeEngine(OptionalProfile profile = FanProfile::appleAuto());
    ZephraneEngine& engine() { return *engine_; }

private:
    servicemanagement::testing::TemporaryDirectory dir_;
    std::filesystem::path simulator_;
    std::filesystem::path machine_;
    std::unique_ptr<helper::testing::SimMachine> sim_;
    std::unique_ptr<helper::testing::DaemonProcess> daemon_;
    std::filesystem::path bundle_;
    std::filesystem::path systemRoot_;
    std::unique_ptr<servicemanagement::testing::LaunchdProcess> launchd_;
    bool serving_ = false;
    std::unique_ptr<ZephraneEngine> engine_;
};

}  // namespace zephrane::enginetest
