#include "sim/tools/PowerDataReport.hpp"

#include <gtest/gtest.h>

#include "platform/iokit/FakeIORegistry.hpp"

namespace zephrane::sim {
namespace {

using nlohmann::json;

json healthInfo(const nlohmann::ordered_json& report) {
    for (const auto& item : report.at("SPPowerDataType"))
        if (item.at("_name") == "spbattery_information") return item.at("sppower_battery_health_info");
    ADD_FAILURE() << "no battery item in " << report.dump();
    return {};
}

TEST(PowerDataReportTest, HealthIsTheFullChargeCapacityOverTheDesignAsAPercentText) {
    struct Row {
        const char* edge;
        json battery;
        const char* capacity;
        const char* health;
    } rows[] = {
        {"a worn battery", {{"AppleRawMaxCapacity", 7564}, {"DesignCapacity", 8694}}, "87%", "Good"},
        {"halves round away from zero", {{"AppleRawMaxCapacity", 795}, {"DesignCapacity", 1000}}, "80%", "Good"},
        {"below 80 %", {{"AppleRawMaxCapacity", 3900}, {"DesignCapacity", 5000}}, "78%", "Service Recommended"},
        {"no design capacity", {{"AppleRawMaxCapacity", 3900}}, "n/a", "Service Recommended"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        iokit::FakeIORegistry registry;
        registry.addService("AppleSmartBattery", row.battery);
        const auto report = powerDataReport(registry);
        ASSERT_TRUE(report.has_value());
        EXPECT_EQ(healthInfo(*report)["sppower_battery_health_maximum_capacity"], row.capacity);
        EXPECT_EQ(healthInfo(*report)["sppower_battery_health"], row.health);
    }
}

TEST(PowerDataReportTest, ChargerItemOnlyWithAnAdapterAndNoReportWithoutABattery) {
    iokit::FakeIORegistry registry;
    EXPECT_EQ(powerDataReport(registry), std::nullopt);

    registry.addService("AppleSmartBattery", {{"AppleRawMaxCapacity", 4000}, {"DesignCapacity", 4000},
                                              {"CycleCount", 9}, {"IsCharging", true}, {"CurrentCapacity", 55}});
    auto report = powerDataReport(registry);
    ASSERT_TRUE(report.has_value());
    ASSERT_EQ(report->at("SPPowerDataType").size(), 1u);
    const auto& battery = report->at("SPPowerDataType")[0];
    EXPECT_EQ(battery["sppower_battery_charge_info"]["sppower_battery_is_charging"], "TRUE");
    EXPECT_EQ(battery["sppower_battery_charge_info"]["sppower_battery_fully_charged"], "FALSE");
    EXPECT_EQ(battery["sppower_battery_charge_info"]["sppower_battery_state_of_charge"], 55);
    EXPECT_EQ(battery["sppower_battery_health_info"]["sppower_battery_cycle_count"], 9);

    registry.setAdapterDetails(json{{"Watts", 96}});
    report = powerDataReport(registry);
    ASSERT_EQ(report->at("SPPowerDataType").size(), 2u);
    EXPECT_EQ(report->at("SPPowerDataType")[1]["sppower_ac_charger_watts"], "96");
}

}  // namespace
}  // namespace zephrane::sim
