// The app's power state observer against the real zephrane-sim program over
// its registry socket, with zephrane-system-profiler as the profiler: the way
// the app will meet the machine's battery, adapter and lid. Each test starts
// its own program; waits are for conditions, with generous deadlines.
#include <cstdlib>

#include <gtest/gtest.h>

#include "ZephraneApp/Services/Monitors/PowerStateObserver.hpp"
#include "ZephraneApp/Services/Monitors/ProgramOutput.hpp"
#include "platform/iokit/IORegistryLinux.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"
#include "tests/integration/SimProgram.hpp"

namespace zephrane::integration {
namespace {

using namespace std::chrono_literals;
using sim::testing::eventually;
using testfakes::awaitResult;

const std::vector<std::string> kProfilerArguments{"SPPowerDataType", "-json", "-detailLevel", "mini"};

// Each observer's probe ends with it: none outlives its test, where the
// next test may change the environment the profiler is started with.
class PowerStateObserverOverSimTest : public ::testing::Test {
protected:
    static std::unique_ptr<PowerStateObserver> observer() {
        return std::make_unique<PowerStateObserver>(iokit::IORegistryCreate(),
                                                    SystemProfilerOptions{ZEPHRANE_SYSTEM_PROFILER_PROGRAM, 20s});
    }
    static PowerStateObserver::Reading readingOf(PowerStateObserver& observer) {
        return awaitResult(observer.read());
    }

    static std::int64_t registryInteger(std::string_view className, const char* property) {
        const auto services = iokit::IORegistryCreate()->matchingServices(className);
        return services.empty() ? -999999 : services.front().at(property).get<std::int64_t>();
    }
};

TEST_F(PowerStateObserverOverSimTest, ALaptopFollowsItsAdapterLidAndBattery) {
    SimProgram sim({"--machine", "two-fan-laptop", "--tick", "20"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto power = observer();

    PowerStateObserver::Reading reading = readingOf(*power);
    EXPECT_EQ(reading.telemetry.source, PowerSource::ac);
    EXPECT_TRUE(reading.telemetry.hasBattery);
    EXPECT_TRUE(reading.telemetry.isCharging);
    EXPECT_EQ(reading.telemetry.adapterWatts, 140);
    EXPECT_EQ(reading.telemetry.batteryCycleCount, 112);
    EXPECT_GE(reading.telemetry.batteryLevelPercent.value_or(0), 80);
    EXPECT_NEAR(reading.telemetry.batteryWattHours, 7564 * 12.6 / 1000, 7564 * 0.5 / 1000) << "7564 mAh near 12.6 V";
    EXPECT_FALSE(reading.clamshell);
    // The stand-in's report, carried once the probe has stored it.
    EXPECT_TRUE(eventually([&] { return readingOf(*power).telemetry.batteryHealthPercent == 87; }));

    ASSERT_EQ(sim.control({{"command", "setAdapter"}, {"connected", false}})["ok"], true);
    reading = readingOf(*power);
    EXPECT_EQ(reading.telemetry.source, PowerSource::battery);
    EXPECT_LT(registryInteger("AppleSmartBattery", "Amperage"), 0) << "a discharging current is negative";
    EXPECT_GT(reading.telemetry.systemWatts, 5) << "and the watts a magnitude";
    EXPECT_FALSE(reading.telemetry.isCharging);
    EXPECT_EQ(reading.telemetry.adapterWatts, 0);
    EXPECT_EQ(reading.telemetry.chargeState(), BatteryChargeState::discharging);
    EXPECT_EQ(reading.telemetry.batteryHealthPercent, 87);

    ASSERT_EQ(sim.control({{"command", "setBatteryLevel"}, {"percent", 30}})["ok"], true);
    EXPECT_NEAR(static_cast<double>(readingOf(*power).telemetry.batteryLevelPercent.value_or(-1)), 30, 1);

    ASSERT_EQ(sim.control({{"command", "setLid"}, {"closed", true}})["ok"], true);
    reading = readingOf(*power);
    EXPECT_TRUE(reading.clamshell);
    EXPECT_FALSE(reading.telemetry.isClamshell) << "the lid travels beside the telemetry";

    ASSERT_EQ(sim.control({{"command", "setAdapter"}, {"connected", true}})["ok"], true);
    reading = readingOf(*power);
    EXPECT_EQ(reading.telemetry.source, PowerSource::ac);
    EXPECT_TRUE(reading.telemetry.isCharging);
    EXPECT_EQ(power->probesStarted(), 1);

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

// At full load on battery the level falls by a point every few seconds of
// real time, and on the adapter it climbs again: fast enough to watch.
TEST_F(PowerStateObserverOverSimTest, TheLevelMovesVisiblyInRealTime) {
    SimProgram sim({"--machine", "fanless-laptop", "--tick", "20"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto power = observer();
    auto level = [&] { return readingOf(*power).telemetry.batteryLevelPercent.value_or(-1); };

    ASSERT_EQ(sim.control({{"command", "setLoad"}, {"load", 1}})["ok"], true);
    ASSERT_EQ(sim.control({{"command", "setAdapter"}, {"connected", false}})["ok"], true);
    ASSERT_EQ(sim.control({{"command", "setBatteryLevel"}, {"percent", 50}})["ok"], true);
    EXPECT_TRUE(eventually([&] { return level() <= 48; })) << "stuck at " << level();

    ASSERT_EQ(sim.control({{"command", "setLoad"}, {"load", 0}})["ok"], true);
    ASSERT_EQ(sim.control({{"command", "setAdapter"}, {"connected", true}})["ok"], true);
    const std::int64_t low = level();
    EXPECT_TRUE(eventually([&] { return level() >= low + 2; })) << "stuck at " << level();

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

TEST_F(PowerStateObserverOverSimTest, TheDesktopHasNoBatteryAndTheStandInSaysSo) {
    SimProgram sim({"--machine", "one-fan-desktop"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();

    const auto power = observer();
    const PowerStateObserver::Reading reading = readingOf(*power);
    EXPECT_EQ(reading.telemetry.source, PowerSource::ac);
    EXPECT_FALSE(reading.telemetry.hasBattery);
    EXPECT_EQ(reading.telemetry.adapterWatts, 0);
    EXPECT_FALSE(reading.clamshell);
    EXPECT_EQ(power->probesStarted(), 0) << "no battery, no profiler";

    const ProgramOutput run = runProgram(ZEPHRANE_SYSTEM_PROFILER_PROGRAM, kProfilerArguments, {});
    ASSERT_EQ(run.outcome, ProgramOutput::Outcome::exited);
    EXPECT_FALSE(run.succeeded());
    EXPECT_TRUE(run.output.empty());
    EXPECT_FALSE(iokit::IORegistryCreate()->matchingServices("IOAccelerator").empty()) << "but a GPU";

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

TEST_F(PowerStateObserverOverSimTest, WithoutAMachineEverythingIsNeutralAndTheStandInFails) {
    std::optional<std::filesystem::path> gone;
    {
        SimProgram sim({"--machine", "two-fan-laptop"});
        ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
        sim.pointPlatformAtIt();
        gone = sim.dir();
        sim.terminate();
        EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
    }
    ASSERT_FALSE(std::filesystem::exists(*gone / iokit::wire::kRegistrySocketName));

    const PowerStateObserver::Reading reading = readingOf(*observer());
    EXPECT_EQ(reading.telemetry, PowerTelemetry{}) << "unknown source, no battery, no adapter";
    EXPECT_FALSE(reading.clamshell);
    EXPECT_FALSE(runProgram(ZEPHRANE_SYSTEM_PROFILER_PROGRAM, kProfilerArguments, {}).succeeded());
}

}  // namespace
}  // namespace zephrane::integration
