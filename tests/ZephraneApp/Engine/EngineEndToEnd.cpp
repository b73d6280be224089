// The engine end to end: the real engine with its real services and driver
// in this process (which carries the app's identity), the real daemon and
// the simulated two-fan laptop as child processes. A curve profile drives
// both fans as the machine heats; automatic control hands them back.
#include <cmath>

#include <gtest/gtest.h>

#include "SimulatedLaptopRig.hpp"
#include "platform/codesign/EmbeddedIdentity.hpp"
#include "tests/ZephraneApp/Services/Daemon/DriverFakes.hpp"

ZEPHRANE_EMBED_IDENTITY("com.zephrane.app", "ZPHRN4B7Q2");

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using testfakes::eventually;

class EngineEndToEnd : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(rig_.serving()) << rig_.daemon().logText(); }

    std::string key(int fan, const char* suffix) { return "F" + std::to_string(fan) + suffix; }

    enginetest::SimulatedLaptopRig rig_{ZEPHRANE_SIM_PROGRAM, ZEPHRANE_DAEMON_PROGRAM, 0.0};
    helper::testing::SimMachine& sim_ = rig_.sim();
};

TEST_F(EngineEndToEnd, BothFansFollowACurveAsTheMachineHeatsAndGoBackToAutomaticControl) {
    auto& engine = rig_.makeEngine();
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
        << rig_.daemon().logText();
    EXPECT_TRUE(sim_.automatic()) << "automatic control writes nothing";

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
            if (sim_.value(key(fan, "Md")) != 1) return false;
            if (std::fabs(sim_.value(key(fan, "Tg")) - expected) > 250) return false;
        }
        return true;
    };
    ASSERT_TRUE(eventually(followsTheCurve, 40s)) << rig_.daemon().logText();
    const double restingTargets = sim_.value("F0Tg") + sim_.value("F1Tg");

    sim_.control({{"command", "setLoad"}, {"load", 1.0}});
    ASSERT_TRUE(eventually([&] { return engine.controlTemperature() > idle + 8; }, 60s))
        << "the machine did not heat: " << engine.controlTemperature();
    ASSERT_TRUE(eventually(followsTheCurve, 40s));
    EXPECT_GT(sim_.value("F0Tg") + sim_.value("F1Tg"), restingTargets + 1000) << "both fans climbed with the curve";
    EXPECT_TRUE(engine.isControlling());
    EXPECT_FALSE(engine.lastError()) << *engine.lastError();

    engine.selectProfile(FanProfile::appleAuto());
    EXPECT_TRUE(eventually([&] { return sim_.automatic(); }, 20s)) << rig_.daemon().logText();
    EXPECT_TRUE(eventually([&] { return !engine.isControlling(); }, 10s));
    EXPECT_FALSE(engine.lastError());
}

}  // namespace
}  // namespace zephrane
