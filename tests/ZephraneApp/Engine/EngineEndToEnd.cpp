// The engine end to end: the real engine with its real services and driver
// in this process (which carries the app's identity), the real daemon and
// the simulated two-fan laptop as child processes. A curve profile drives
// both fans as the machine heats; automatic control hands them back.
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

#include "DaemonProcess.hpp"
#include "ServiceTestSupport.hpp"
#include "SimMachine.hpp"
#include "ZephraneApp/Engine/ServiceAdapters.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/notifications/FakeNotificationCenter.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using helper::testing::DaemonLaunch;
using helper::testing::DaemonProcess;
using helper::testing::SimMachine;
using testfakes::awaitResult;
using testfakes::eventually;

class EngineEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::make_unique<servicemanagement::testing::TemporaryDirectory>();
        machine_ = dir_->path() / "machine";
        std::filesystem::create_directories(machine_);
        ::setenv("ZEPHRANE_SIM_DIR", machine_.c_str(), 1);
        ::setenv("ZEPHRANE_XPC_DIR", machine_.c_str(), 1);
        sim_ = std::make_unique<SimMachine>(ZEPHRANE_SIM_PROGRAM, machine_);
        sim_->control({{"command", "setLoad"}, {"load", 0.0}});
        DaemonLaunch how;
        how.program = ZEPHRANE_DAEMON_PROGRAM;
        how.directory = machine_;
        daemon_ = std::make_unique<DaemonProcess>(how);
        ASSERT_TRUE(daemon_->waitUntilServing()) << daemon_->logText();
    }

    void TearDown() override {
        if (engine_) {
            awaitResult(engine_->stop());
            engine_.reset();
            eventually([] { return ZephraneEngine::tasksInFlight() == 0; });
            // The loop's last timer, called off, is released on the event loop.
            QCoreApplication::processEvents();
        }
        daemon_.reset();
        sim_.reset();
        ::unsetenv("ZEPHRANE_SIM_DIR");
        ::unsetenv("ZEPHRANE_XPC_DIR");
    }

    ZephraneEngine& makeEngine() {
        SMCDriverActor::Dependencies deps;
        deps.serviceManager =
            std::make_shared<servicemanagement::SystemServiceManager>(dir_->path() / "no-bundle", dir_->path() / "root");
        deps.registerAtExit = [](void (*)()) {};
        auto driver = std::make_shared<SMCDriverActor>(std::move(deps));

        auto store = std::make_unique<QSettingsStore>(QString::fromStdString((dir_->path() / "settings.ini").string()));
        engine::ProductionServiceOptions options;
        options.settings = &store->settings();
        options.heatDirectory = QString::fromStdString((dir_->path() / "heat").string());
        options.temporaryDirectory = QString::fromStdString(dir_->path().string());
        options.notifications = std::make_shared<notifications::FakeNotificationCenter>();
        EngineEnvironment environment;
        environment.services = std::make_shared<engine::ProductionServices>(std::move(options));
        environment.settings = std::move(store);
        environment.clock = engine::makeSystemClock(QCoreApplication::instance());
        engine_ = std::make_unique<ZephraneEngine>(FanProfile::appleAuto(),
                                                   std::make_shared<engine::DriverAdapter>(std::move(driver)),
                                                   std::move(environment));
        return *engine_;
    }

    std::string key(int fan, const char* suffix) { return "F" + std::to_string(fan) + suffix; }

    std::unique_ptr<servicemanagement::testing::TemporaryDirectory> dir_;
    std::filesystem::path machine_;
    std::unique_ptr<SimMachine> sim_;
    std::unique_ptr<DaemonProcess> daemon_;
    std::unique_ptr<ZephraneEngine> engine_;
};

TEST_F(EngineEndToEnd, BothFansFollowACurveAsTheMachineHeatsAndGoBackToAutomaticControl) {
    auto& engine = makeEngine();
    engine.setSpoolRate(ZephraneEngine::spoolRateInstant);
    // The CPU follows the load; the hottest sensor of this machine is a
    // fabric sensor that hardly moves.
    engine.setControlSource(ControlSource::cpuAverage);
    engine.start();
    ASSERT_TRUE(eventually(
        [&] {
            return engine.helperState() == HelperState::connected() && engine.smcAvailable() &&
                   engine.fans().size() == 2 && engine.controlTemperature() > 0;
        },
        30s))
        << daemon_->logText();
    EXPECT_TRUE(sim_->automatic()) << "automatic control writes nothing";

    // A curve from just below today's temperature to 25 °C above it: the
    // machine at rest sits low on it, heated it climbs.
    const double idle = engine.controlTemperature();
    const FanProfile curve{Uuid::random(),
                           "Test curve",
                           ControlMode::adaptiveCurve,
                           0,
                           "max",
                           {CurvePoint{Uuid::random(), idle - 2, 0.1}, CurvePoint{Uuid::random(), idle + 25, 1.0}}};
    engine.selectProfile(curve);

    // Each fan's target in the SMC is the curve at the engine's control
    // temperature, give or take the smoothing and the deadband.
    const FanCurve shape(curve.curvePoints);
    const auto followsTheCurve = [&] {
        for (int fan = 0; fan < 2; ++fan) {
            const auto published = engine.fans().find(fan);
            if (published == engine.fans().end()) return false;
            const FanStatus& status = published->second;
            const double expected =
                status.minRPM + shape.rpmPercentage(engine.controlTemperature()) * (status.maxRPM - status.minRPM);
            if (sim_->value(key(fan, "Md")) != 1) return false;
            if (std::fabs(sim_->value(key(fan, "Tg")) - expected) > 250) return false;
        }
        return true;
    };
    ASSERT_TRUE(eventually(followsTheCurve, 40s)) << daemon_->logText();
    const double restingTargets = sim_->value("F0Tg") + sim_->value("F1Tg");

    sim_->control({{"command", "setLoad"}, {"load", 1.0}});
    ASSERT_TRUE(eventually([&] { return engine.controlTemperature() > idle + 8; }, 60s))
        << "the machine did not heat: " << engine.controlTemperature();
    ASSERT_TRUE(eventually(followsTheCurve, 40s));
    EXPECT_GT(sim_->value("F0Tg") + sim_->value("F1Tg"), restingTargets + 1000) << "both fans climbed with the curve";
    EXPECT_TRUE(engine.isControlling());
    EXPECT_FALSE(engine.lastError()) << *engine.lastError();

    engine.selectProfile(FanProfile::appleAuto());
    EXPECT_TRUE(eventually([&] { return sim_->automatic(); }, 20s)) << daemon_->logText();
    EXPECT_TRUE(eventually([&] { return !engine.isControlling(); }, 10s));
    EXPECT_FALSE(engine.lastError());
}

}  // namespace
}  // namespace zephrane
