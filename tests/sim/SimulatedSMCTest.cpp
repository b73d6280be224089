#include "sim/SimulatedSMC.hpp"

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;
using testing::fixtureProfile;
using testing::resultOf;

SMCRecord answered(SimulatedSMC& smc, const SMCRecord& request) {
    const std::optional<SMCAnswer> answer = smc.call(request);
    EXPECT_TRUE(answer.has_value());
    if (!answer) return {};
    EXPECT_EQ(answer->size, 80u);
    return answer->record;
}

std::uint8_t write(SimulatedSMC& smc, std::string_view key, double value, SMCDataType type) {
    return resultOf(answered(smc, testing::writeRequest(key, value, type)));
}

double valueOf(const SimulatedSMC& smc, std::string_view key) { return smc.peek(key).value().value.value(); }

std::vector<std::string> walk(SimulatedSMC& smc) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
        const SMCRecord a = answered(smc, testing::indexRequest(i));
        if (resultOf(a) != 0) break;
        names.push_back(FourCC::string(testing::u32At(a, 0)));
    }
    return names;
}

TEST(SimulatedSMCTest, CommandsAnswerWithTheFirmwareResultBytes) {
    const MachineProfile profile = fixtureProfile({.forceTest = true});
    SimulatedSMC smc(profile);
    const auto keyCount = static_cast<std::uint32_t>(profile.keys.size());
    const std::array<std::uint8_t, 4> fourBytes{0, 0, 0x7a, 0x45};
    struct Row {
        const char* edge;
        SMCRecord request;
        std::uint8_t result;
    } rows[] = {
        {"info of a present key", testing::infoRequest("F0Mx"), 0x00},
        {"info of a key that cannot be read still answers", testing::infoRequest("RHID"), 0x00},
        {"info of an absent key", testing::infoRequest("ZZZZ"), 0x84},
        {"read of a present key", testing::readRequest("F0Mx", 4), 0x00},
        {"read of a key that cannot be read", testing::readRequest("RHID", 3), 0x85},
        {"read of an absent key", testing::readRequest("ZZZZ", 4), 0x84},
        {"write of a writable key", testing::request(6, "F0Tg", 4, fourBytes), 0x00},
        {"write with a size other than the key's", testing::request(6, "F0Tg", 2, fourBytes), 0x87},
        {"write of a read-only key", testing::request(6, "F0Mx", 4, fourBytes), 0x86},
        {"write of an absent key", testing::request(6, "ZZZZ", 4, fourBytes), 0x84},
        {"key at the first index", testing::indexRequest(0), 0x00},
        {"key at the last index", testing::indexRequest(keyCount - 1), 0x00},
        {"key past the last index", testing::indexRequest(keyCount), 0x84},
        {"key at a huge index", testing::indexRequest(0xFFFFFFFF), 0x84},
        {"command 7 is no command", testing::request(7, "F0Mx"), 0x82},
        {"command 0 is no command", testing::request(0, "F0Mx"), 0x82},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        EXPECT_EQ(resultOf(answered(smc, row.request)), row.result);
    }
}

// Real key tables hold keys narrower than their type's usual width and keys
// larger than the record: their information is what the table says, and a
// value too large for the record's 32 bytes is refused, not cut short.
TEST(SimulatedSMCTest, ServesOddKeysOfRealTablesAsTheyAre) {
    MachineProfile profile = fixtureProfile();
    profile.keys.push_back({"ZN16", FourCC::code("ui16"), {0x07}, 0x80, true, false});
    profile.keys.push_back({"ZBIG", FourCC::code("ch8*"), std::vector<std::uint8_t>(40, 0x41), 0xC0, true, true});
    profile.keys.push_back({"ZB32", FourCC::code("ch8*"), std::vector<std::uint8_t>(32, 0x42), 0x80, true, false});
    SimulatedSMC smc(profile);
    const std::vector<std::uint8_t> fortyBytes(40, 0x43);

    const SMCRecord narrowInfo = answered(smc, testing::infoRequest("ZN16"));
    EXPECT_EQ(resultOf(narrowInfo), 0);
    EXPECT_EQ(testing::u32At(narrowInfo, 28), 1u);
    EXPECT_EQ(testing::u32At(narrowInfo, 32), FourCC::code("ui16"));
    const SMCRecord narrow = answered(smc, testing::readRequest("ZN16", 1));
    EXPECT_EQ(resultOf(narrow), 0);
    EXPECT_EQ(narrow[48], 0x07);
    EXPECT_EQ(narrow[49], 0x00);

    const SMCRecord bigInfo = answered(smc, testing::infoRequest("ZBIG"));
    EXPECT_EQ(resultOf(bigInfo), 0);
    EXPECT_EQ(testing::u32At(bigInfo, 28), 40u) << "the key's own size, larger than the record holds";
    EXPECT_EQ(resultOf(answered(smc, testing::readRequest("ZBIG", 40))), 0x89);
    EXPECT_EQ(resultOf(answered(smc, testing::request(6, "ZBIG", 40, std::span(fortyBytes).first(32)))), 0x89);
    EXPECT_EQ(smc.peek("ZBIG")->bytes, std::vector<std::uint8_t>(40, 0x41)) << "the write took nothing";

    const SMCRecord full = answered(smc, testing::readRequest("ZB32", 32));
    EXPECT_EQ(resultOf(full), 0) << "32 bytes still fit";
    EXPECT_EQ(full[48 + 31], 0x42);

    const std::vector<std::string> names = walk(smc);
    EXPECT_EQ(std::vector<std::string>(names.end() - 3, names.end()),
              (std::vector<std::string>{"ZN16", "ZBIG", "ZB32"}));
    EXPECT_EQ(valueOf(smc, "#KEY"), static_cast<double>(names.size()));
}

TEST(SimulatedSMCTest, KeyInfoAndReadFillTheRecordAtTheFirmwareOffsets) {
    SimulatedSMC smc(fixtureProfile({.forceTest = true}));

    const SMCRecord info = answered(smc, testing::infoRequest("F0Mx"));
    EXPECT_EQ(testing::u32At(info, 28), 4u);
    EXPECT_EQ(testing::u32At(info, 32), FourCC::code("flt "));
    EXPECT_EQ(info[36], 0x80);
    EXPECT_EQ(answered(smc, testing::infoRequest("Ftst"))[36], 0xC0);

    const SMCRecord read = answered(smc, testing::readRequest("F0Mx", 4));
    EXPECT_EQ(testing::u32At(read, 0), FourCC::code("F0Mx"));
    EXPECT_EQ((std::vector<std::uint8_t>(read.begin() + 48, read.begin() + 52)),
              (std::vector<std::uint8_t>{0x00, 0x40, 0x9c, 0x45}));
    EXPECT_TRUE(std::all_of(read.begin() + 52, read.end(), [](std::uint8_t b) { return b == 0; }));

    // A key the codec cannot decode is served as its bytes.
    const SMCRecord other = answered(smc, testing::readRequest("LSOF", 2));
    EXPECT_EQ(other[48], 0xab);
    EXPECT_EQ(other[49], 0xcd);
}

TEST(SimulatedSMCTest, KeyAtIndexWalksTheProfileOrderAndKeyCountMatches) {
    const MachineProfile profile = fixtureProfile();
    SimulatedSMC smc(profile);
    std::vector<std::string> expected;
    for (const ProfileKey& key : profile.keys) expected.push_back(key.name);
    EXPECT_EQ(walk(smc), expected);
    EXPECT_EQ(valueOf(smc, "#KEY"), static_cast<double>(expected.size()));
}

TEST(SimulatedSMCTest, FanInAutomaticModeFollowsTheFirmwareCurve) {
    SimulatedSMC smc(fixtureProfile());
    smc.advance(10s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Ac"), 1200) << "idle die below the curve's start: minimum speed";

    smc.setLoadOverride(1.0);
    smc.advance(120s);
    const double die = smc.dieC();
    const double expected = 1200 + std::clamp((die - 40) / 40, 0.0, 1.0) * 3800;
    EXPECT_GT(die, 40);
    EXPECT_NEAR(valueOf(smc, "F0Tg"), expected, 25) << "the target reports the curve's goal";
    EXPECT_NEAR(valueOf(smc, "F0Ac"), valueOf(smc, "F0Tg"), 25);
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
}

TEST(SimulatedSMCTest, FanInManualModeRampsToTheTargetAtAFiniteRate) {
    SimulatedSMC smc(fixtureProfile());
    ASSERT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0);
    ASSERT_EQ(write(smc, "F0Tg", 4200, SMCDataType::flt()), 0);

    double previous = valueOf(smc, "F0Ac");
    for (int i = 0; i < 20; ++i) {
        smc.advance(100ms);
        const double now = valueOf(smc, "F0Ac");
        EXPECT_LE(now - previous, 100.0 + 1e-3) << "1000 rpm/s over 100 ms";
        previous = now;
    }
    EXPECT_DOUBLE_EQ(previous, 3200) << "2 s at 1000 rpm/s from 1200";
    smc.advance(5s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Ac"), 4200);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Tg"), 4200) << "manual mode keeps the client's target";

    // Targets beyond the bounds are held to them.
    ASSERT_EQ(write(smc, "F0Tg", 9000, SMCDataType::flt()), 0);
    smc.advance(10s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Ac"), 5000);

    // Mode 0 hands the fan back to the curve.
    ASSERT_EQ(write(smc, "F0Md", 0, SMCDataType::ui8()), 0);
    smc.advance(10s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Ac"), 1200);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Tg"), 1200);
}

TEST(SimulatedSMCTest, ManualModeNeedsFtstHeldForTheUnlockDelay) {
    SimulatedSMC smc(fixtureProfile({.forceTest = true, .unlockDelaySeconds = 2}));
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0x81) << "before Ftst";

    ASSERT_EQ(write(smc, "Ftst", 1, SMCDataType::ui8()), 0);
    smc.advance(1900ms);
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0x81) << "held 1.9 s of 2";
    EXPECT_EQ(write(smc, "Ftst", 1, SMCDataType::ui8()), 0) << "writing 1 again does not restart the wait";
    smc.advance(100ms);
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0) << "held exactly 2 s";
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0) << "already manual";
    ASSERT_EQ(write(smc, "F0Tg", 4000, SMCDataType::flt()), 0);

    // Ftst = 0 hands every fan back and locks manual mode again.
    ASSERT_EQ(write(smc, "Ftst", 0, SMCDataType::ui8()), 0);
    EXPECT_EQ(valueOf(smc, "F0Md"), 0);
    smc.advance(10s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "F0Ac"), 1200) << "the curve drives it again";
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0x81);

    // A new Ftst = 1 starts a new wait.
    ASSERT_EQ(write(smc, "Ftst", 1, SMCDataType::ui8()), 0);
    smc.advance(1s);
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0x81);
    smc.advance(1s);
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0);
}

TEST(SimulatedSMCTest, MachinesWithoutFtstTakeManualModeAtOnce) {
    SimulatedSMC smc(fixtureProfile({.forceTest = false}));
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0);
    EXPECT_EQ(valueOf(smc, "F0Md"), 1);
}

TEST(SimulatedSMCTest, ARemovedKeyVanishesUntilFaultsAreCleared) {
    SimulatedSMC smc(fixtureProfile());
    const std::size_t before = walk(smc).size();
    ASSERT_TRUE(smc.removeKey("TB0T"));
    EXPECT_FALSE(smc.removeKey("ZZZZ"));

    EXPECT_EQ(resultOf(answered(smc, testing::infoRequest("TB0T"))), 0x84);
    EXPECT_EQ(resultOf(answered(smc, testing::readRequest("TB0T", 4))), 0x84);
    const std::vector<std::string> listed = walk(smc);
    EXPECT_EQ(listed.size(), before - 1);
    EXPECT_EQ(std::count(listed.begin(), listed.end(), "TB0T"), 0);
    EXPECT_EQ(valueOf(smc, "#KEY"), static_cast<double>(before - 1));

    smc.clearFaults();
    EXPECT_EQ(resultOf(answered(smc, testing::readRequest("TB0T", 4))), 0x00);
    EXPECT_EQ(valueOf(smc, "#KEY"), static_cast<double>(before));
}

TEST(SimulatedSMCTest, HungCallsGetNoAnswer) {
    SimulatedSMC smc(fixtureProfile());
    smc.hangKey("F0Ac");
    EXPECT_FALSE(smc.call(testing::readRequest("F0Ac", 4)).has_value());
    EXPECT_FALSE(smc.call(testing::infoRequest("F0Ac")).has_value());
    EXPECT_TRUE(smc.call(testing::readRequest("F0Mx", 4)).has_value()) << "other keys still answer";

    smc.hangAll();
    EXPECT_FALSE(smc.call(testing::readRequest("F0Mx", 4)).has_value());
    EXPECT_FALSE(smc.call(testing::indexRequest(0)).has_value());

    smc.clearFaults();
    EXPECT_TRUE(smc.call(testing::readRequest("F0Ac", 4)).has_value());
}

TEST(SimulatedSMCTest, RefusedOpensShortAnswersAndModesThatNeverTake) {
    SimulatedSMC smc(fixtureProfile());
    EXPECT_EQ(smc.open(), iokit::kIOReturnSuccess);
    smc.refuseOpens(iokit::kIOReturnNotPermitted);
    EXPECT_EQ(smc.open(), iokit::kIOReturnNotPermitted);

    smc.shortAnswerNext(79);
    EXPECT_EQ(smc.call(testing::readRequest("F0Mx", 4))->size, 79u);
    EXPECT_EQ(smc.call(testing::readRequest("F0Mx", 4))->size, 80u) << "only the next call";
    EXPECT_THROW(smc.shortAnswerNext(80), std::out_of_range);

    smc.modeNeverTakes(0);
    EXPECT_THROW(smc.modeNeverTakes(1), std::out_of_range) << "the fixture has one fan";
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0x81);
    EXPECT_EQ(write(smc, "F0Md", 0, SMCDataType::ui8()), 0x00) << "automatic mode is still taken";

    smc.clearFaults();
    EXPECT_EQ(smc.open(), iokit::kIOReturnSuccess);
    EXPECT_EQ(write(smc, "F0Md", 1, SMCDataType::ui8()), 0x00);
}

TEST(SimulatedSMCTest, ReadingsFollowLoadAndAirflow) {
    SimulatedSMC idle(fixtureProfile());
    SimulatedSMC busy(fixtureProfile());
    busy.setLoadOverride(1.0);
    idle.advance(120s);
    busy.advance(120s);
    EXPECT_GT(valueOf(busy, "Tp01"), valueOf(idle, "Tp01") + 10);
    EXPECT_GT(valueOf(busy, "TB0T"), valueOf(idle, "TB0T"));
    EXPECT_NEAR(valueOf(busy, "PSTR"), 8 + 50, 1e-3) << "snapshot plus gain at full load";

    // The same heat with the fan held at its maximum and at its minimum.
    SimulatedSMC fast(fixtureProfile());
    SimulatedSMC slow(fixtureProfile());
    for (SimulatedSMC* smc : {&fast, &slow}) {
        smc->setLoadOverride(1.0);
        ASSERT_EQ(write(*smc, "F0Md", 1, SMCDataType::ui8()), 0);
    }
    ASSERT_EQ(write(fast, "F0Tg", 5000, SMCDataType::flt()), 0);
    ASSERT_EQ(write(slow, "F0Tg", 1200, SMCDataType::flt()), 0);
    fast.advance(120s);
    slow.advance(120s);
    EXPECT_LT(fast.dieC() + 10, slow.dieC());
    EXPECT_LT(valueOf(fast, "Tp01"), valueOf(slow, "Tp01"));
}

TEST(SimulatedSMCTest, ParkedCoresWakeUnderLoadAndMissingSensorsNeverDo) {
    SimulatedSMC smc(fixtureProfile());
    smc.setLoadOverride(0.4);
    smc.advance(60s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "Tp00"), 5) << "below the waking load";
    smc.setLoadOverride(0.5);
    smc.advance(60s);
    EXPECT_NEAR(valueOf(smc, "Tp00"), smc.dieC(), 1e-3) << "awake, it reads the die";
    EXPECT_DOUBLE_EQ(valueOf(smc, "Tp04"), 0) << "a sensor that is not there";
    smc.setLoadOverride(0.0);
    smc.advance(1s);
    EXPECT_DOUBLE_EQ(valueOf(smc, "Tp00"), 5) << "parked again";
}

TEST(SimulatedSMCTest, HIDServicesFollowTheModelAndKeepTheirGaps) {
    SimulatedSMC smc(fixtureProfile());
    const auto before = smc.hidServices();
    ASSERT_EQ(before.size(), 3u);
    EXPECT_EQ(before[0].product, "PMU tdie1");
    EXPECT_DOUBLE_EQ(before[0].celsius.value(), 35) << "idle reads the base";
    EXPECT_TRUE(before[1].product.is_null()) << "a service without a product name";
    EXPECT_TRUE(before[1].celsius.has_value());
    EXPECT_FALSE(before[2].celsius.has_value()) << "a service without a temperature event";

    smc.setLoadOverride(1.0);
    smc.advance(60s);
    const auto after = smc.hidServices();
    EXPECT_GT(after[0].celsius.value(), 45);
    EXPECT_GT(after[1].celsius.value(), 30);
}

TEST(SimulatedSMCTest, FanlessMachineHasNoFanKeysAndCoolsPassively) {
    SimulatedSMC smc(testing::builtInProfile("fanless-laptop"));
    EXPECT_EQ(smc.fanCount(), 0);
    EXPECT_FALSE(smc.peek("FNum")) << "as on the real fanless machines";
    for (const std::string& name : walk(smc))
        EXPECT_FALSE(name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) << name;

    const double idle = smc.dieC();
    smc.setLoadOverride(1.0);
    smc.advance(300s);
    const double hot = smc.dieC();
    EXPECT_GT(hot, idle + 20);
    smc.setLoadOverride(0.0);
    smc.advance(300s);
    EXPECT_LT(smc.dieC(), hot - 20);
}

TEST(SimulatedSMCTest, CallsAndAdvancesFromManyThreads) {
    SimulatedSMC smc(fixtureProfile());
    std::atomic<bool> done{false};
    std::thread clock([&] {
        while (!done) smc.advance(10ms);
    });
    std::vector<std::thread> callers;
    for (int t = 0; t < 4; ++t)
        callers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                const auto answer = smc.call(testing::readRequest("F0Ac", 4));
                ASSERT_TRUE(answer.has_value());
                ASSERT_EQ(resultOf(answer->record), 0);
            }
        });
    for (auto& caller : callers) caller.join();
    done = true;
    clock.join();
}

}  // namespace
}  // namespace zephrane::sim
