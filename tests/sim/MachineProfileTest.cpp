#include "sim/MachineProfile.hpp"

#include <algorithm>

#include <gtest/gtest.h>

#include "shared/FanKey.hpp"
#include "shared/SMCDataCodec.hpp"
#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

double valueOf(const MachineProfile& profile, std::string_view key) {
    const ProfileKey* k = profile.find(key);
    EXPECT_NE(k, nullptr) << key;
    return k ? SMCDataCodec::decode(k->bytes, SMCDataType(k->type)) : 0;
}

// "F", a digit, then one of the suffixes.
bool isFanKey(const std::string& name, std::initializer_list<std::string_view> suffixes = {"Ac", "Mn", "Mx", "Tg", "Md"}) {
    if (name.size() != 4 || name[0] != 'F' || name[1] < '0' || name[1] > '9') return false;
    return std::find(suffixes.begin(), suffixes.end(), std::string_view(name).substr(2)) != suffixes.end();
}

class BuiltInMachineTest : public ::testing::TestWithParam<const char*> {};

TEST_P(BuiltInMachineTest, KeyTableIsSelfConsistent) {
    const MachineProfile profile = testing::builtInProfile(GetParam());
    EXPECT_EQ(profile.name, GetParam());
    EXPECT_EQ(valueOf(profile, "#KEY"), static_cast<double>(profile.keys.size())) << "#KEY counts the keys served";

    for (const ProfileKey& key : profile.keys) {
        SCOPED_TRACE(key.name);
        const SMCDataType type(key.type);
        if (type.kind() != SMCDataType::Kind::other) {
            EXPECT_EQ(key.bytes.size(), type.width());
        }
        // Only the fan controls and the diagnostic unlock take writes.
        const bool control = isFanKey(key.name, {"Tg", "Md"}) || key.name == "Ftst";
        EXPECT_EQ(key.writable, control);
    }

    const int fans = profile.fanCount();
    int fanKeys = 0;
    for (const ProfileKey& key : profile.keys) fanKeys += isFanKey(key.name) ? 1 : 0;
    EXPECT_EQ(fanKeys, 5 * fans) << "five keys per fan, none for fans that are not there";
    for (int i = 0; i < fans; ++i) {
        EXPECT_LT(valueOf(profile, FanKey::minimum(i)), valueOf(profile, FanKey::maximum(i)));
        EXPECT_EQ(valueOf(profile, FanKey::mode(i)), 0) << "fans start in automatic mode";
    }

    bool unnamed = false;
    bool withoutTemperature = false;
    for (const HIDServiceSpec& service : profile.hidServices) {
        unnamed |= !service.product.is_string();
        withoutTemperature |= !service.baseC.has_value();
    }
    EXPECT_TRUE(withoutTemperature) << "clients must see a service without a temperature event";
    if (fans > 0) {
        EXPECT_TRUE(unnamed) << "clients must see a service without a product name";
    }
    EXPECT_FALSE(profile.accelerators.empty()) << "every machine has a GPU";
}

INSTANTIATE_TEST_SUITE_P(Machines, BuiltInMachineTest,
                         ::testing::Values("two-fan-laptop", "one-fan-desktop", "fanless-laptop"));

TEST(MachineProfileTest, BuiltInMachinesDifferWhereTheClientsCare) {
    const MachineProfile laptop = testing::builtInProfile("two-fan-laptop");
    EXPECT_EQ(laptop.fanCount(), 2);
    EXPECT_EQ(valueOf(laptop, "F0Mn"), 1350);
    EXPECT_EQ(valueOf(laptop, "F0Mx"), 5349);
    ASSERT_NE(laptop.find("Ftst"), nullptr);
    EXPECT_EQ(laptop.find("Ftst")->type, FourCC::code("ui8 "));
    EXPECT_GT(laptop.fanControl.unlockDelay, SimDuration::zero());
    EXPECT_GT(laptop.keys.size(), 2000u) << "the real key set, for discovery to walk";
    EXPECT_FALSE(laptop.find("BMSN")->readable) << "keys the real dump could not read";

    const MachineProfile desktop = testing::builtInProfile("one-fan-desktop");
    EXPECT_EQ(desktop.fanCount(), 1);
    EXPECT_EQ(desktop.find("Ftst"), nullptr);
    EXPECT_EQ(desktop.find("TB0T"), nullptr) << "no battery";

    EXPECT_FALSE(desktop.battery || desktop.adapter || desktop.lid) << "no battery, adapter or lid";

    const MachineProfile fanless = testing::builtInProfile("fanless-laptop");
    EXPECT_EQ(fanless.fanCount(), 0);
    EXPECT_NE(fanless.find("TB0T"), nullptr);

    for (const MachineProfile* machine : {&laptop, &fanless}) {
        SCOPED_TRACE(machine->name);
        ASSERT_TRUE(machine->battery && machine->adapter && machine->lid);
        EXPECT_TRUE(machine->adapter->connected);
        EXPECT_FALSE(machine->lid->closed);
        EXPECT_LT(machine->battery->fullChargeCapacityMah, machine->battery->designCapacityMah)
            << "a worn battery, so the reported health is below 100 %";
    }
}

Json key(const char* name, const char* type, int size, const char* bytes) {
    return Json{{"key", name}, {"type", type}, {"size", size}, {"bytes", bytes}};
}

// A small machine around `keys`, with every part it needs besides them.
Json machine(Json keys) {
    const Json fan = {{"rampRpmPerSecond", 1000}, {"autoMinAtC", 40}, {"autoMaxAtC", 80}};
    const Json thermal = {{"ambientC", 24},        {"idleWatts", 5},       {"maxWatts", 50},
                          {"heatCapacityJoulesPerK", 10}, {"passiveWattsPerK", 0.5}, {"fanWattsPerK", 1},
                          {"throttleC", 100},      {"boardCoupling", 0.5}, {"boardTimeConstantSeconds", 10},
                          {"batteryCoupling", 0.5}, {"batteryTimeConstantSeconds", 10}, {"parkedBelowC", 12}};
    return Json{{"name", "bad"}, {"fanControl", fan}, {"thermal", thermal}, {"follow", Json::array()},
                {"hidServices", Json::array()}, {"keys", std::move(keys)}};
}

// What real key tables of other machines hold: no "FNum" (a fanless
// machine), a key narrower than its type's usual width, keys larger than the
// record's 32 value bytes. The profile keeps them as the machine reports them.
TEST(MachineProfileTest, RealKeyTablesLoadAsTheMachinesReportThem) {
    std::string forty = "41";
    for (int i = 1; i < 40; ++i) forty += " 41";
    Json fanless = machine(Json::array({key("#KEY", "ui32", 4, "00 00 00 04"), key("TB0T", "flt ", 4, "00 00 d8 41"),
                                        key("ZN16", "ui16", 1, "07"), key("ZBIG", "ch8*", 40, forty.c_str())}));
    fanless.erase("fanControl");

    const MachineProfile profile = MachineProfile::fromJson(fanless);
    EXPECT_EQ(profile.fanCount(), 0);
    EXPECT_EQ(profile.find("FNum"), nullptr);
    ASSERT_NE(profile.find("ZN16"), nullptr);
    EXPECT_EQ(profile.find("ZN16")->bytes, std::vector<std::uint8_t>{0x07});
    ASSERT_NE(profile.find("ZBIG"), nullptr);
    EXPECT_EQ(profile.find("ZBIG")->bytes, std::vector<std::uint8_t>(40, 0x41));
}

// One load names every problem, the fan keys "FNum" names among them, but
// a fan key that is there with a problem of its own is not also missing.
TEST(MachineProfileTest, EveryProblemOfAProfileIsReported) {
    Json bad = machine(Json::array({key("#KEY", "ui32", 4, "00 00 00 04"), key("TB0", "flt ", 4, "00 00 00 zz"),
                                    key("FNum", "ui8 ", 1, "01"), key("F0Ac", "flt ", 4, "00 00 00 00"),
                                    key("F0Mn", "flt ", 4, "00 00 96")}));
    bad["follow"] = Json::array({{{"prefix", "T"}, {"driver", "moon"}, {"gain", 1}}});
    bad["lid"] = 3;
    try {
        MachineProfile::fromJson(bad);
        FAIL() << "accepted";
    } catch (const ProfileError& e) {
        const std::string text = e.what();
        const std::vector<std::string> expected = {
            "unknown driver \"moon\" (at \"follow[0].driver\")",
            "a key name has four characters (at \"keys[1].key\")",
            "two-digit hex numbers separated by spaces (at \"keys[1].bytes\")",
            "byte count differs from size (at \"keys[4].bytes\")",
            "fan key \"F0Mx\" is missing",
            "fan key \"F0Tg\" is missing",
            "fan key \"F0Md\" is missing",
            "\"lid\""};
        for (const std::string& problem : expected)
            EXPECT_NE(text.find(problem), std::string::npos) << problem << " in: " << text;
        EXPECT_EQ(text.find("\"F0Mn\" is missing"), std::string::npos) << text;
        EXPECT_EQ(e.problems().size(), expected.size()) << text;
    }
}

// Each row breaks one rule of a small valid machine.
TEST(MachineProfileTest, BadProfilesNameTheirProblem) {
    const Json fanKeys = Json::array({key("#KEY", "ui32", 4, "00 00 00 06"), key("F0Ac", "flt ", 4, "00 00 00 00"),
                                      key("F0Md", "ui8 ", 1, "00"), key("F0Mn", "flt ", 4, "00 00 96 44"),
                                      key("F0Mx", "flt ", 4, "00 40 9c 45"), key("F0Tg", "flt ", 4, "00 00 00 00")});
    auto with = [&](Json extra, const char* drop = nullptr) {
        Json keys = Json::array();
        for (const Json& k : fanKeys)
            if (!drop || k["key"] != drop) keys.push_back(k);
        for (const Json& k : extra) keys.push_back(k);
        return machine(keys);
    };
    const Json fnum = key("FNum", "ui8 ", 1, "01");
    ASSERT_NO_THROW(MachineProfile::fromJson(with(Json::array({fnum}))));

    Json noFanControl = with(Json::array({fnum}));
    noFanControl.erase("fanControl");
    Json equalBounds = with(Json::array({fnum}));
    equalBounds["keys"][4]["bytes"] = "00 00 96 44";  // F0Mx = F0Mn
    Json badDriver = with(Json::array({fnum}));
    badDriver["follow"] = Json::array({{{"prefix", "T"}, {"driver", "moon"}, {"gain", 1}}});
    const Json battery = {{"designCapacityMah", 5000}, {"fullChargeCapacityMah", 4500},
                          {"nominalChargeCapacityMah", 4600}, {"emptyMillivolts", 11000},
                          {"fullMillivolts", 13000}, {"cycleCount", 3}, {"levelPercent", 50},
                          {"platformWatts", 4}, {"maxChargeMilliamps", 3000}, {"timeScale", 60}};
    auto withBattery = [&](const char* field, Json value) {
        Json m = with(Json::array({fnum}));
        m["battery"] = battery;
        m["battery"][field] = std::move(value);
        return m;
    };
    Json goodParts = withBattery("levelPercent", 50);
    goodParts["adapter"] = {{"watts", 60}, {"millivolts", 20000}};
    goodParts["lid"] = Json::object();
    goodParts["accelerators"] = Json::array({{{"class", "AGX"}, {"model", "GPU"}, {"coreCount", 8},
                                              {"idleUtilization", 1}, {"loadGain", 50}}});
    ASSERT_NO_THROW(MachineProfile::fromJson(goodParts));
    Json noCores = goodParts;
    noCores["accelerators"][0]["coreCount"] = 0;
    Json weakAdapter = goodParts;
    weakAdapter["adapter"]["watts"] = 0;

    struct Row {
        const char* edge;
        Json machine;
        const char* message;
    } rows[] = {
        {"byte count differs from size", with(Json::array({fnum, key("TB0T", "flt ", 4, "00 00")})),
         "byte count differs from size"},
        {"bytes that are not hex", with(Json::array({fnum, key("TB0T", "flt ", 4, "00 00 00 zz")})),
         "two-digit hex"},
        {"a size over 255", with(Json::array({fnum, key("XXXX", "hex_", 256, "00")})), "1 to 255"},
        {"a size of 0", with(Json::array({fnum, key("XXXX", "hex_", 0, "")})), "1 to 255"},
        {"a name of three characters", with(Json::array({fnum, key("TB0", "flt ", 4, "00 00 00 00")})),
         "four characters"},
        {"a key twice", with(Json::array({fnum, fnum})), "duplicate key \"FNum\""},
        {"an FNum that cannot be decoded", with(Json::array({key("FNum", "ui16", 1, "01")})),
         "\"FNum\" cannot be decoded"},
        {"a fan key the firmware cannot decode",
         with(Json::array({fnum, key("F0Ac", "flt ", 2, "00 00")}), "F0Ac"), "\"F0Ac\" cannot be decoded"},
        {"FNum over 10", with(Json::array({key("FNum", "ui8 ", 1, "0b")})), "0 to 10"},
        {"a fan key missing", with(Json::array({fnum}), "F0Tg"), "fan key \"F0Tg\" is missing"},
        {"no #KEY", with(Json::array({fnum}), "#KEY"), "\"#KEY\" (ui32) is missing"},
        {"minimum not below maximum", equalBounds, "minimum < maximum"},
        {"fans without fanControl", noFanControl, "fanControl"},
        {"an unknown driver", badDriver, "unknown driver \"moon\""},
        {"a battery that is full below empty", withBattery("fullMillivolts", 10000), "above emptyMillivolts"},
        {"a battery level over 100", withBattery("levelPercent", 101), "0 to 100"},
        {"negative cycles", withBattery("cycleCount", -1), "battery.cycleCount"},
        {"no capacity", withBattery("fullChargeCapacityMah", 0), "battery.fullChargeCapacityMah"},
        {"time standing still", withBattery("timeScale", 0), "battery.timeScale"},
        {"an adapter of no watts", weakAdapter, "adapter.watts"},
        {"a GPU without cores", noCores, "accelerators[0].coreCount"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        try {
            MachineProfile::fromJson(row.machine);
            ADD_FAILURE() << "accepted";
        } catch (const ProfileError& e) {
            EXPECT_NE(std::string(e.what()).find(row.message), std::string::npos) << e.what();
        }
    }
}

TEST(MachineProfileTest, LoadNamesTheFileItCannotRead) {
    try {
        MachineProfile::load("/nonexistent/machine.json");
        ADD_FAILURE() << "loaded";
    } catch (const ProfileError& e) {
        EXPECT_EQ(std::string(e.what()), "cannot open machine profile \"/nonexistent/machine.json\"");
    }
}

}  // namespace
}  // namespace zephrane::sim
