// The engine end to end from a machine without the daemon: the engine
// installs it from the app bundle into a temporary system root, an
// administrator approves it, the service-manager stand-in starts it on the
// engine's first call, and from there the user's choices reach the
// simulated two-fan laptop: the quiet preset and its caps on AC and on
// battery, the switch to the quiet profile on battery, a dust cycle. The
// uninstall hands every fan back and the daemon goes.
#include <algorithm>
#include <cmath>
#include <functional>
#include <variant>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "SimulatedLaptopRig.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "shared/FanCurve.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using testfakes::eventually;

// The pid in zephrane-launchd's last "started, pid N" line, or -1.
pid_t lastStartedPid(const std::string& log) {
    const std::string marker = "started, pid ";
    const auto at = log.rfind(marker);
    if (at == std::string::npos) return -1;
    return static_cast<pid_t>(std::stol(log.substr(at + marker.size())));
}

std::string describe(const HelperState& state) {
    static const char* const names[] = {"unavailable", "notRegistered", "requiresApproval", "enabled", "connected"};
    return std::string("state ") + names[static_cast<int>(state.kind())] +
           (state.reason().empty() ? "" : " (" + state.reason() + ")");
}

class EngineInstallEndToEnd : public ::testing::Test {
protected:
    // Warm enough for the quiet curve to climb well above the battery cap
    // the test sets, and short of the dust cycle's limit.
    static constexpr double kWarmLoad = 0.6;
    static constexpr double kBatteryCap = 0.05;

    static std::string key(int fan, const char* suffix) { return "F" + std::to_string(fan) + suffix; }

    // Every fan in manual mode, its target in the SMC the given curve at the
    // engine's control temperature, give or take the smoothing and the
    // deadband.
    bool fansFollow(const std::vector<CurvePoint>& points) {
        const FanCurve shape(points);
        for (int fan = 0; fan < 2; ++fan) {
            const auto published = engine_->fans().find(fan);
            if (published == engine_->fans().end()) return false;
            const FanStatus& status = published->second;
            const double expected = status.minRPM + shape.rpmPercentage(engine_->controlTemperature()) *
                                                        (status.maxRPM - status.minRPM);
            if (sim_.value(key(fan, "Md")) != 1) return false;
            if (std::fabs(sim_.value(key(fan, "Tg")) - expected) > 250) return false;
        }
        return true;
    }

    // Every fan's target in the SMC at `fraction` of its range.
    bool fansAt(double fraction) {
        for (int fan = 0; fan < 2; ++fan) {
            const auto published = engine_->fans().find(fan);
            if (published == engine_->fans().end()) return false;
            const FanStatus& status = published->second;
            const double expected = status.minRPM + fraction * (status.maxRPM - status.minRPM);
            if (sim_.value(key(fan, "Md")) != 1) return false;
            if (std::fabs(sim_.value(key(fan, "Tg")) - expected) > 100) return false;
        }
        return true;
    }

    // Set up by `configure`, started, installed from the bundle and
    // approved: the daemon serves the engine, started for it on demand.
    void startInstalledAndApproved(const std::function<void(ZephraneEngine&)>& configure = {}) {
        engine_ = &rig_.makeEngine();
        ZephraneEngine& engine = *engine_;
        if (configure) configure(engine);
        engine.start();
        ASSERT_TRUE(eventually([&] {
            return engine.helperState() == HelperState::notRegistered() && engine.smcAvailable() &&
                   engine.fans().size() == 2 && engine.controlTemperature() > 0;
        }))
            << describe(engine.helperState()) << "\n"
            << rig_.logText();

        // Install: registered, waiting for the administrator; nothing runs yet.
        engine.installHelper();
        ASSERT_TRUE(eventually(
            [&] { return !engine.isHelperInstallInFlight() && engine.helperState() == HelperState::requiresApproval(); }))
            << describe(engine.helperState()) << ", issue " << engine.helperInstallIssue().value_or("none");
        EXPECT_FALSE(engine.helperInstallIssue()) << *engine.helperInstallIssue();
        EXPECT_EQ(rig_.launchd().countLog("started, pid"), 0u) << "the daemon ran before its approval";

        // Approved, the engine finds it on its own and the daemon starts for it.
        rig_.approveDaemon();
        ASSERT_TRUE(eventually([&] { return engine.helperState() == HelperState::connected(); }, 40s))
            << describe(engine.helperState()) << "\n"
            << rig_.logText();
    }

    std::vector<CurvePoint> quietCurve(bool onBattery) const {
        return ZephraneEngine::effectiveProfile(FanPreset::quiet, engine_->presetPowerCaps(), onBattery).curvePoints;
    }

    using Rig = enginetest::SimulatedLaptopRig;
    Rig rig_{ZEPHRANE_SIM_PROGRAM, ZEPHRANE_DAEMON_PROGRAM, 0.0, Rig::ThroughServiceManager{ZEPHRANE_LAUNCHD_PROGRAM}};
    helper::testing::SimMachine& sim_ = rig_.sim();
    ZephraneEngine* engine_ = nullptr;
};

TEST_F(EngineInstallEndToEnd, InstalledApprovedDrivenThroughPresetsBatteryAndDustCycleThenUninstalled) {
    ASSERT_NO_FATAL_FAILURE(startInstalledAndApproved([](ZephraneEngine& engine) {
        engine.setSpoolRate(ZephraneEngine::spoolRateInstant);
        engine.setControlSource(ControlSource::cpuAverage);
        engine.setAutoSwitchOnBattery(true);
    }));
    ZephraneEngine& engine = *engine_;
    const pid_t daemon = lastStartedPid(rig_.launchd().logText());
    ASSERT_GT(daemon, 0) << rig_.logText();
    EXPECT_TRUE(sim_.automatic()) << "automatic control writes nothing";

    // The quiet preset on AC, its battery cap set low by the user, the
    // machine warm enough that the curve climbs well past that cap.
    engine.setPresetCap(FanPreset::quiet, std::nullopt, kBatteryCap);
    engine.selectPreset(FanPreset::quiet);
    sim_.control({{"command", "setLoad"}, {"load", kWarmLoad}});
    ASSERT_TRUE(eventually(
        [&] { return FanCurve(quietCurve(false)).rpmPercentage(engine.controlTemperature()) > kBatteryCap + 0.1; },
        90s))
        << "the machine did not warm: " << engine.controlTemperature();
    ASSERT_TRUE(eventually([&] { return fansFollow(quietCurve(false)); }, 40s))
        << "F0Tg " << sim_.value("F0Tg") << " at " << engine.controlTemperature() << "\n"
        << rig_.logText();

    // Unplugged: the same preset under its battery cap, lower.
    const double onAC = sim_.value("F0Tg") + sim_.value("F1Tg");
    sim_.control({{"command", "setAdapter"}, {"connected", false}});
    ASSERT_TRUE(eventually([&] { return engine.powerTelemetry().onBattery(); }, 20s));
    ASSERT_TRUE(eventually([&] { return fansFollow(quietCurve(true)); }, 40s))
        << "F0Tg " << sim_.value("F0Tg") << " at " << engine.controlTemperature();
    for (int fan = 0; fan < 2; ++fan) {
        const FanStatus& status = engine.fans().at(fan);
        EXPECT_LE(sim_.value(key(fan, "Tg")), status.minRPM + kBatteryCap * (status.maxRPM - status.minRPM) + 1)
            << "fan " << fan << " above the battery cap";
    }
    EXPECT_LT(sim_.value("F0Tg") + sim_.value("F1Tg"), onAC - 200) << "the battery cap did not hold the fans back";
    EXPECT_EQ(engine.activePreset(), OptionalPreset(FanPreset::quiet)) << "a change of power source keeps the preset";

    // Without a preset, battery power moves to the quiet profile, and the
    // adapter plugged back in gives the earlier choice back.
    engine.selectProfile(FanProfile::appleAuto());
    ASSERT_TRUE(eventually([&] {
        return engine.activeProfile() && engine.activeProfile()->id == FanProfile::silentStealth().id;
    }, 20s));
    EXPECT_TRUE(eventually([&] { return fansFollow(FanProfile::silentStealth().curvePoints); }, 40s))
        << "F0Tg " << sim_.value("F0Tg") << " at " << engine.controlTemperature();
    sim_.control({{"command", "setAdapter"}, {"connected", true}});
    ASSERT_TRUE(eventually([&] {
        return engine.activeProfile() && engine.activeProfile()->id == FanProfile::appleAuto().id;
    }, 20s));
    EXPECT_TRUE(eventually([&] { return sim_.automatic(); }, 20s)) << rig_.logText();

    // A dust cycle from the quiet preset: both fans pulse high and low, the
    // card reads its verdict, and the preset takes the fans back.
    sim_.control({{"command", "setLoad"}, {"load", 0.0}});
    engine.selectPreset(FanPreset::quiet);
    ASSERT_TRUE(eventually([&] { return engine.controlTemperature() < DustCycle::abortTemperature - 5; }, 90s))
        << "the machine did not cool: " << engine.controlTemperature();
    std::vector<DustCycleUIState> shown;
    QObject::connect(&engine, &ZephraneEngine::dustCycleStateChanged, &engine,
                     [&] { shown.push_back(engine.dustCycleState()); });
    engine.startDustCycle();
    ASSERT_TRUE(engine.dustCycleStartedAt());
    EXPECT_TRUE(eventually([&] { return fansAt(0.8); }, 20s)) << "F0Tg " << sim_.value("F0Tg");
    EXPECT_TRUE(eventually([&] { return fansAt(0.3); }, 20s)) << "F0Tg " << sim_.value("F0Tg");
    ASSERT_TRUE(eventually([&] { return !engine.dustCycleStartedAt(); }, 60s));
    const auto counting = [](const DustCycleUIState& state) {
        return std::holds_alternative<DustCycleUIState::Running>(state.state);
    };
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), counting)) << "no countdown shown";
    const auto verdict = std::find_if(shown.rbegin(), shown.rend(), [&](const DustCycleUIState& state) {
        return !counting(state) && !std::holds_alternative<DustCycleUIState::Idle>(state.state);
    });
    ASSERT_NE(verdict, shown.rend()) << "no verdict shown";
    EXPECT_TRUE(std::holds_alternative<DustCycleUIState::Completed>(verdict->state))
        << "the cycle did not complete; control temperature " << engine.controlTemperature();
    // The verdict stays on the card a moment, then the card is idle again.
    EXPECT_TRUE(
        eventually([&] { return std::holds_alternative<DustCycleUIState::Idle>(engine.dustCycleState().state); }, 10s));
    EXPECT_EQ(engine.activePreset(), OptionalPreset(FanPreset::quiet));
    EXPECT_TRUE(eventually([&] { return fansFollow(quietCurve(false)); }, 40s));
    EXPECT_TRUE(engine.isControlling());

    // Uninstall: every fan back to the firmware, the daemon unregistered
    // and stopped.
    engine.uninstallHelper();
    ASSERT_TRUE(eventually([&] { return engine.helperState() == HelperState::notRegistered(); }, 40s))
        << describe(engine.helperState()) << "\n"
        << rig_.logText();
    EXPECT_FALSE(engine.isControlling());
    EXPECT_TRUE(rig_.launchd().waitForLog("stopping pid " + std::to_string(daemon))) << rig_.logText();
    EXPECT_TRUE(eventually([&] { return !servicemanagement::testing::processExists(daemon); }, 20s))
        << "the daemon still runs";
    // With the daemon gone nothing writes the fans any more: what they are
    // now, they stay.
    EXPECT_EQ(sim_.value("F0Md"), 0);
    EXPECT_EQ(sim_.value("F1Md"), 0);
    EXPECT_TRUE(sim_.automatic());
    EXPECT_FALSE(engine.lastError()) << *engine.lastError();
}

// The simulated machine dies and a new one starts while the app drives its
// fans: with nobody's help the daemon gives way to a fresh one, the app
// opens the new machine and reads it, and the new machine's fans are driven.
TEST_F(EngineInstallEndToEnd, ARestartedMachineIsDrivenAgainWithoutTheUsersHelp) {
    ASSERT_NO_FATAL_FAILURE(startInstalledAndApproved());
    ZephraneEngine& engine = *engine_;
    const RPMTable targets{{0, 3000}, {1, 3200}};
    const auto driven = [&] {
        helper::testing::SimMachine& sim = rig_.sim();
        for (const auto& [fan, rpm] : targets)
            if (sim.value(key(fan, "Md")) != 1 || std::fabs(sim.value(key(fan, "Tg")) - rpm) > 1) return false;
        return true;
    };
    engine.setManualFanTargets(targets);
    ASSERT_TRUE(eventually(driven, 40s)) << rig_.logText();
    const pid_t first = lastStartedPid(rig_.launchd().logText());

    rig_.restartSimulator(0.0);
    ASSERT_FALSE(driven()) << "the new machine starts under its firmware";
    EXPECT_TRUE(eventually(driven, 60s)) << describe(engine.helperState()) << "\n" << rig_.logText();
    EXPECT_NE(lastStartedPid(rig_.launchd().logText()), first) << "a fresh daemon drives the new machine";
    EXPECT_TRUE(eventually([&] {
        const auto fan = engine.fans().find(0);
        return engine.smcAvailable() && fan != engine.fans().end() && fan->second.currentRPMValid &&
               fan->second.isManaged;
    }, 20s))
        << "the app reads the new machine";
    EXPECT_EQ(engine.helperState(), HelperState::connected());
}

}  // namespace
}  // namespace zephrane
