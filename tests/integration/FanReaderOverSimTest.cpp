// SMCFanReader over each built-in machine in process: what the reader reports
// must be what the machine's firmware does with the fan keys, including the
// "Ftst" unlock and a finite ramp toward the target.
#include <gtest/gtest.h>

#include "smc/SMCError.hpp"
#include "smc/SMCFanReader.hpp"
#include "tests/integration/InProcessMachine.hpp"

namespace zephrane::integration {
namespace {

struct FanMachine {
    std::string_view profile;
    std::vector<SMCFanReader::Bounds> bounds;  // one per fan
    bool forceTest;                            // manual mode needs "Ftst" held first
    double idleRPM;                            // fan 0 under automatic control at idle
};

const FanMachine kMachines[] = {
    {"two-fan-laptop", {{1350, 5349}, {1522, 5777}}, true, 0},  // its fans stop when cool
    {"one-fan-desktop", {{1000, 4500}}, false, 1000},
    {"fanless-laptop", {}, false, 0},
};

TEST(FanReaderOverSimTest, CountsFansAndReadsTheirBoundsOnEveryMachine) {
    for (const FanMachine& machine : kMachines) {
        SCOPED_TRACE(machine.profile);
        InProcessMachine m(machine.profile);
        const SMCFanReader reader(m.bridge);
        ASSERT_EQ(reader.fanCount(), static_cast<int>(machine.bounds.size()));
        const std::vector<FanStatus> fans = reader.allFans();
        ASSERT_EQ(fans.size(), machine.bounds.size());
        for (std::size_t i = 0; i < fans.size(); ++i) {
            EXPECT_EQ(fans[i].id, static_cast<std::int64_t>(i));
            EXPECT_EQ(fans[i].minRPM, machine.bounds[i].min);
            EXPECT_EQ(fans[i].maxRPM, machine.bounds[i].max);
            EXPECT_FALSE(fans[i].isManaged);
            EXPECT_TRUE(fans[i].currentRPMValid);
        }
        if (!fans.empty()) {
            EXPECT_EQ(fans[0].currentRPM, machine.idleRPM);
        }
    }
}

std::optional<std::uint8_t> refusedResult(SMCKernelBridge& bridge, std::string_view key, double value) {
    try {
        bridge.write(key, value);
        return std::nullopt;
    } catch (const SMCError& error) {
        if (error.kind() != SMCError::Kind::smcResult) throw;
        return std::get<std::uint8_t>(error.payload());
    }
}

TEST(FanReaderOverSimTest, AManagedFanRampsToItsTargetAndGoesBackToTheFirmware) {
    for (const FanMachine& machine : kMachines) {
        if (machine.bounds.empty()) continue;
        SCOPED_TRACE(machine.profile);
        InProcessMachine m(machine.profile);
        SMCKernelBridge& bridge = *m.bridge;
        const SMCFanReader reader(m.bridge);

        if (machine.forceTest) {
            EXPECT_EQ(refusedResult(bridge, "F0Md", 1), 0x81) << "refused before \"Ftst\" is held";
            bridge.write("Ftst", 1);
            m.advanceSeconds(1);
            EXPECT_EQ(refusedResult(bridge, "F0Md", 1), 0x81) << "held for 1 s of the 2 s it needs";
            EXPECT_FALSE(reader.status(0).isManaged);
            m.advanceSeconds(1.5);
        }
        ASSERT_EQ(refusedResult(bridge, "F0Md", 1), std::nullopt);
        bridge.write("F0Tg", 3000);
        FanStatus fan = reader.status(0, machine.bounds[0]);
        EXPECT_TRUE(fan.isManaged);
        EXPECT_EQ(fan.targetRPM, 3000);
        EXPECT_EQ(fan.currentRPM, machine.idleRPM) << "no time has passed";

        m.advanceSeconds(0.5);
        const double halfway = reader.status(0).currentRPM;
        EXPECT_GT(halfway, machine.idleRPM);
        EXPECT_LT(halfway, 3000) << "the speed ramps, it does not jump";
        m.advanceSeconds(10);
        EXPECT_NEAR(reader.status(0).currentRPM, 3000, 1);
        if (machine.bounds.size() > 1) {
            EXPECT_FALSE(reader.status(1).isManaged) << "only fan 0 was taken";
        }

        bridge.write("F0Md", 0);
        if (machine.forceTest) bridge.write("Ftst", 0);
        m.advanceSeconds(10);
        fan = reader.status(0);
        EXPECT_FALSE(fan.isManaged);
        EXPECT_NEAR(fan.currentRPM, machine.idleRPM, 1) << "the firmware's curve drives it again";
    }
}

}  // namespace
}  // namespace zephrane::integration
