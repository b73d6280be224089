// SensorDiscovery over each built-in machine in process. The two-fan laptop
// carries a real machine's 2,280 keys, so this is where the walk meets the
// names, types and odd values of a real key set.
#include <algorithm>
#include <map>

#include <gtest/gtest.h>

#include "shared/SMCDataCodec.hpp"
#include "shared/SensorClassifier.hpp"
#include "smc/SMCError.hpp"
#include "smc/SMCFanReader.hpp"
#include "smc/SensorDiscovery.hpp"
#include "tests/integration/InProcessMachine.hpp"

namespace zephrane::integration {
namespace {

// Everything about a sensor except its value.
struct Identity {
    std::string key;
    std::string name;
    SensorCategory category;
    SensorClass sensorClass;
    std::string unit;
    friend bool operator==(const Identity&, const Identity&) = default;
    friend void PrintTo(const Identity& s, std::ostream* out) {
        *out << s.key << " \"" << s.name << "\" " << rawValue(s.category) << " " << rawValue(s.sensorClass) << " "
             << s.unit;
    }
};

std::vector<Identity> identities(const std::vector<SMCSensor>& sensors) {
    std::vector<Identity> out;
    for (const SMCSensor& s : sensors) out.push_back({s.key, s.name, s.category, s.sensorClass, s.unit});
    return out;
}

const SMCSensor* find(const std::vector<SMCSensor>& sensors, std::string_view key) {
    auto it = std::find_if(sensors.begin(), sensors.end(), [&](const SMCSensor& s) { return s.key == key; });
    return it == sensors.end() ? nullptr : &*it;
}

// The keys a walk should keep, worked out from the profile file alone: every
// readable key whose stored value the classifier takes, in file order.
std::vector<std::string> sensorKeysOf(const sim::MachineProfile& profile) {
    std::vector<std::string> keys;
    for (const sim::ProfileKey& key : profile.keys) {
        if (!key.readable) continue;
        try {
            const SMCDataType type(key.type);
            const double value = SMCDataCodec::decode(key.bytes, type);
            if (SensorClassifier::classify(key.name, type, value).sensorClass != SensorClass::other)
                keys.push_back(key.name);
        } catch (const SMCCodecError&) {
        }
    }
    return keys;
}

TEST(SensorDiscoveryOverSimTest, TheWalkKeepsEverySensorOfTheKeyTableInIndexOrder) {
    for (std::string_view name : kMachineNames) {
        SCOPED_TRACE(name);
        const sim::MachineProfile profile = sim::testing::builtInProfile(name);
        InProcessMachine m(profile);
        const std::vector<SMCSensor> sensors = SensorDiscovery(m.bridge).discoverAll();

        std::vector<std::string> keys;
        for (const SMCSensor& s : sensors) keys.push_back(s.key);
        EXPECT_EQ(keys, sensorKeysOf(profile));

        for (const SMCSensor& s : sensors) {
            SCOPED_TRACE(s.key);
            EXPECT_EQ(s.id, s.key);
            EXPECT_NE(s.sensorClass, SensorClass::other);
            EXPECT_EQ(s.unit, unit(s.sensorClass));
            if (s.sensorClass == SensorClass::temperature)
                EXPECT_TRUE(SensorClassifier::plausibleTemperatureRange.contains(s.currentTemp)) << s.currentTemp;
            else
                EXPECT_EQ(s.category, SensorCategory::enclosure);
            EXPECT_EQ(s.currentTemp, *m.smc.peek(s.key)->value) << "the value the machine holds";
        }
    }
}

TEST(SensorDiscoveryOverSimTest, NamesAndCategoriesOnTheRealKeySet) {
    struct Row {
        std::string_view profile;
        Identity expected;
    };
    const auto t = SensorClass::temperature;
    const Row rows[] = {
        {"two-fan-laptop", {"Tp01", "P-Core 1", SensorCategory::cpu, t, "\u00B0C"}},
        {"two-fan-laptop", {"Te05", "E-Core 5", SensorCategory::cpu, t, "\u00B0C"}},
        {"two-fan-laptop", {"Tg0f", "GPU f", SensorCategory::gpu, t, "\u00B0C"}},
        {"two-fan-laptop", {"TMVR", "Memory VR", SensorCategory::memory, t, "\u00B0C"}},
        {"two-fan-laptop", {"TB0T", "Battery T", SensorCategory::battery, t, "\u00B0C"}},
        {"two-fan-laptop", {"Tf04", "SoC Fabric 4", SensorCategory::neuralEngine, t, "\u00B0C"}},
        {"two-fan-laptop", {"TaLP", "Ambient LP", SensorCategory::enclosure, t, "\u00B0C"}},
        {"two-fan-laptop", {"TH0a", "Storage a", SensorCategory::enclosure, t, "\u00B0C"}},
        {"two-fan-laptop", {"PSTR", "PSTR", SensorCategory::enclosure, SensorClass::power, "W"}},
        {"two-fan-laptop", {"PDTR", "PDTR", SensorCategory::enclosure, SensorClass::power, "W"}},
        {"two-fan-laptop", {"ID0R", "ID0R", SensorCategory::enclosure, SensorClass::current, "A"}},
        {"two-fan-laptop", {"F0Ac", "F0Ac", SensorCategory::enclosure, SensorClass::fan, "RPM"}},
        {"two-fan-laptop", {"F1Ac", "F1Ac", SensorCategory::enclosure, SensorClass::fan, "RPM"}},
        {"one-fan-desktop", {"TCMb", "CPU Mb", SensorCategory::cpu, t, "\u00B0C"}},
        {"one-fan-desktop", {"VC00", "VC00", SensorCategory::enclosure, SensorClass::voltage, "V"}},
        {"one-fan-desktop", {"F0Ac", "F0Ac", SensorCategory::enclosure, SensorClass::fan, "RPM"}},
        {"fanless-laptop", {"Ts0P", "Enclosure P", SensorCategory::enclosure, t, "\u00B0C"}},
        {"fanless-laptop", {"PPBR", "PPBR", SensorCategory::enclosure, SensorClass::power, "W"}},
    };
    std::map<std::string_view, std::vector<SMCSensor>> walks;
    for (std::string_view name : kMachineNames) {
        InProcessMachine m(name);
        walks[name] = SensorDiscovery(m.bridge).discoverAll();
    }
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.profile) + " " + row.expected.key);
        const SMCSensor* sensor = find(walks[row.profile], row.expected.key);
        ASSERT_NE(sensor, nullptr);
        EXPECT_EQ(identities({*sensor}).front(), row.expected);
    }
    EXPECT_FALSE(std::any_of(walks["fanless-laptop"].begin(), walks["fanless-laptop"].end(),
                             [](const SMCSensor& s) { return s.sensorClass == SensorClass::fan; }));
}

TEST(SensorDiscoveryOverSimTest, TwoWalksFindTheSameSensorsInTheSameOrder) {
    for (std::string_view name : kMachineNames) {
        SCOPED_TRACE(name);
        InProcessMachine m(name);
        const SensorDiscovery discovery(m.bridge);
        const auto first = discovery.discoverAll();
        m.advanceSeconds(5);
        const auto second = discovery.discoverAll();
        EXPECT_EQ(identities(first), identities(second));
    }
}

TEST(SensorDiscoveryOverSimTest, RefreshFollowsTheThermalModelWhenTheLoadRises) {
    for (std::string_view name : kMachineNames) {
        SCOPED_TRACE(name);
        InProcessMachine m(name);
        const SensorDiscovery discovery(m.bridge);
        const auto idle = discovery.discoverAll();
        m.smc.setLoadOverride(1.0);
        m.advanceSeconds(60);
        const auto busy = discovery.refresh(idle);

        ASSERT_EQ(identities(busy), identities(idle));
        for (std::size_t i = 0; i < idle.size(); ++i)
            EXPECT_GE(busy[i].currentTemp, idle[i].currentTemp - 1e-9) << idle[i].key << ": nothing cools under load";
        EXPECT_GT(find(busy, "Tp01")->currentTemp, find(idle, "Tp01")->currentTemp + 30) << "the die heats";
        EXPECT_GT(find(busy, "PSTR")->currentTemp, find(idle, "PSTR")->currentTemp + 15) << "power follows the load";
        if (const SMCSensor* fan = find(idle, "F0Ac")) {
            EXPECT_GT(find(busy, "F0Ac")->currentTemp, fan->currentTemp + 500) << "the firmware speeds the fan up";
        }
    }
}

TEST(SensorDiscoveryOverSimTest, AKeyThatVanishesOrHangsIsLeftOutOrKeepsItsValue) {
    InProcessMachine m("two-fan-laptop");
    const SensorDiscovery discovery(m.bridge);
    const auto before = discovery.discoverAll();
    m.smc.removeKey("TB0T");
    m.smc.hangKey("Tp01");

    auto expected = identities(before);
    std::erase_if(expected, [](const Identity& s) { return s.key == "TB0T" || s.key == "Tp01"; });
    EXPECT_EQ(identities(discovery.discoverAll()), expected);

    m.smc.setLoadOverride(1.0);
    m.advanceSeconds(60);
    const auto refreshed = discovery.refresh(before);
    EXPECT_EQ(find(refreshed, "TB0T")->currentTemp, find(before, "TB0T")->currentTemp);
    EXPECT_EQ(find(refreshed, "Tp01")->currentTemp, find(before, "Tp01")->currentTemp);
    EXPECT_GT(find(refreshed, "Tp02")->currentTemp, find(before, "Tp02")->currentTemp + 30);

    // Nothing of the failures sticks: once the keys are back they refresh.
    m.smc.clearFaults();
    const auto recovered = discovery.refresh(before);
    EXPECT_GT(find(recovered, "TB0T")->currentTemp, find(before, "TB0T")->currentTemp);
    EXPECT_GT(find(recovered, "Tp01")->currentTemp, find(before, "Tp01")->currentTemp + 30);
}

// Keys of real tables the codec cannot take: a temperature narrower than its
// type and one larger than the record. The walk leaves both out and keeps
// everything else; without "FNum" the fan reader probes and finds no fan.
TEST(SensorDiscoveryOverSimTest, KeysOfRealTablesTheCodecCannotTakeAreLeftOut) {
    const sim::MachineProfile plain = sim::testing::builtInProfile("fanless-laptop");
    ASSERT_EQ(plain.find("FNum"), nullptr);
    sim::MachineProfile odd = plain;
    odd.keys.push_back({"TZ0P", FourCC::code("flt "), {0x00, 0x00}, 0x80, true, false});
    odd.keys.push_back({"TZ1P", FourCC::code("flt "), std::vector<std::uint8_t>(40, 0x42), 0x80, true, false});

    InProcessMachine withOddKeys(odd);
    InProcessMachine without(plain);
    EXPECT_EQ(identities(SensorDiscovery(withOddKeys.bridge).discoverAll()),
              identities(SensorDiscovery(without.bridge).discoverAll()));
    EXPECT_EQ(withOddKeys.bridge->keyInfo("TZ1P").dataSize, 40u);
    try {
        withOddKeys.bridge->readRaw("TZ1P");
        ADD_FAILURE() << "a 40-byte value read through a 32-byte record";
    } catch (const SMCError& error) {
        EXPECT_EQ(error.kind(), SMCError::Kind::smcResult);
    }
    EXPECT_EQ(SMCFanReader(withOddKeys.bridge).fanCount(), 0);
}

}  // namespace
}  // namespace zephrane::integration
