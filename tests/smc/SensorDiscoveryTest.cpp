#include "smc/SensorDiscovery.hpp"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "shared/FourCC.hpp"
#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCError.hpp"

namespace zephrane {
namespace {

using Access = FakeSMCTransport::Access;

struct Rig {
    SensorDiscovery discovery;
    FakeSMCTransport* smc;
};

Rig rig(const std::function<void(FakeSMCTransport&)>& setup) {
    auto transport = std::make_unique<FakeSMCTransport>();
    FakeSMCTransport* smc = transport.get();
    setup(*smc);
    return {SensorDiscovery(std::make_shared<SMCKernelBridge>(std::move(transport))), smc};
}

// A machine's key table in index order: sensors of every category and class
// between keys that must be left out, each for its own reason.
void machine(FakeSMCTransport& smc) {
    smc.setValue("#KEY", SMCDataType::ui32(), 20);
    smc.setValue("TC0P", SMCDataType::sp78(), 45.5);                           // cpu, "TC"
    smc.setValue("FNum", SMCDataType::ui8(), 1);                               // class other
    smc.setValue("Tp01", SMCDataType::flt(), 52.25);                           // cpu, "Tp"
    smc.setValue("Te05", SMCDataType::flt(), 40);                              // cpu, "Te"
    smc.setKey({"\xFF" "abc", SMCDataType::flt(), {0, 0, 0x20, 0x42}});        // not 4 bytes as text
    smc.setValue("Tg0D", SMCDataType::flt(), 60);                              // gpu
    smc.setValue("TG0P", SMCDataType::sp78(), 61);                             // gpu, upper case
    smc.setValue("Tf04", SMCDataType::flt(), 48);                              // neural engine
    smc.setValue("TW0P", SMCDataType::sp78(), 30, Access::writeOnly);          // unreadable
    smc.setValue("Tm0P", SMCDataType::sp78(), 38);                             // memory
    smc.setValue("TB1T", SMCDataType::sp78(), 31);                             // battery
    smc.setKey({"TH0x", SMCDataType::sp78(), {0x20}});                         // too short to decode
    smc.setValue("TA0P", SMCDataType::sp78(), 29);                             // enclosure: "TA"
    smc.setValue("TZzz", SMCDataType::sp78(), -60);                            // implausible: other
    smc.setValue("PSTR", SMCDataType::flt(), 12.5);                            // power: enclosure
    smc.setValue("VD0R", SMCDataType::flt(), 12.1);                            // voltage
    smc.setValue("IC0R", SMCDataType::flt(), -0.5);                            // current
    smc.setValue("F0Ac", SMCDataType::fpe2(), 2000);                           // fan
    smc.setKey({"Tx00", SMCDataType(FourCC::code("ch8*")), {'a', 'b'}});       // type the codec cannot read
}

SMCSensor sensor(const char* key, const char* name, SensorCategory category, double value, SensorClass sensorClass) {
    return {key, key, name, category, value, sensorClass, std::string(unit(sensorClass))};
}

std::vector<SMCSensor> machineSensors() {
    using C = SensorCategory;
    using S = SensorClass;
    return {
        sensor("TC0P", "CPU P", C::cpu, 45.5, S::temperature),
        sensor("Tp01", "P-Core 1", C::cpu, 52.25, S::temperature),
        sensor("Te05", "E-Core 5", C::cpu, 40, S::temperature),
        sensor("Tg0D", "GPU D", C::gpu, 60, S::temperature),
        sensor("TG0P", "GPU P", C::gpu, 61, S::temperature),
        sensor("Tf04", "SoC Fabric 4", C::neuralEngine, 48, S::temperature),
        sensor("Tm0P", "Memory P", C::memory, 38, S::temperature),
        sensor("TB1T", "Battery 1T", C::battery, 31, S::temperature),
        sensor("TA0P", "Ambient P", C::enclosure, 29, S::temperature),
        sensor("PSTR", "PSTR", C::enclosure, 12.5, S::power),
        sensor("VD0R", "VD0R", C::enclosure, 12.1000003815, S::voltage),
        sensor("IC0R", "IC0R", C::enclosure, -0.5, S::current),
        sensor("F0Ac", "F0Ac", C::enclosure, 2000, S::fan),
    };
}

// Values compared to single precision, so flt fixtures read back exactly.
void expectSensors(const std::vector<SMCSensor>& actual, const std::vector<SMCSensor>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SMCSensor a = actual[i];
        SMCSensor e = expected[i];
        EXPECT_FLOAT_EQ(static_cast<float>(a.currentTemp), static_cast<float>(e.currentTemp)) << e.key;
        a.currentTemp = e.currentTemp = 0;
        EXPECT_EQ(a, e) << e.key;
    }
}

TEST(SensorDiscovery, WalkKeepsRecognisedSensorsInKeyOrder) {
    oslog::CaptureSink capture;
    auto [discovery, smc] = rig(machine);
    expectSensors(discovery.discoverAll(), machineSensors());
    EXPECT_EQ(smc->requestCount(SMCCommand::keyAtIndex), 20u);
    EXPECT_TRUE(capture.records("com.zephrane.smc", "discovery").empty()) << "skipped keys are silent";

    // A second walk on the same SMC finds the same sensors, one exchange
    // fewer per key: the first walk cached every key's information.
    smc->clearRequests();
    expectSensors(discovery.discoverAll(), machineSensors());
    EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo), 0u);
}

TEST(SensorDiscovery, AKeyThatFailsIsLeftOutAndTheWalkGoesOn) {
    auto [discovery, smc] = rig([](FakeSMCTransport& s) {
        s.setValue("#KEY", SMCDataType::ui32(), 4);
        s.setValue("TC0P", SMCDataType::sp78(), 45);
        s.setValue("TC1P", SMCDataType::sp78(), 46);
        s.setValue("TC2P", SMCDataType::sp78(), 47);
    });
    smc->setInterceptor([](const SMCParamStruct& request) -> std::optional<SMCParamStruct> {
        if (request.data8 == static_cast<std::uint8_t>(SMCCommand::keyAtIndex) && request.data32 == 2)
            throw SMCError::callFailed(iokit::kIOReturnNotResponding);
        return std::nullopt;
    });
    const auto sensors = discovery.discoverAll();
    ASSERT_EQ(sensors.size(), 2u);
    EXPECT_EQ(sensors[0].key, "TC0P");
    EXPECT_EQ(sensors[1].key, "TC2P");
}

TEST(SensorDiscovery, NoUsableKeyCountMeansNoSensorsAndNoLog) {
    struct Case {
        const char* name;
        std::function<void(FakeSMCTransport&)> count;
    };
    const Case cases[] = {
        {"missing", [](FakeSMCTransport&) {}},
        {"unreadable", [](FakeSMCTransport& s) { s.setValue("#KEY", SMCDataType::ui32(), 5, Access::writeOnly); }},
        {"zero", [](FakeSMCTransport& s) { s.setValue("#KEY", SMCDataType::ui32(), 0); }},
        {"negative", [](FakeSMCTransport& s) { s.setValue("#KEY", SMCDataType::flt(), -4); }},
        {"past a 64-bit integer", [](FakeSMCTransport& s) { s.setValue("#KEY", SMCDataType::flt(), 1e30); }},
    };
    for (const auto& c : cases) {
        oslog::CaptureSink capture;
        auto [discovery, smc] = rig([&](FakeSMCTransport& s) {
            c.count(s);
            s.setValue("TC0P", SMCDataType::sp78(), 45);
        });
        EXPECT_TRUE(discovery.discoverAll().empty()) << c.name;
        EXPECT_EQ(smc->requestCount(SMCCommand::keyAtIndex), 0u) << c.name;
        EXPECT_TRUE(capture.records().empty()) << c.name;
    }
}

TEST(SensorDiscovery, AnImplausibleKeyCountIsCutAndLoggedOnce) {
    oslog::setOutput(oslog::Output::none);
    oslog::CaptureSink capture;
    auto [discovery, smc] = rig([](FakeSMCTransport& s) {
        s.setValue("#KEY", SMCDataType::ui32(), 20000);
        s.setValue("TC0P", SMCDataType::sp78(), 45);
    });
    const auto sensors = discovery.discoverAll();
    ASSERT_EQ(sensors.size(), 1u);
    EXPECT_EQ(sensors[0].key, "TC0P");
    EXPECT_EQ(capture.records(),
              (std::vector<oslog::LogRecord>{{"com.zephrane.smc", "discovery", oslog::Level::error,
                                              "#KEY reported 20000 keys \u2014 implausible, walking the first 16384"}}));

    const auto requests = smc->requests();
    std::vector<std::uint32_t> indexes;
    for (const auto& r : requests)
        if (r.data8 == static_cast<std::uint8_t>(SMCCommand::keyAtIndex)) indexes.push_back(r.data32);
    ASSERT_EQ(indexes.size(), 16384u);
    for (std::uint32_t i = 0; i < indexes.size(); ++i) ASSERT_EQ(indexes[i], i);
    oslog::setOutput(oslog::Output::standardError);
}

TEST(SensorDiscovery, RefreshTakesPlausibleValuesAndKeepsTheRest) {
    struct Case {
        const char* name;
        SensorClass sensorClass;
        std::function<void(FakeSMCTransport&)> reading;  // the key's new state
        double expected;                                 // the sensor held 50 before
    };
    const auto value = [](SMCDataType type, double v) {
        return [type, v](FakeSMCTransport& s) { s.setValue("TX0P", type, v); };
    };
    const Case cases[] = {
        {"plausible temperature", SensorClass::temperature, value(SMCDataType::flt(), 55.5), 55.5},
        {"upper end is taken", SensorClass::temperature, value(SMCDataType::flt(), 130), 130},
        {"lower end is taken", SensorClass::temperature, value(SMCDataType::flt(), -40), -40},
        {"just above: kept", SensorClass::temperature, value(SMCDataType::flt(), 131), 50},
        {"just below: kept", SensorClass::temperature, value(SMCDataType::flt(), -41), 50},
        {"not a number: kept", SensorClass::temperature,
         [](FakeSMCTransport& s) { s.setKey({"TX0P", SMCDataType::flt(), {0, 0, 0xC0, 0x7F}}); }, 50},
        {"key vanished: kept", SensorClass::temperature, [](FakeSMCTransport& s) { s.removeKey("TX0P"); }, 50},
        {"unreadable: kept", SensorClass::temperature,
         [](FakeSMCTransport& s) { s.setValue("TX0P", SMCDataType::flt(), 60, Access::writeOnly); }, 50},
        {"a power reading may be negative", SensorClass::power, value(SMCDataType::flt(), -3.5), -3.5},
        {"a power reading may be large", SensorClass::power, value(SMCDataType::flt(), 500), 500},
    };
    for (const auto& c : cases) {
        auto [discovery, smc] = rig([&](FakeSMCTransport& s) { s.setValue("TX0P", SMCDataType::flt(), 50); });
        c.reading(*smc);
        SMCSensor before = sensor("TX0P", "X", SensorCategory::enclosure, 50, c.sensorClass);
        SMCSensor after = before;
        after.currentTemp = c.expected;
        EXPECT_EQ(discovery.refresh({before}), std::vector<SMCSensor>{after}) << c.name;
    }
}

TEST(SensorDiscovery, RefreshKeepsLengthAndOrderAndReadsOnlyWhatThePredicatePicks) {
    auto [discovery, smc] = rig([](FakeSMCTransport& s) {
        s.setValue("TC0P", SMCDataType::sp78(), 70);
        s.setValue("PSTR", SMCDataType::flt(), 20);
    });
    const std::vector<SMCSensor> sensors{
        sensor("TC0P", "CPU P", SensorCategory::cpu, 45, SensorClass::temperature),
        sensor("GONE", "GONE", SensorCategory::enclosure, 7, SensorClass::power),
        sensor("PSTR", "PSTR", SensorCategory::enclosure, 10, SensorClass::power),
        sensor("bad", "bad", SensorCategory::enclosure, 1, SensorClass::power),  // not a four-character key
    };

    EXPECT_EQ(discovery.refresh(sensors, [](const SMCSensor&) { return false; }), sensors);
    EXPECT_TRUE(smc->requests().empty());

    auto powerOnly = discovery.refresh(sensors, [](const SMCSensor& s) { return s.sensorClass == SensorClass::power; });
    std::vector<SMCSensor> expected = sensors;
    expected[2].currentTemp = 20;
    EXPECT_EQ(powerOnly, expected);
    EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, "TC0P"), 0u);

    expected[0].currentTemp = 70;
    EXPECT_EQ(discovery.refresh(sensors), expected);
}

}  // namespace
}  // namespace zephrane
