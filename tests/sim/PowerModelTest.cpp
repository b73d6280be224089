#include "sim/PowerModel.hpp"

#include <gtest/gtest.h>

#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;

// The fixture machine (die 6 W idle, 60 W at full load) with a 4000 mAh
// battery (5000 mAh design) between 10 V and 12 V, 4 W of platform draw,
// charge flowing 60 times faster than real time, and a 60 W adapter.
MachineProfile laptop(double levelPercent = 50, bool connected = false, double adapterWatts = 60) {
    MachineProfile profile = testing::fixtureProfile();
    profile.battery = BatteryParams{.designCapacityMah = 5000,
                                    .fullChargeCapacityMah = 4000,
                                    .nominalChargeCapacityMah = 4100,
                                    .emptyMillivolts = 10000,
                                    .fullMillivolts = 12000,
                                    .cycleCount = 10,
                                    .levelPercent = levelPercent,
                                    .platformWatts = 4,
                                    .maxChargeMilliamps = 3000,
                                    .timeScale = 60};
    profile.adapter = AdapterParams{.watts = adapterWatts, .millivolts = 20000, .connected = connected};
    profile.lid = LidParams{};
    return profile;
}

TEST(PowerModelTest, OnBatteryTheChargeDrainsWithTheDrawAtTheScaledRate) {
    PowerModel power(laptop(50));
    EXPECT_EQ(power.providingPowerSourceType(), "Battery Power");
    EXPECT_EQ(power.adapterDetails(), std::nullopt);
    EXPECT_DOUBLE_EQ(power.voltageMillivolts(), 11000);
    // 10 W at 11 V.
    EXPECT_NEAR(power.currentMilliamps(), -909.09, 0.01);
    EXPECT_FALSE(power.isCharging());
    EXPECT_FALSE(power.isFullyCharged());

    // One real second is a simulated minute: 909 mA for 1/60 h of 4000 mAh.
    power.advance(1s, 0);
    EXPECT_NEAR(power.levelPercent(), 50 - 909.09 / 60 / 4000 * 100, 0.001);

    // Full load draws 64 W: the current grows with it.
    power.advance(1s, 1);
    EXPECT_NEAR(power.currentMilliamps(), -64000 / (power.voltageMillivolts() / 1000), 0.01);
    EXPECT_LT(power.currentMilliamps(), -5000);
    EXPECT_LT(power.voltageMillivolts(), 11000) << "the voltage falls with the charge";
}

TEST(PowerModelTest, OnTheAdapterTheBatteryChargesUntilFullThenRests) {
    PowerModel power(laptop(99, true));
    EXPECT_EQ(power.providingPowerSourceType(), "AC Power");
    EXPECT_EQ(power.adapterDetails()->at("Watts"), 60);
    // A 50 W surplus at almost 12 V would be over 4 A: capped at 3 A.
    EXPECT_DOUBLE_EQ(power.currentMilliamps(), 3000);
    EXPECT_TRUE(power.isCharging());

    power.advance(10s, 0);  // 3 A for ten simulated minutes: far past full
    EXPECT_DOUBLE_EQ(power.levelPercent(), 100);
    EXPECT_DOUBLE_EQ(power.currentMilliamps(), 0);
    EXPECT_FALSE(power.isCharging());
    EXPECT_TRUE(power.isFullyCharged());

    power.setAdapterConnected(false);
    EXPECT_LT(power.currentMilliamps(), 0);
    EXPECT_FALSE(power.isFullyCharged()) << "full means full on the adapter";
    EXPECT_EQ(power.providingPowerSourceType(), "Battery Power");
}

TEST(PowerModelTest, AnAdapterWeakerThanTheDrawLeavesTheBatteryToMakeUpTheRest) {
    PowerModel power(laptop(50, true, 20));
    power.advance(100ms, 1);  // 64 W against 20 W
    EXPECT_NEAR(power.currentMilliamps(), -44000 / (power.voltageMillivolts() / 1000), 0.01);
    EXPECT_FALSE(power.isCharging());
    EXPECT_EQ(power.providingPowerSourceType(), "AC Power") << "the adapter still provides";
}

TEST(PowerModelTest, EachFullCapacityDischargedIsACycle) {
    PowerModel power(laptop(100));
    power.advance(1h, 0);  // drained flat in one step: the charge stops at 0
    EXPECT_DOUBLE_EQ(power.levelPercent(), 0);
    EXPECT_EQ(power.cycleCount(), 11);

    power.setBatteryLevel(100);
    power.advance(1h, 0);
    EXPECT_EQ(power.cycleCount(), 12);

    power.setBatteryLevel(100);
    power.drainBattery(60);  // a command, not a discharge through the machine
    EXPECT_DOUBLE_EQ(power.levelPercent(), 40);
    EXPECT_EQ(power.cycleCount(), 12);
    power.drainBattery(70);
    EXPECT_DOUBLE_EQ(power.levelPercent(), 0) << "never below empty";
    power.setBatteryLevel(130);
    EXPECT_DOUBLE_EQ(power.levelPercent(), 100);
}

TEST(PowerModelTest, RegistryPropertiesCarryTheMacsNamesUnitsAndIntegers) {
    PowerModel power(laptop(50));
    const Json battery = *power.batteryProperties(30.5);
    EXPECT_EQ(battery["Amperage"], -909);
    EXPECT_EQ(battery["InstantAmperage"], -909);
    EXPECT_EQ(battery["Voltage"], 11000);
    EXPECT_EQ(battery["CurrentCapacity"], 50);
    EXPECT_EQ(battery["MaxCapacity"], 100);
    EXPECT_EQ(battery["AppleRawCurrentCapacity"], 2000);
    EXPECT_EQ(battery["AppleRawMaxCapacity"], 4000);
    EXPECT_EQ(battery["DesignCapacity"], 5000);
    EXPECT_EQ(battery["CycleCount"], 10);
    EXPECT_EQ(battery["Temperature"], 3050);
    EXPECT_EQ(battery["IsCharging"], false);
    EXPECT_EQ(battery["FullyCharged"], false);
    EXPECT_EQ(battery["ExternalConnected"], false);
    EXPECT_EQ(battery["BatteryData"]["FullChargeCapacity"], 4000);
    EXPECT_EQ(battery["BatteryData"]["NominalChargeCapacity"], 4100);
    for (const auto& [name, value] : battery.items()) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(value.is_number_float()) << "the gas gauge reports integers";
    }

    EXPECT_EQ(power.rootDomainProperties()["AppleClamshellState"], false);
    power.setLidClosed(true);
    EXPECT_EQ(power.rootDomainProperties()["AppleClamshellState"], true);
}

TEST(PowerModelTest, AMachineWithoutThePartsRefusesTheirCommands) {
    PowerModel desktop(testing::fixtureProfile());
    EXPECT_EQ(desktop.providingPowerSourceType(), "AC Power");
    EXPECT_EQ(desktop.batteryProperties(30), std::nullopt);
    EXPECT_EQ(desktop.adapterDetails(), std::nullopt);
    EXPECT_EQ(desktop.rootDomainProperties(), Json::object()) << "a root domain, but no clamshell state";
    EXPECT_DOUBLE_EQ(desktop.currentMilliamps(), 0);
    desktop.advance(1h, 1);

    EXPECT_THROW(desktop.setAdapterConnected(false), std::out_of_range);
    EXPECT_THROW(desktop.setBatteryLevel(50), std::out_of_range);
    EXPECT_THROW(desktop.drainBattery(5), std::out_of_range);
    EXPECT_THROW(desktop.setLidClosed(true), std::out_of_range);
}

}  // namespace
}  // namespace zephrane::sim
