#include "SimulatedLaptopRig.hpp"

#include <cstdlib>

#include <QCoreApplication>

#include "ZephraneApp/Engine/ServiceAdapters.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/notifications/FakeNotificationCenter.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

namespace zephrane::enginetest {

SimulatedLaptopRig::SimulatedLaptopRig(const std::filesystem::path& simulator, const std::filesystem::path& daemon,
                                       double load)
    : machine_(dir_.path() / "machine") {
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

SimulatedLaptopRig::~SimulatedLaptopRig() {
    if (engine_) {
        testfakes::awaitResult(engine_->stop());
        engine_.reset();
        testfakes::eventually([] { return ZephraneEngine::tasksInFlight() == 0; });
        // The loop's last timer, called off, is released on the event loop.
        QCoreApplication::processEvents();
    }
    daemon_.reset();
    sim_.reset();
    ::unsetenv("ZEPHRANE_SIM_DIR");
    ::unsetenv("ZEPHRANE_XPC_DIR");
}

ZephraneEngine& SimulatedLaptopRig::makeEngine(OptionalProfile profile) {
    SMCDriverActor::Dependencies deps;
    deps.serviceManager =
        std::make_shared<servicemanagement::SystemServiceManager>(dir_.path() / "no-bundle", dir_.path() / "root");
    deps.registerAtExit = [](void (*)()) {};  // the daemon's tests check the real one
    auto driver = std::make_shared<SMCDriverActor>(std::move(deps));

    auto store = std::make_unique<QSettingsStore>(QString::fromStdString((dir_.path() / "settings.ini").string()));
    engine::ProductionServiceOptions options;
    options.settings = &store->settings();
    options.heatDirectory = QString::fromStdString((dir_.path() / "heat").string());
    options.temporaryDirectory = QString::fromStdString(dir_.path().string());
    options.notifications = std::make_shared<notifications::FakeNotificationCenter>();
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
