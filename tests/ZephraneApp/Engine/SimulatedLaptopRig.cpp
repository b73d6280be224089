#include "SimulatedLaptopRig.hpp"

#include <cstdlib>

#include <QCoreApplication>

#include "ZephraneApp/Composition/ServiceAdapters.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/notifications/FakeNotificationCenter.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "shared/HelperConstants.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

namespace zephrane::enginetest {

SimulatedLaptopRig::SimulatedLaptopRig(const std::filesystem::path& simulator, const std::filesystem::path& daemon,
                                       double load)
    : simulator_(simulator), machine_(dir_.path() / "machine") {
    std::filesystem::create_directories(machine_);
    ::setenv("ZEPHRANE_SIM_DIR", machine_.c_str(), 1);
    ::setenv("ZEPHRANE_XPC_DIR", machine_.c_str(), 1);
    sim_ = std::make_unique<helper::testing::SimMachine>(simulator, machine_);
    sim_->control({{"command", "setLoad"}, {"load", load}});
    helper::testing::DaemonLaunch how;
    how.program = daemon;
    how.directory = machine_;
    daemon_ = std::make_unique<helper::testing::DaemonProcess>(how);
    serving_ = daemon_->waitUntilServing();
}

SimulatedLaptopRig::SimulatedLaptopRig(const std::filesystem::path& simulator, const std::filesystem::path& daemon,
                                       double load, const ThroughServiceManager& how)
    : simulator_(simulator), machine_(dir_.path() / "machine"), systemRoot_(dir_.path() / "root") {
    std::filesystem::create_directories(machine_);
    ::setenv("ZEPHRANE_SIM_DIR", machine_.c_str(), 1);
    ::setenv("ZEPHRANE_XPC_DIR", machine_.c_str(), 1);
    // Where the engine looks for an older installation of the daemon.
    ::setenv("ZEPHRANE_SYSTEM_ROOT", systemRoot_.c_str(), 1);
    sim_ = std::make_unique<helper::testing::SimMachine>(simulator, machine_);
    sim_->control({{"command", "setLoad"}, {"load", load}});

    const servicemanagement::testing::TestBundle bundle(dir_.path() / "Applications");
    bundle_ = bundle.path();
    const std::string label(HelperConstants::daemonLabel);
    bundle.installProgram(daemon, label);
    bundle.writePlist(HelperConstants::daemonPlistName, label, "Contents/MacOS/" + label,
                      {std::string(HelperConstants::machServiceName)});
    // The daemon inherits the machine's directories from zephrane-launchd.
    launchd_ = std::make_unique<servicemanagement::testing::LaunchdProcess>(servicemanagement::testing::LaunchdLaunch{
        how.launchd, systemRoot_, machine_, {}, {"--stop-grace", "3000"}, dir_.path() / "launchd.log"});
    serving_ = launchd_->waitUntilStarted();
}

void SimulatedLaptopRig::restartSimulator(double load) {
    sim_.reset();
    sim_ = std::make_unique<helper::testing::SimMachine>(simulator_, machine_);
    sim_->control({{"command", "setLoad"}, {"load", load}});
}

void SimulatedLaptopRig::approveDaemon() {
    servicemanagement::testing::approveForTest(systemRoot_, std::string(HelperConstants::daemonLabel));
}

std::string SimulatedLaptopRig::logText() const { return daemon_ ? daemon_->logText() : launchd_->logText(); }

SimulatedLaptopRig::~SimulatedLaptopRig() {
    if (engine_) {
        testfakes::awaitResult(engine_->stop());
        engine_.reset();
        testfakes::eventually([] { return ZephraneEngine::tasksInFlight() == 0; });
        // The loop's last timer, called off, is released on the event loop.
        QCoreApplication::processEvents();
    }
    daemon_.reset();
    launchd_.reset();
    sim_.reset();
    ::unsetenv("ZEPHRANE_SIM_DIR");
    ::unsetenv("ZEPHRANE_XPC_DIR");
    ::unsetenv("ZEPHRANE_SYSTEM_ROOT");
}

ZephraneEngine& SimulatedLaptopRig::makeEngine(OptionalProfile profile) {
    SMCDriverActor::Dependencies deps;
    // A rig without a bundle gives the engine none to install from.
    const std::filesystem::path bundle = bundle_.empty() ? dir_.path() / "no-bundle" : bundle_;
    deps.serviceManager = std::make_shared<servicemanagement::SystemServiceManager>(bundle, dir_.path() / "root");
    deps.registerAtExit = [](void (*)()) {};  // the daemon's tests check the real one
    auto driver = std::make_shared<SMCDriverActor>(std::move(deps));

    auto store = std::make_unique<QSettingsStore>(QString::fromStdString((dir_.path() / "settings.ini").string()));
    engine::ProductionServiceOptions options;
    options.settings = &store->settings();
    options.heatDirectory = QString::fromStdString((dir_.path() / "heat").string());
    options.temporaryDirectory = QString::fromStdString(dir_.path().string());
    options.notifications = std::make_shared<notifications::FakeNotificationCenter>();
    options.bundlePath = bundle;
    EngineEnvironment environment;
    environment.services = std::make_shared<engine::ProductionServices>(std::move(options));
    environment.settings = std::move(store);
    environment.clock = engine::makeSystemClock(QCoreApplication::instance());
    engine_ = std::make_unique<ZephraneEngine>(std::move(profile),
                                               std::make_shared<engine::DriverAdapter>(std::move(driver)),
                                               std::move(environment));
    return *engine_;
}

}  // namespace zephrane::enginetest
