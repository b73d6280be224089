// The daemon link end to end: this process (carrying the app's identity)
// drives the real daemon over the real sockets, the simulated machine holds
// the fans, and the daemon either runs directly or is registered, approved
// and started on demand by the service manager stand-in.
#include <signal.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>

#include <gtest/gtest.h>

#include "DaemonProcess.hpp"
#include "ServiceTestSupport.hpp"
#include "SimMachine.hpp"
#include "ZephraneApp/Services/Install/FileManager.hpp"
#include "ZephraneApp/Services/Install/HelperInstallPreflight.hpp"
#include "ZephraneApp/Services/Daemon/SMCDriverActor.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "platform/servicemanagement/SystemServiceManager.hpp"
#include "platform/xpc/IoThread.hpp"
#include "platform/xpc/Listener.hpp"
#include "shared/HelperConstants.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using helper::testing::ChildProcess;
using helper::testing::DaemonLaunch;
using helper::testing::DaemonProcess;
using helper::testing::ProcessSpec;
using helper::testing::SimMachine;
using testfakes::awaitResult;
using testfakes::eventually;
using State = SMCDriverActor::HelperState;

class DriverEndToEnd : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = std::make_unique<servicemanagement::testing::TemporaryDirectory>();
        machine_ = dir_->path() / "machine";
        std::filesystem::create_directories(machine_);
        // The app finds the simulated SMC and the daemon's socket here.
        ::setenv("ZEPHRANE_SIM_DIR", machine_.c_str(), 1);
        ::setenv("ZEPHRANE_XPC_DIR", machine_.c_str(), 1);
        sim_ = std::make_unique<SimMachine>(ZEPHRANE_SIM_PROGRAM, machine_);
    }
    void TearDown() override {
        driver_.reset();
        daemon_.reset();
        sim_.reset();
        ::unsetenv("ZEPHRANE_SIM_DIR");
        ::unsetenv("ZEPHRANE_XPC_DIR");
    }

    void startDaemon() {
        DaemonLaunch how;
        how.program = ZEPHRANE_DAEMON_PROGRAM;
        how.directory = machine_;
        how.logName = "daemon-" + std::to_string(++daemonStarts_) + ".log";
        daemon_ = std::make_unique<DaemonProcess>(how);
        ASSERT_TRUE(daemon_->waitUntilServing()) << daemon_->logText();
    }

    SMCDriverActor& makeDriver(std::shared_ptr<servicemanagement::ServiceManager> services = nullptr) {
        SMCDriverActor::Dependencies deps;
        deps.serviceManager = services ? services : std::make_shared<servicemanagement::SystemServiceManager>(
                                                        dir_->path() / "no-bundle", dir_->path() / "root");
        deps.registerAtExit = [](void (*)()) {};  // the probe process tests the real one
        driver_ = std::make_unique<SMCDriverActor>(std::move(deps));
        return *driver_;
    }

    std::unique_ptr<servicemanagement::testing::TemporaryDirectory> dir_;
    std::filesystem::path machine_;
    std::unique_ptr<SimMachine> sim_;
    std::unique_ptr<DaemonProcess> daemon_;
    int daemonStarts_ = 0;
    std::unique_ptr<SMCDriverActor> driver_;
};

TEST_F(DriverEndToEnd, RegisteredApprovedStartedOnDemandDrivenAndRemoved) {
    const auto root = dir_->path() / "root";
    // The bundle as `cmake --install` lays it out, checked as the app checks
    // it before registering.
    const auto prefix = dir_->path() / "installed";
    const std::string install = std::string("\"") + ZEPHRANE_CMAKE_COMMAND + "\" --install \"" + ZEPHRANE_BUILD_DIR +
                                "\" --prefix \"" + prefix.string() + "\" > \"" + (dir_->path() / "install.log").string() +
                                "\" 2>&1";
    ASSERT_EQ(std::system(install.c_str()), 0) << install;
    const auto bundlePath = prefix / "Brumalune.app";
    ASSERT_TRUE(std::filesystem::is_regular_file(bundlePath / "Contents/MacOS/Brumalune"));
    const auto problem = HelperInstallPreflight::check(QUrl::fromLocalFile(QString::fromStdString(bundlePath.string())),
                                                       LocalFileManager());
    EXPECT_FALSE(problem.has_value());
    servicemanagement::testing::LaunchdProcess launchd(
        {ZEPHRANE_LAUNCHD_PROGRAM, root, machine_,
         {"ZEPHRANE_SIM_DIR=" + machine_.string(), "ZEPHRANE_XPC_DIR=" + machine_.string()}, {"--stop-grace", "3000"}, {}});
    ASSERT_TRUE(launchd.waitUntilStarted()) << launchd.logText();

    auto& driver = makeDriver(std::make_shared<servicemanagement::SystemServiceManager>(bundlePath, root));
    EXPECT_EQ(awaitResult(driver.connect()), State::notRegistered());
    EXPECT_EQ(awaitResult(driver.installHelper()), State::requiresApproval());

    servicemanagement::testing::approveForTest(root, std::string(HelperConstants::daemonLabel));
    ASSERT_TRUE(launchd.waitForListening(HelperConstants::machServiceName)) << launchd.logText();

    EXPECT_EQ(launchd.countLog("started, pid"), 0u) << "the daemon ran before anyone asked for it";

    // The first call wakes it; the handshake reaches the daemon itself.
    EXPECT_EQ(awaitResult(driver.currentHelperState()), State::connected()) << launchd.logText();
    EXPECT_EQ(launchd.countLog("started, pid"), 1u);
    const double firstUptime = awaitResult(driver.snapshot()).lastKnownUptime.value_or(-1);
    ASSERT_TRUE(eventually([&] { return awaitResult(driver.snapshot()).lastKnownUptime.value_or(0) > firstUptime; },
                           8s))
        << "no heartbeat after the handshake";

    // A write passes both checks and the fan follows.
    const double written = awaitResult(driver.setTargetRPM(0, 3000));
    EXPECT_EQ(written, 3000);
    EXPECT_TRUE(eventually([&] { return sim_->allManual() || sim_->value("F0Md") == 1; }));
    EXPECT_TRUE(eventually([&] { return std::abs(sim_->value("F0Ac") - 3000) < 150; }, 20s));

    // Refusals come back with the driver's own texts, before sending.
    try {
        awaitResult(driver.setTargetRPM(0, -5));
        ADD_FAILURE() << "accepted";
    } catch (const CallError& e) {
        EXPECT_EQ(e.error().domain, "com.zephrane.driver");
        EXPECT_EQ(e.error().code, 1001);
        EXPECT_EQ(std::string(e.what()).rfind("rejected: ", 0), 0u) << e.what();
    }
    try {
        awaitResult(driver.setTargetRPM(sim_->fanCount(), 3000));
        ADD_FAILURE() << "accepted";
    } catch (const CallError& e) {
        EXPECT_EQ(e.error().code, 1002);
        EXPECT_EQ(std::string(e.what()), "fan index " + std::to_string(sim_->fanCount()) + " out of range");
    }

    // Removal hands the fans back, unregisters, and the daemon goes.
    EXPECT_EQ(awaitResult(driver.uninstallHelper()), State::notRegistered());
    EXPECT_TRUE(sim_->automatic());
    EXPECT_TRUE(launchd.waitForLog("stopping pid")) << launchd.logText();
}

TEST_F(DriverEndToEnd, AStoppedDaemonTimesOutAndTheLinkRecoversAfterItResumes) {
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    auto& driver = makeDriver();
    std::atomic<int> losses{0};
    awaitResult(driver.setConnectionLossHandler([&] { ++losses; }));
    ASSERT_EQ(awaitResult(driver.connect()), State::connected()) << daemon_->logText();
    ASSERT_EQ(awaitResult(driver.setTargetRPM(0, 2500)), 2500);

    daemon_->process().signal(SIGSTOP);
    // Whichever times out first, this call or a heartbeat (2 s, every 2.5 s),
    // tears the link down; the other then fails with the connection.
    try {
        awaitResult(driver.helperVersion());
        ADD_FAILURE() << "a stopped daemon answered";
    } catch (const SMCDriverActor::DriverError& e) {
        EXPECT_EQ(e.kind(), SMCDriverActor::DriverError::Kind::timedOut);
    } catch (const CallError& e) {
        EXPECT_EQ(e.error().code, xpc::cocoa::connectionInvalid) << e.text();
    }
    EXPECT_GE(losses.load(), 1);
    EXPECT_FALSE(awaitResult(driver.snapshot()).hasConnection);

    daemon_->process().signal(SIGCONT);
    // The torn-down connection was the controlling client: the daemon hands
    // the fans back, and a new handshake brings the link up again.
    EXPECT_TRUE(eventually([&] { return sim_->automatic(); }, 15s)) << daemon_->logText();
    EXPECT_EQ(awaitResult(driver.currentHelperState()), State::connected());
    EXPECT_EQ(awaitResult(driver.helperVersion()), std::string(helperBuildVersion));
}

TEST_F(DriverEndToEnd, AKilledAndRestartedDaemonIsReportedAndTheNextWriteEngagesAgain) {
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    auto& driver = makeDriver();
    std::atomic<int> losses{0};
    awaitResult(driver.setConnectionLossHandler([&] { ++losses; }));
    ASSERT_EQ(awaitResult(driver.connect()), State::connected());
    ASSERT_EQ(awaitResult(driver.setTargetRPM(0, 2500)), 2500);

    daemon_->process().kill();
    ASSERT_TRUE(eventually([&] { return losses.load() == 1; })) << "the loss was not reported";
    // The firmware keeps whatever the dead daemon set until a new one starts
    // and restores at start-up.
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    EXPECT_TRUE(eventually([&] { return sim_->automatic(); }));

    EXPECT_EQ(awaitResult(driver.currentHelperState()), State::connected());
    EXPECT_EQ(awaitResult(driver.setTargetRPM(0, 2800)), 2800);
    EXPECT_TRUE(eventually([&] { return sim_->value("F0Md") == 1; })) << "manual mode not engaged again";
}

TEST_F(DriverEndToEnd, AnAppProcessThatDiesOrExitsLeavesTheFansAutomatic) {
    ASSERT_NO_FATAL_FAILURE(startDaemon());
    const auto env = std::vector<std::string>{"ZEPHRANE_SIM_DIR=" + machine_.string(),
                                              "ZEPHRANE_XPC_DIR=" + machine_.string()};
    const auto log = [&](const std::string& name) {
        std::ifstream in(dir_->path() / (name + ".log"));
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    const auto runProbe = [&](const std::string& name) {
        ProcessSpec spec;
        spec.program = ZEPHRANE_DRIVER_PROBE;
        spec.arguments = {"3200", (dir_->path() / (name + ".quit")).string()};
        spec.environment = env;
        spec.output = dir_->path() / (name + ".log");
        auto probe = std::make_unique<ChildProcess>(spec);
        // The probe tries again after a missed time-out: wait for all its tries.
        EXPECT_TRUE(eventually([&] { return log(name).find("written 3200") != std::string::npos; }, 2min)) << log(name);
        EXPECT_TRUE(eventually([&] { return sim_->value("F0Md") == 1; }));
        return probe;
    };

    // Killed while driving: the daemon's disconnect fail-safe.
    auto killed = runProbe("killed");
    killed->kill();
    EXPECT_TRUE(eventually([&] { return sim_->automatic(); }));
    EXPECT_TRUE(daemon_->waitForLog("client disconnected while manual engaged \u2014 failing safe"));

    // Exiting normally: its exit restore reaches the daemon first, so the
    // disconnect finds nothing engaged.
    const std::size_t failSafesBefore = daemon_->countLog("client disconnected while manual engaged \u2014 failing safe");
    auto exiting = runProbe("exiting");
    std::ofstream(dir_->path() / "exiting.quit").put('\n');
    EXPECT_EQ(exiting->waitForExit(1min), 0) << log("exiting");
    EXPECT_TRUE(eventually([&] { return sim_->automatic(); }));
    EXPECT_EQ(daemon_->countLog("client disconnected while manual engaged \u2014 failing safe"), failSafesBefore)
        << daemon_->logText();
}

TEST_F(DriverEndToEnd, AListenerWithoutTheDaemonsIdentityIsRefused) {
    // This test program has the app's identity, not the daemon's.
    xpc::IoThread io;
    xpc::Listener listener(io.executor(), std::string(HelperConstants::machServiceName));
    listener.resume();
    auto& driver = makeDriver();
    const State state = awaitResult(driver.connect());
    ASSERT_EQ(state.kind(), State::Kind::notRegistered) << state.reason();
    const State handshake = awaitResult(driver.handshake());
    EXPECT_EQ(handshake.kind(), State::Kind::unavailable);
    EXPECT_NE(handshake.reason().find("helper handshake failed: "), std::string::npos) << handshake.reason();
}

}  // namespace
}  // namespace zephrane
