// The SMC layer against the real zephrane-sim program over its sockets: the
// way the app and the daemon will meet the machine. Each test starts its own
// program in a fresh directory and stops it with SIGTERM, expecting a clean
// exit; waits are for conditions, with generous deadlines.
#include <atomic>
#include <chrono>
#include <cmath>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "smc/HIDSensorSource.hpp"
#include "smc/SMCError.hpp"
#include "smc/SMCFanReader.hpp"
#include "smc/SensorDiscovery.hpp"
#include "tests/integration/ErrorOf.hpp"
#include "tests/integration/InProcessMachine.hpp"
#include "tests/integration/SimProgram.hpp"
#include "tests/integration/SimulatedHIDEventSystemClient.hpp"

namespace zephrane::integration {
namespace {

using sim::testing::eventually;

std::string uidText(uid_t uid) { return std::to_string(uid); }

void expectSameSensors(const std::vector<SMCSensor>& actual, const std::vector<SMCSensor>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE(expected[i].key);
        SMCSensor withoutValue = actual[i];
        withoutValue.currentTemp = expected[i].currentTemp;
        EXPECT_EQ(withoutValue, expected[i]);
        EXPECT_NEAR(actual[i].currentTemp, expected[i].currentTemp, 0.01);
    }
}

TEST(SimProgramEndToEndTest, OneBridgeWritesAndAnotherSeesTheFanFollowInRealTime) {
    SimProgram sim({"--machine", "two-fan-laptop", "--tick", "20", "--allow-writers", uidText(::getuid())});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto writer = SMCKernelBridge::open();
    const auto reader = SMCKernelBridge::open();
    const SMCFanReader fans(reader);
    ASSERT_EQ(fans.fanCount(), 2);
    const double idleRPM = reader->read("F0Ac");

    writer->write("Ftst", 1);
    // Manual mode is refused (0x81) until "Ftst" has been held a while.
    std::optional<SMCError> modeError;
    ASSERT_TRUE(eventually([&] {
        modeError = errorOf([&] { writer->write("F0Md", 1); });
        return !modeError || *modeError != SMCError::smcResult(0x81);
    }));
    ASSERT_EQ(modeError, std::nullopt) << modeError->what();
    writer->write("F0Tg", 3000);

    EXPECT_EQ(reader->read("F0Md"), 1);
    EXPECT_EQ(reader->read("F0Tg"), 3000);
    const FanStatus taken = fans.status(0);
    EXPECT_TRUE(taken.isManaged);
    EXPECT_EQ(taken.targetRPM, 3000);
    EXPECT_EQ(taken.minRPM, 1350);
    EXPECT_EQ(taken.maxRPM, 5349);
    EXPECT_FALSE(fans.status(1).isManaged);

    // The machine's clock is real time now: the speed climbs at a finite
    // rate, never past the target, until it gets there.
    double last = idleRPM;
    bool steady = true;
    EXPECT_TRUE(eventually([&] {
        const double rpm = reader->read("F0Ac");
        if (rpm < last - 1e-6 || rpm > 3000 + 1e-6) steady = false;
        last = rpm;
        return std::abs(rpm - 3000) < 1;
    })) << "F0Ac stopped at " << last;
    EXPECT_TRUE(steady) << "the speed went back or overshot";

    writer->write("F0Md", 0);
    writer->write("Ftst", 0);
    EXPECT_FALSE(fans.status(0).isManaged);

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

// A machine that stops without a word (SIGSTOP): reads come from its table
// while its lease lasts, then go over its socket, where one waits for the
// call's deadline and no longer, and fails as a machine that does not
// respond. Once it runs again, a new connection reads as before.
TEST(SimProgramEndToEndTest, AStoppedMachineCostsAReadItsDeadlineAndNoMore) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kDeadline = std::chrono::milliseconds(400);
    ::setenv("ZEPHRANE_SMC_DEADLINE_MS", std::to_string(kDeadline.count()).c_str(), 1);
    SimProgram sim({"--machine", "two-fan-laptop"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto bridge = SMCKernelBridge::open();
    ASSERT_EQ(bridge->read("F0Mx"), 5349);

    sim.signal(SIGSTOP);
    struct Outcome {
        int answeredFromTheTable = 0;
        std::optional<SMCError> error;
        Clock::duration failingCall{};
    };
    auto reading = std::async(std::launch::async, [bridge] {
        Outcome outcome;
        for (;;) {
            const auto start = Clock::now();
            outcome.error = errorOf([&] { bridge->read("F0Mx"); });
            if (outcome.error) {
                outcome.failingCall = Clock::now() - start;
                return outcome;
            }
            ++outcome.answeredFromTheTable;
        }
    });
    const bool ended = reading.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    sim.signal(SIGCONT);
    ::unsetenv("ZEPHRANE_SMC_DEADLINE_MS");
    ASSERT_TRUE(ended) << "a read waited for ever";
    const Outcome outcome = reading.get();
    EXPECT_GT(outcome.answeredFromTheTable, 0) << "the lease still held right after the stop";
    EXPECT_EQ(outcome.error, SMCError::callFailed(iokit::kIOReturnNotResponding));
    EXPECT_GE(outcome.failingCall, kDeadline - std::chrono::milliseconds(50)) << "it waited for the deadline";
    EXPECT_EQ(errorOf([&] { bridge->read("F0Mx"); }), SMCError::callFailed(iokit::kIOReturnNotResponding))
        << "a connection whose call ran out of time stays dead";
    EXPECT_EQ(SMCKernelBridge::open()->read("F0Mx"), 5349) << "running again, the machine answers a new connection";

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

TEST(SimProgramEndToEndTest, AWriterThePolicyDoesNotNameIsNotPrivileged) {
    SimProgram sim({"--machine", "two-fan-laptop", "--allow-writers", uidText(::getuid() + 1)});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto bridge = SMCKernelBridge::open();
    const double target = bridge->read("F0Tg");

    for (auto [key, value] : {std::pair{"Ftst", 1.0}, {"F0Md", 1.0}, {"F0Tg", 3000.0}}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(errorOf([&] { bridge->write(key, value); }), SMCError::callFailed(iokit::kIOReturnNotPrivileged));
    }
    EXPECT_EQ(bridge->read("F0Tg"), target) << "reading needs no privilege, and the write never landed";
    EXPECT_EQ(sim.control({{"command", "readKey"}, {"key", "Ftst"}})["value"], 0);

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

TEST(SimProgramEndToEndTest, AHungCallBlocksOnlyItsOwnBridgeUntilTheMachineGoesAway) {
    // Declared first so it is joined last: by then the program is gone and
    // the hung call has returned, whatever happened in between.
    std::jthread caller;
    SimProgram sim({"--machine", "two-fan-laptop"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto hung = SMCKernelBridge::open();
    const auto other = SMCKernelBridge::open();
    ASSERT_EQ(sim.control({{"command", "hang"}, {"key", "F0Tg"}})["ok"], true);

    auto outcome = std::make_shared<std::promise<std::optional<SMCError>>>();
    std::future<std::optional<SMCError>> hungCall = outcome->get_future();
    auto started = std::make_shared<std::atomic<bool>>(false);
    caller = std::jthread([hung, outcome, started] {
        started->store(true);
        try {
            outcome->set_value(errorOf([&] { hung->read("F0Tg"); }));
        } catch (...) {
            outcome->set_exception(std::current_exception());
        }
    });
    ASSERT_TRUE(eventually([&] { return started->load(); }));
    // Waiting at the simulator, not merely about to ask: reads are quick
    // enough to be over before the caller's request has gone out.
    ASSERT_TRUE(eventually([&] { return sim.control({{"command", "status"}})["unansweredCalls"] == 1; }));

    const SMCFanReader fans(other);
    for (int i = 0; i < 50; ++i) {
        EXPECT_EQ(other->read("FNum"), 2);
        EXPECT_TRUE(fans.status(1).currentRPMValid);
    }
    EXPECT_EQ(hungCall.wait_for(std::chrono::seconds(0)), std::future_status::timeout) << "the call did not hang";

    // Cleared faults serve new calls; the one already waiting stays unanswered.
    ASSERT_EQ(sim.control({{"command", "clearFaults"}})["ok"], true);
    EXPECT_NO_THROW(other->read("F0Tg"));
    EXPECT_EQ(hungCall.wait_for(std::chrono::seconds(0)), std::future_status::timeout);

    sim.terminate();
    ASSERT_EQ(hungCall.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(hungCall.get(), SMCError::callFailed(iokit::kIOReturnNotResponding));
    EXPECT_EQ(errorOf([&] { other->read("FNum"); }), SMCError::callFailed(iokit::kIOReturnNotResponding));
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

TEST(SimProgramEndToEndTest, OpeningFailsAsTheKernelWouldAndRecovers) {
    SimProgram sim({"--machine", "one-fan-desktop"});
    sim.pointPlatformAtIt();
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    ASSERT_EQ(sim.control({{"command", "refuseOpens"}})["ok"], true);
    EXPECT_EQ(errorOf([] { SMCKernelBridge::open(); }), SMCError::openFailed(iokit::kIOReturnNotPermitted));
    ASSERT_EQ(sim.control({{"command", "clearFaults"}})["ok"], true);
    EXPECT_EQ(SMCFanReader(SMCKernelBridge::open()).fanCount(), 1);

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
    EXPECT_EQ(errorOf([] { SMCKernelBridge::open(); }), SMCError::serviceNotFound()) << "no socket, no service";
}

TEST(SimProgramEndToEndTest, DiscoveryAndHIDOverTheSocketMatchTheMachineInProcess) {
    for (std::string_view name : kMachineNames) {
        SCOPED_TRACE(name);
        SimProgram sim({"--machine", std::string(name)});
        ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
        sim.pointPlatformAtIt();
        InProcessMachine local(name);

        const std::vector<SMCSensor> overSocket = SensorDiscovery(SMCKernelBridge::open()).discoverAll();
        const std::vector<SMCSensor> inProcess = SensorDiscovery(local.bridge).discoverAll();
        ASSERT_FALSE(overSocket.empty());
        expectSameSensors(overSocket, inProcess);

        const std::vector<HIDSensorReading> hidOverSocket = HIDSensorSource().readAll();
        const std::vector<HIDSensorReading> hidInProcess =
            HIDSensorSource(std::make_unique<SimulatedHIDEventSystemClient>(local.smc)).readAll();
        ASSERT_EQ(hidOverSocket.size(), hidInProcess.size());
        ASSERT_FALSE(hidOverSocket.empty());
        for (std::size_t i = 0; i < hidOverSocket.size(); ++i) {
            EXPECT_EQ(hidOverSocket[i].name, hidInProcess[i].name);
            EXPECT_NEAR(hidOverSocket[i].celsius, hidInProcess[i].celsius, 0.01);
        }

        sim.terminate();
        EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
    }
}

TEST(SimProgramEndToEndTest, RefreshOverTheSocketFollowsTheLoad) {
    SimProgram sim({"--machine", "two-fan-laptop", "--tick", "20"});
    ASSERT_TRUE(sim.waitUntilServing()) << sim.log();
    sim.pointPlatformAtIt();
    const auto bridge = SMCKernelBridge::open();
    const SensorDiscovery discovery(bridge);
    const std::vector<SMCSensor> idle = discovery.discoverAll();
    auto valueOf = [](const std::vector<SMCSensor>& sensors, std::string_view key) {
        for (const SMCSensor& s : sensors)
            if (s.key == key) return s.currentTemp;
        ADD_FAILURE() << "no sensor " << key;
        return 0.0;
    };
    const double idleHID = HIDSensorSource().readAll().front().celsius;

    ASSERT_EQ(sim.control({{"command", "setLoad"}, {"load", 1.0}})["ok"], true);
    std::vector<SMCSensor> busy;
    EXPECT_TRUE(eventually([&] {
        busy = discovery.refresh(idle);
        return valueOf(busy, "Tp01") > valueOf(idle, "Tp01") + 10 && valueOf(busy, "PSTR") > valueOf(idle, "PSTR") + 40;
    })) << "Tp01 " << valueOf(busy, "Tp01") << ", PSTR " << valueOf(busy, "PSTR");
    EXPECT_TRUE(eventually([&] { return HIDSensorSource().readAll().front().celsius > idleHID + 5; }));

    sim.terminate();
    EXPECT_TRUE(exitedCleanly(sim.exitStatus())) << sim.log();
}

}  // namespace
}  // namespace zephrane::integration
