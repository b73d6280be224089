#include "smc/HIDSensorSource.hpp"

#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/iokit/FakeHIDEventSystemClient.hpp"

namespace zephrane {
namespace {

using iokit::FakeHIDEventSystemClient;
using iokit::HIDServiceSnapshot;

struct Service {
    std::optional<std::string> product;
    std::optional<double> celsius;
};

std::vector<HIDSensorReading> readAll(const std::vector<Service>& services) {
    auto client = std::make_unique<FakeHIDEventSystemClient>();
    std::vector<std::shared_ptr<HIDServiceSnapshot>> snapshots;
    for (const auto& s : services) snapshots.push_back(FakeHIDEventSystemClient::temperatureService(s.product, s.celsius));
    client->setServices(snapshots);
    return HIDSensorSource(std::move(client)).readAll();
}

TEST(HIDSensorSource, OneMedianPerProductNameInFirstSeenOrder) {
    const double nan = std::nan("");
    struct Case {
        const char* name;
        std::vector<Service> services;
        std::vector<HIDSensorReading> expected;
    };
    const Case cases[] = {
        {"odd count: the middle value", {{"PMU tdie1", 40.0}, {"PMU tdie1", 45.0}, {"PMU tdie1", 42.0}},
         {{"PMU tdie1", 42.0}}},
        {"even count: the mean of the middle two", {{"NAND", 40.0}, {"NAND", 42.0}}, {{"NAND", 41.0}}},
        {"even count of four", {{"N", 50.0}, {"N", 10.0}, {"N", 30.0}, {"N", 20.0}}, {{"N", 25.0}}},
        {"an implausible value leaves the group", {{"gauge", 150.0}, {"gauge", 41.0}}, {{"gauge", 41.0}}},
        {"a name with only implausible values is gone", {{"cold", -45.0}, {"warm", 30.0}}, {{"warm", 30.0}}},
        {"not a number is dropped", {{"x", nan}, {"x", 33.0}}, {{"x", 33.0}}},
        {"both ends pass", {{"lo", -40.0}, {"hi", 130.0}}, {{"lo", -40.0}, {"hi", 130.0}}},
        {"placeholder names are dropped", {{"?", 40.0}, {"", 41.0}, {"ok", 42.0}}, {{"ok", 42.0}}},
        {"no product name", {{std::nullopt, 40.0}}, {}},
        {"no temperature event", {{"silent", std::nullopt}}, {}},
        {"first-seen order: B, A, B", {{"B", 30.0}, {"A", 40.0}, {"B", 50.0}}, {{"B", 40.0}, {"A", 40.0}}},
        {"order counts a name from its first passing value", {{"B", 200.0}, {"A", 40.0}, {"B", 50.0}},
         {{"A", 40.0}, {"B", 50.0}}},
        {"nothing at all", {}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(readAll(c.services), c.expected) << c.name;
}

TEST(HIDSensorSource, AsksForTemperatureServicesOnlyAndAnewEveryRead) {
    auto client = std::make_unique<FakeHIDEventSystemClient>();
    FakeHIDEventSystemClient* fake = client.get();
    auto keyboard = std::make_shared<HIDServiceSnapshot>(
        std::map<std::string, iokit::HIDPropertyValue, std::less<>>{
            {"Product", std::string("Keyboard")}, {"PrimaryUsagePage", std::int64_t{1}}, {"PrimaryUsage", std::int64_t{6}}},
        20.0);
    fake->setServices(std::vector{keyboard, FakeHIDEventSystemClient::temperatureService("PMU tdie1", 40.0)});
    HIDSensorSource source(std::move(client));
    EXPECT_EQ(fake->matching(), (iokit::HIDMatching{{"PrimaryUsagePage", std::int64_t{0xFF00}},
                                                    {"PrimaryUsage", std::int64_t{5}}}));
    EXPECT_EQ(source.readAll(), (std::vector<HIDSensorReading>{{"PMU tdie1", 40.0}}));

    fake->setServices(std::vector{FakeHIDEventSystemClient::temperatureService("NAND", 35.0)});
    EXPECT_EQ(source.readAll(), (std::vector<HIDSensorReading>{{"NAND", 35.0}})) << "services followed without a new source";
    EXPECT_EQ(fake->copyServicesCalls(), 2);
}

TEST(HIDSensorSource, NoClientOrNoServiceListReadsEmpty) {
    EXPECT_TRUE(HIDSensorSource(nullptr).readAll().empty());

    auto client = std::make_unique<FakeHIDEventSystemClient>();
    client->setServices(std::nullopt);
    EXPECT_TRUE(HIDSensorSource(std::move(client)).readAll().empty());
}

}  // namespace
}  // namespace zephrane
