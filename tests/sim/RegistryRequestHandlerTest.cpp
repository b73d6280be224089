#include "sim/RegistryRequestHandler.hpp"

#include <gtest/gtest.h>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;
namespace wire = iokit::wire;

Json ask(const RegistryRequestHandler& handler, std::uint8_t operation, std::string_view argument = {}) {
    std::vector<std::uint8_t> payload{operation};
    payload.insert(payload.end(), argument.begin(), argument.end());
    const Reply reply = handler.handle(payload);
    EXPECT_EQ(reply.kind, Reply::Kind::answer);
    return reply.kind == Reply::Kind::answer ? Json::parse(reply.payload) : Json();
}

TEST(RegistryRequestHandlerTest, ALaptopShowsItsBatteryAdapterLidAndGPU) {
    SimulatedSMC smc(testing::builtInProfile("two-fan-laptop"), constantLoad(0));
    const RegistryRequestHandler handler(smc);

    const Json batteries = ask(handler, wire::kOpMatchingServices, "AppleSmartBattery");
    ASSERT_EQ(batteries.size(), 1u);
    EXPECT_EQ(batteries[0]["AppleRawMaxCapacity"], 7564);
    EXPECT_EQ(batteries[0]["DesignCapacity"], 8694);
    EXPECT_EQ(batteries[0]["CurrentCapacity"], 80);
    EXPECT_GT(batteries[0]["Amperage"].get<std::int64_t>(), 0) << "charging on the adapter";
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices, "IOPMPowerSource"), batteries) << "matched by superclass";

    EXPECT_EQ(ask(handler, wire::kOpPowerSourceType), "AC Power");
    EXPECT_EQ(ask(handler, wire::kOpAdapterDetails)["Watts"], 140);

    const Json rootDomain = ask(handler, wire::kOpEntryAtPath, "IOPower:/IOPowerConnection/IOPMrootDomain");
    EXPECT_EQ(rootDomain["AppleClamshellState"], false);
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices, "IOPMrootDomain"), Json::array({rootDomain}));
    EXPECT_EQ(ask(handler, wire::kOpEntryAtPath, "IOService:/nowhere"), nullptr);
    EXPECT_EQ(ask(handler, wire::kOpEntryAtPath), nullptr);

    const Json gpus = ask(handler, wire::kOpMatchingServices, "IOAccelerator");
    ASSERT_EQ(gpus.size(), 1u);
    EXPECT_EQ(gpus[0]["IOClass"], "AGXAcceleratorG14X");
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices, "AGXAcceleratorG14X"), gpus);
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices, "IOUSBHostDevice"), Json::array());
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices), Json::array());

    smc.setAdapterConnected(false);
    smc.setLidClosed(true);
    EXPECT_EQ(ask(handler, wire::kOpPowerSourceType), "Battery Power");
    EXPECT_EQ(ask(handler, wire::kOpAdapterDetails), nullptr);
    EXPECT_LT(ask(handler, wire::kOpMatchingServices, "AppleSmartBattery")[0]["Amperage"].get<std::int64_t>(), 0);
    EXPECT_EQ(ask(handler, wire::kOpEntryAtPath, "IOPower:/IOPowerConnection/IOPMrootDomain")["AppleClamshellState"],
              true);
}

TEST(RegistryRequestHandlerTest, ADesktopHasARootDomainAndAGPUButNoBatteryAdapterOrLid) {
    const SimulatedSMC smc(testing::builtInProfile("one-fan-desktop"));
    const RegistryRequestHandler handler(smc);
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices, "AppleSmartBattery"), Json::array());
    EXPECT_EQ(ask(handler, wire::kOpPowerSourceType), "AC Power");
    EXPECT_EQ(ask(handler, wire::kOpAdapterDetails), nullptr);
    EXPECT_EQ(ask(handler, wire::kOpEntryAtPath, "IOPower:/IOPowerConnection/IOPMrootDomain"), Json::object());
    EXPECT_EQ(ask(handler, wire::kOpMatchingServices, "IOAccelerator").size(), 1u);
}

TEST(RegistryRequestHandlerTest, GPUUtilisationFollowsTheLoad) {
    SimulatedSMC smc(testing::builtInProfile("two-fan-laptop"), constantLoad(0));
    const RegistryRequestHandler handler(smc);
    auto utilisation = [&] {
        return ask(handler, wire::kOpMatchingServices, "IOAccelerator")[0]["PerformanceStatistics"]
                  ["Device Utilization %"]
                      .get<std::int64_t>();
    };
    smc.advance(1s);
    EXPECT_EQ(utilisation(), 2) << "idle";
    smc.setLoadOverride(0.5);
    smc.advance(1s);
    EXPECT_EQ(utilisation(), 32);
    smc.setLoadOverride(1);
    smc.advance(1s);
    EXPECT_EQ(utilisation(), 62);
}

TEST(RegistryRequestHandlerTest, UnknownOperationsAndEmptyRequestsClose) {
    const SimulatedSMC smc(testing::fixtureProfile());
    const RegistryRequestHandler handler(smc);
    const std::vector<std::vector<std::uint8_t>> payloads = {{}, {wire::kOpOpen}, {wire::kOpCopyServices}, {0xFF, 'x'}};
    for (const auto& payload : payloads) EXPECT_EQ(handler.handle(payload), Reply::close());
}

}  // namespace
}  // namespace zephrane::sim
