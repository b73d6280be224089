// HIDSensorSource over the simulated machine's HID services in process: the
// profiles carry what a real machine's event system shows (names shared by
// several services, services without a product name or with a number for
// one, a service without a temperature) and the source must reduce them to
// one plausible reading per name.
#include <gtest/gtest.h>

#include "smc/HIDSensorSource.hpp"
#include "tests/integration/InProcessMachine.hpp"
#include "tests/integration/SimulatedHIDEventSystemClient.hpp"

namespace zephrane::integration {
namespace {

HIDSensorSource sourceOver(const sim::SimulatedSMC& smc) {
    return HIDSensorSource(std::make_unique<SimulatedHIDEventSystemClient>(smc));
}

std::vector<std::string> namesOf(const std::vector<HIDSensorReading>& readings) {
    std::vector<std::string> names;
    for (const auto& reading : readings) names.push_back(reading.name);
    return names;
}

double celsiusOf(const std::vector<HIDSensorReading>& readings, std::string_view name) {
    for (const auto& reading : readings)
        if (reading.name == name) return reading.celsius;
    ADD_FAILURE() << "no reading for " << name;
    return 0;
}

TEST(HIDSensorSourceOverSimTest, OneReadingPerNamedServiceOnEveryMachine) {
    struct Row {
        std::string_view profile;
        std::vector<std::string> names;
    };
    const Row rows[] = {
        {"two-fan-laptop",
         {"PMU tdie1", "PMU tdie2", "PMU tdie3", "PMU tdie4", "PMU tdie5", "PMU tdie6", "PMU tdie7", "PMU tdie8",
          "PMU tdev1", "PMU tdev2", "PMU tdev3", "PMU tdev4", "NAND CH0 temp", "gas gauge battery"}},
        {"one-fan-desktop", {"PMU tdie1", "PMU tdie2", "PMU tdie3", "PMU tdie4", "PMU tdev1", "NAND CH0 temp"}},
        {"fanless-laptop", {"PMU tdie1", "PMU tdie2", "PMU tdie3", "PMU tdie4", "gas gauge battery", "NAND CH0 temp"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.profile);
        InProcessMachine m(row.profile);
        EXPECT_EQ(namesOf(sourceOver(m.smc).readAll()), row.names);
    }

    // At idle every service reads its profile's base value; the laptop's two
    // battery gauges (26.0 and 26.4) share a name.
    InProcessMachine laptop("two-fan-laptop");
    const auto readings = sourceOver(laptop.smc).readAll();
    EXPECT_DOUBLE_EQ(celsiusOf(readings, "PMU tdie1"), 34.4);
    EXPECT_DOUBLE_EQ(celsiusOf(readings, "NAND CH0 temp"), 33);
    EXPECT_DOUBLE_EQ(celsiusOf(readings, "gas gauge battery"), 26.2);
}

TEST(HIDSensorSourceOverSimTest, ImplausibleReadingsAndUnnamedServicesAreDropped) {
    sim::MachineProfile profile = sim::testing::builtInProfile("two-fan-laptop");
    auto service = [](Json product, double celsius) {
        return sim::HIDServiceSpec{std::move(product), celsius, sim::Driver::die, 0};
    };
    for (auto spec : {
             service("PMU tdie1", 150),       // beside a plausible 34.4: the median must not see it
             service("hot only", 130.5),      // a name whose only reading is implausible
             service("cold only", -45),
             service("warmest allowed", 130),  // the bounds themselves pass
             service("coldest allowed", -40),
             service("?", 40),
             service("", 40),
         })
        profile.hidServices.push_back(spec);
    InProcessMachine m(profile);
    const auto readings = sourceOver(m.smc).readAll();

    EXPECT_DOUBLE_EQ(celsiusOf(readings, "PMU tdie1"), 34.4);
    EXPECT_DOUBLE_EQ(celsiusOf(readings, "warmest allowed"), 130);
    EXPECT_DOUBLE_EQ(celsiusOf(readings, "coldest allowed"), -40);
    for (const char* dropped : {"hot only", "cold only", "?", ""})
        for (const auto& reading : readings) EXPECT_NE(reading.name, dropped);
}

TEST(HIDSensorSourceOverSimTest, ReadingsFollowTheLoadWithoutANewSource) {
    InProcessMachine m("two-fan-laptop");
    const HIDSensorSource source = sourceOver(m.smc);
    const auto idle = source.readAll();
    m.smc.setLoadOverride(1.0);
    m.advanceSeconds(60);
    const auto busy = source.readAll();

    ASSERT_EQ(namesOf(busy), namesOf(idle));
    EXPECT_GT(celsiusOf(busy, "PMU tdie1"), celsiusOf(idle, "PMU tdie1") + 30) << "die services follow the die";
    EXPECT_GT(celsiusOf(busy, "NAND CH0 temp"), celsiusOf(idle, "NAND CH0 temp")) << "board services follow slower";
}

}  // namespace
}  // namespace zephrane::integration
