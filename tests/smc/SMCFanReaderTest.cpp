#include "smc/SMCFanReader.hpp"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "shared/FanKey.hpp"
#include "smc/FakeSMCTransport.hpp"

namespace zephrane {
namespace {

using Access = FakeSMCTransport::Access;

struct Rig {
    SMCFanReader reader;
    std::shared_ptr<SMCKernelBridge> bridge;
    FakeSMCTransport* smc;
};

Rig rig(const std::function<void(FakeSMCTransport&)>& setup) {
    auto transport = std::make_unique<FakeSMCTransport>();
    FakeSMCTransport* smc = transport.get();
    setup(*smc);
    auto bridge = std::make_shared<SMCKernelBridge>(std::move(transport));
    return {SMCFanReader(bridge), bridge, smc};
}

// A fan with every key readable, as a laptop fan reports them.
void addFan(FakeSMCTransport& smc, int fan, double actual, double minimum, double maximum, double target,
            double mode) {
    smc.setValue(FanKey::current(fan), SMCDataType::fpe2(), actual);
    smc.setValue(FanKey::minimum(fan), SMCDataType::fpe2(), minimum);
    smc.setValue(FanKey::maximum(fan), SMCDataType::fpe2(), maximum);
    smc.setValue(FanKey::target(fan), SMCDataType::fpe2(), target);
    smc.setValue(FanKey::mode(fan), SMCDataType::ui8(), mode);
}

TEST(SMCFanReader, ReadableFanCountIsTruncatedAndClamped) {
    struct Case {
        const char* name;
        SMCDataType type;
        double fnum;
        int expected;
    };
    const Case cases[] = {
        {"two fans", SMCDataType::ui8(), 2, 2},
        {"more than ten", SMCDataType::ui8(), 12, 10},
        {"fraction truncates", SMCDataType::flt(), 2.9, 2},
        {"zero is zero, no probing", SMCDataType::ui8(), 0, 0},
        {"negative is zero", SMCDataType::flt(), -3, 0},
    };
    for (const auto& c : cases) {
        auto [reader, bridge, smc] = rig([&](FakeSMCTransport& s) {
            s.setValue("FNum", c.type, c.fnum);
            s.setValue("F0Ac", SMCDataType::fpe2(), 1000);  // present, but must not be probed
        });
        EXPECT_EQ(reader.fanCount(), c.expected) << c.name;
        EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, "F0Ac"), 0u) << c.name << ": no probing";
    }
}

TEST(SMCFanReader, UnreadableFanCountProbesAllTenActualSpeedKeys) {
    struct Case {
        const char* name;
        std::function<void(FakeSMCTransport&)> fnum;  // how "FNum" fails
        std::vector<int> present;                    // fans whose FnAc exists
        int expected;
    };
    const auto missing = [](FakeSMCTransport&) {};
    const auto writeOnly = [](FakeSMCTransport& s) { s.setValue("FNum", SMCDataType::ui8(), 2, Access::writeOnly); };
    const auto huge = [](FakeSMCTransport& s) { s.setValue("FNum", SMCDataType::flt(), 1e30); };
    const auto undecodable = [](FakeSMCTransport& s) { s.setKey({"FNum", SMCDataType::ui16(), {2}}); };
    const Case cases[] = {
        {"F0Ac and F1Ac", missing, {0, 1}, 2},
        {"only F3Ac: gaps below count", missing, {3}, 4},
        {"only F1Ac", missing, {1}, 2},
        {"none", missing, {}, 0},
        {"a gap does not stop the probe", missing, {0, 9}, 10},
        {"unreadable count", writeOnly, {0}, 1},
        {"count past a 64-bit integer", huge, {0, 1, 2}, 3},
        {"count that cannot be decoded", undecodable, {0, 1}, 2},
    };
    for (const auto& c : cases) {
        auto [reader, bridge, smc] = rig([&](FakeSMCTransport& s) {
            c.fnum(s);
            for (int fan : c.present) s.setValue(FanKey::current(fan), SMCDataType::fpe2(), 1000);
        });
        EXPECT_EQ(reader.fanCount(), c.expected) << c.name;
        for (int fan = 0; fan < 10; ++fan)
            EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, FanKey::current(fan)), 1u) << c.name << " fan " << fan;
    }
}

TEST(SMCFanReader, ProbingUsesKeysTheBridgeAlreadyKnows) {
    auto [reader, bridge, smc] = rig([](FakeSMCTransport& s) { s.setValue("F0Ac", SMCDataType::fpe2(), 1000); });
    EXPECT_EQ(bridge->read("F0Ac"), 1000.0);
    EXPECT_EQ(reader.fanCount(), 1);
    EXPECT_EQ(reader.fanCount(), 1);
    EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, "F0Ac"), 1u) << "cached by the first read";
    EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, "F1Ac"), 2u) << "absent keys are asked again";
}

TEST(SMCFanReader, StatusReplacesEachFailedReadWithItsNeutralValue) {
    struct Case {
        const char* name;
        std::function<void(FakeSMCTransport&)> change;  // applied to a complete fan 0
        FanStatus expected;
    };
    const Case cases[] = {
        {"every key readable", [](FakeSMCTransport&) {}, {0, 2000, 1200, 4900, 2500, true, true}},
        {"no target: the actual speed stands in", [](FakeSMCTransport& s) { s.removeKey("F0Tg"); },
         {0, 2000, 1200, 4900, 2000, true, true}},
        {"neither target nor actual speed",
         [](FakeSMCTransport& s) {
             s.removeKey("F0Tg");
             s.removeKey("F0Ac");
         },
         {0, 0, 1200, 4900, 0, true, false}},
        {"unreadable bounds are zero",
         [](FakeSMCTransport& s) {
             s.removeKey("F0Mn");
             s.setValue("F0Mx", SMCDataType::fpe2(), 4900, Access::writeOnly);
         },
         {0, 2000, 0, 0, 2500, true, true}},
        {"mode 0 is automatic", [](FakeSMCTransport& s) { s.setValue("F0Md", SMCDataType::ui8(), 0); },
         {0, 2000, 1200, 4900, 2500, false, true}},
        {"mode 2 is not manual", [](FakeSMCTransport& s) { s.setValue("F0Md", SMCDataType::ui8(), 2); },
         {0, 2000, 1200, 4900, 2500, false, true}},
        {"unreadable mode is not manual", [](FakeSMCTransport& s) { s.removeKey("F0Md"); },
         {0, 2000, 1200, 4900, 2500, false, true}},
    };
    for (const auto& c : cases) {
        auto [reader, bridge, smc] = rig([&](FakeSMCTransport& s) {
            addFan(s, 0, 2000, 1200, 4900, 2500, 1);
            c.change(s);
        });
        EXPECT_EQ(reader.status(0), c.expected) << c.name;
    }
}

TEST(SMCFanReader, KnownBoundsAreTakenAsGivenAndSaveTwoReads) {
    auto [reader, bridge, smc] = rig([](FakeSMCTransport& s) { addFan(s, 1, 2000, 1000, 6000, 2500, 0); });
    const FanStatus status = reader.status(1, SMCFanReader::Bounds{1200, 4900});
    EXPECT_EQ(status, (FanStatus{1, 2000, 1200, 4900, 2500, false, true}));
    EXPECT_EQ(smc->requestCount(SMCCommand::readValue), 3u);
    EXPECT_EQ(smc->requestCount(SMCCommand::readValue, "F1Mn"), 0u);
    EXPECT_EQ(smc->requestCount(SMCCommand::readValue, "F1Mx"), 0u);
}

TEST(SMCFanReader, AllFansInIndexOrder) {
    auto [reader, bridge, smc] = rig([](FakeSMCTransport& s) {
        s.setValue("FNum", SMCDataType::ui8(), 2);
        addFan(s, 0, 2000, 1200, 4900, 2500, 0);
        addFan(s, 1, 2100, 1300, 5000, 2600, 1);
    });
    EXPECT_EQ(reader.allFans(), (std::vector<FanStatus>{{0, 2000, 1200, 4900, 2500, false, true},
                                                        {1, 2100, 1300, 5000, 2600, true, true}}));

    auto fanless = rig([](FakeSMCTransport&) {});
    EXPECT_TRUE(fanless.reader.allFans().empty());
}

}  // namespace
}  // namespace zephrane
