// The in-process adapter must hand the bridge exactly what the socket path
// would: the machine's bytes through the record images, and its faults as
// the same SMCError values. Every other in-process test builds on this.
#include "tests/integration/SimulatedSMCTransport.hpp"

#include <functional>

#include <gtest/gtest.h>

#include "smc/SMCError.hpp"
#include "tests/integration/InProcessMachine.hpp"

namespace zephrane::integration {
namespace {

TEST(SimulatedSMCTransportTest, ReadsAndWritesReachTheMachineThroughTheRecordImages) {
    InProcessMachine laptop("two-fan-laptop");
    SMCKernelBridge& bridge = *laptop.bridge;

    EXPECT_EQ(bridge.keyCount(), 2280);
    EXPECT_EQ(bridge.keyAtIndex(0), "#KEY");
    EXPECT_EQ(bridge.read("FNum"), 2);
    EXPECT_EQ(bridge.read("F0Mn"), 1350);
    const SMCKeyInfoData info = bridge.keyInfo("F0Tg");
    EXPECT_EQ(info.dataSize, 4u);
    EXPECT_EQ(info.dataType, FourCC::code("flt "));
    const auto raw = bridge.readRaw("TB0T");
    EXPECT_EQ(raw.bytes, laptop.smc.peek("TB0T")->bytes);

    bridge.write("F0Tg", 2500);
    EXPECT_EQ(laptop.smc.peek("F0Tg")->value, 2500);
    EXPECT_EQ(bridge.read("F0Tg"), 2500);
}

TEST(SimulatedSMCTransportTest, MachineFaultsBecomeTheErrorsOfTheSocketPath) {
    struct Row {
        const char* edge;
        std::function<void(sim::SimulatedSMC&)> inject;
        std::string_view key;
        SMCError expected;
    };
    const Row rows[] = {
        {"a hung call has no answer", [](sim::SimulatedSMC& smc) { smc.hangKey("F0Ac"); }, "F0Ac",
         SMCError::callFailed(iokit::kIOReturnNotResponding)},
        {"every call hangs", [](sim::SimulatedSMC& smc) { smc.hangAll(); }, "FNum",
         SMCError::callFailed(iokit::kIOReturnNotResponding)},
        {"a 79-byte answer", [](sim::SimulatedSMC& smc) { smc.shortAnswerNext(79); }, "FNum",
         SMCError::callFailed(iokit::kIOReturnUnderrun)},
        {"an empty answer", [](sim::SimulatedSMC& smc) { smc.shortAnswerNext(0); }, "FNum",
         SMCError::callFailed(iokit::kIOReturnUnderrun)},
        {"a key that vanished", [](sim::SimulatedSMC& smc) { smc.removeKey("TB0T"); }, "TB0T",
         SMCError::keyNotFound("TB0T")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        InProcessMachine laptop("two-fan-laptop");
        row.inject(laptop.smc);
        try {
            laptop.bridge->read(row.key);
            ADD_FAILURE() << "no error";
        } catch (const SMCError& error) {
            EXPECT_EQ(error, row.expected) << error.what();
        }
        // Nothing of the failure sticks in the bridge or the adapter.
        laptop.smc.clearFaults();
        EXPECT_NO_THROW(laptop.bridge->read(row.key));
    }
}

TEST(SimulatedSMCTransportTest, ARefusedOpenThrowsOpenFailedWithTheMachinesCode) {
    sim::SimulatedSMC smc(sim::testing::builtInProfile("one-fan-desktop"));
    smc.refuseOpens(iokit::kIOReturnNotPermitted);
    try {
        SimulatedSMCTransport transport(smc);
        FAIL() << "opened";
    } catch (const SMCError& error) {
        EXPECT_EQ(error, SMCError::openFailed(iokit::kIOReturnNotPermitted));
    }
    smc.clearFaults();
    EXPECT_NO_THROW(SimulatedSMCTransport{smc});
}

}  // namespace
}  // namespace zephrane::integration
