#include "sim/HIDRequestHandler.hpp"

#include <gtest/gtest.h>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

TEST(HIDRequestHandlerTest, ListsServicesLeavingOutWhatTheyLack) {
    const SimulatedSMC smc(testing::fixtureProfile());
    const HIDRequestHandler handler(smc);
    const std::uint8_t copy[] = {iokit::wire::kOpCopyServices};
    const Reply reply = handler.handle(copy);
    ASSERT_EQ(reply.kind, Reply::Kind::answer);
    const Json services = Json::parse(reply.payload);
    EXPECT_EQ(services, Json::parse(R"([{"Product": "PMU tdie1", "temperature": 35.0},
                                        {"temperature": 30.0},
                                        {"Product": "AppleHIDKeyboardEventDriver"}])"));
}

TEST(HIDRequestHandlerTest, AnythingElseCloses) {
    const SimulatedSMC smc(testing::fixtureProfile());
    const HIDRequestHandler handler(smc);
    const std::vector<std::vector<std::uint8_t>> payloads = {{}, {iokit::wire::kOpOpen}, {3, 0}};
    for (const auto& payload : payloads) EXPECT_EQ(handler.handle(payload), Reply::close());
}

}  // namespace
}  // namespace zephrane::sim
