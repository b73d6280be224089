#include "platform/iokit/HIDEventSystemClientLinux.hpp"

#include <atomic>
#include <cstdlib>
#include <memory>

#include <gtest/gtest.h>

#include "platform/iokit/FakeHIDEventSystemClient.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "tests/platform/iokit/UnixTestServer.hpp"

namespace zephrane::iokit {
namespace {

using testing::MisbehavingPeer;
using testing::misbehavingPeers;
using testing::TempDirectory;
using testing::UnixTestServer;

const HIDMatching kTemperatureMatching{{"PrimaryUsagePage", std::int64_t{0xFF00}}, {"PrimaryUsage", std::int64_t{5}}};

std::optional<std::string> product(const HIDServiceClient& service) {
    auto value = service.copyProperty(kIOHIDProductKey);
    if (!value) return std::nullopt;
    if (const auto* text = std::get_if<std::string>(&*value)) return *text;
    return "<not a text>";
}

std::optional<double> temperature(const HIDServiceClient& service) {
    auto event = service.copyEvent(kIOHIDEventTypeTemperature, 0, 0);
    if (!event) return std::nullopt;
    return event->floatValue(kIOHIDEventFieldTemperatureLevel);
}

TEST(HIDServices, ParsingTheSimulatorsAnswer) {
    struct Case {
        const char* name;
        const char* json;
        std::optional<std::size_t> services;
        std::optional<std::string> firstProduct;
        std::optional<double> firstTemperature;
    };
    const Case cases[] = {
        {"not JSON", "[{", std::nullopt, {}, {}},
        {"an object, not an array", R"({"Product":"PMU tdie1"})", std::nullopt, {}, {}},
        {"empty array", "[]", 0, {}, {}},
        {"a full service", R"([{"Product":"PMU tdie1","temperature":41.5}])", 1, "PMU tdie1", 41.5},
        {"an integer temperature", R"([{"Product":"NAND","temperature":38}])", 1, "NAND", 38.0},
        {"no temperature event", R"([{"Product":"NAND"}])", 1, "NAND", std::nullopt},
        {"a temperature that is not a number", R"([{"Product":"NAND","temperature":"hot"}])", 1, "NAND", std::nullopt},
        {"a product that is not a text", R"([{"Product":7,"temperature":30}])", 1, "<not a text>", 30.0},
        {"a null product is no product", R"([{"Product":null,"temperature":30}])", 1, std::nullopt, 30.0},
        {"entries that are not objects are left out", R"([1,"x",null,{"Product":"A","temperature":1}])", 1, "A", 1.0},
    };
    for (const auto& c : cases) {
        const auto services = SocketHIDEventSystemClient::parseServices(c.json);
        ASSERT_EQ(services.has_value(), c.services.has_value()) << c.name;
        if (!services) continue;
        ASSERT_EQ(services->size(), *c.services) << c.name;
        if (services->empty()) continue;
        EXPECT_EQ(product(*services->front()), c.firstProduct) << c.name;
        EXPECT_EQ(temperature(*services->front()), c.firstTemperature) << c.name;
        EXPECT_EQ(services->front()->copyEvent(1, 0, 0), std::nullopt) << c.name << ": only temperature events";
    }
}

TEST(HIDServices, MatchingComparesEveryEntryByValue) {
    const auto services = SocketHIDEventSystemClient::parseServices(
        R"([{"Product":"implied usage"},
            {"Product":"keyboard","PrimaryUsagePage":1,"PrimaryUsage":6},
            {"Product":"real-valued usage","PrimaryUsagePage":65280.0,"PrimaryUsage":5}])");
    ASSERT_TRUE(services);
    ASSERT_EQ(services->size(), 3u);
    EXPECT_TRUE((*services)[0]->matches(kTemperatureMatching)) << "a simulator service is a temperature service";
    EXPECT_FALSE((*services)[1]->matches(kTemperatureMatching));
    EXPECT_TRUE((*services)[2]->matches(kTemperatureMatching)) << "numbers compare by value";
    EXPECT_TRUE((*services)[1]->matches({})) << "no matching matches everything";
    EXPECT_FALSE((*services)[0]->matches({{"Product", std::int64_t{1}}})) << "a text never equals a number";
    EXPECT_FALSE((*services)[0]->matches({{"Transport", std::string("SPI")}})) << "a missing property";
}

class HIDClient : public ::testing::Test {
protected:
    std::unique_ptr<UnixTestServer> serve(UnixTestServer::Handler handler) {
        return std::make_unique<UnixTestServer>(path_, std::move(handler));
    }
    SocketHIDEventSystemClient client(std::chrono::milliseconds timeout = SocketHIDEventSystemClient::kDefaultTimeout) {
        return SocketHIDEventSystemClient(path_, timeout);
    }

    TempDirectory directory_;
    std::string path_ = directory_.path("HID.sock");
};

TEST_F(HIDClient, OneExchangePerCopyAndOnlyMatchingServices) {
    std::atomic<int> requests{0};
    auto server = serve([&](UnixTestServer::Peer& peer) {
        auto request = peer.readFrame();
        if (!request || *request != std::vector<std::uint8_t>{wire::kOpCopyServices}) return;
        ++requests;
        const std::string json =
            R"([{"Product":"PMU tdie1","temperature":40},{"Product":"mouse","PrimaryUsagePage":1,"PrimaryUsage":2}])";
        peer.writeFrame(std::vector<std::uint8_t>(json.begin(), json.end()));
    });
    auto hid = client();
    hid.setMatching(kTemperatureMatching);
    for (int round = 1; round <= 2; ++round) {
        const auto services = hid.copyServices();
        ASSERT_TRUE(services);
        ASSERT_EQ(services->size(), 1u);
        EXPECT_EQ(product(*services->front()), "PMU tdie1");
        EXPECT_EQ(temperature(*services->front()), 40.0);
        EXPECT_EQ(requests.load(), round) << "asked anew every time";
    }
}

TEST_F(HIDClient, AnUnreachableOrMisbehavingServiceGivesNothing) {
    std::vector<MisbehavingPeer> cases = misbehavingPeers();
    cases.push_back(
        {"not an array", [](UnixTestServer::Peer& peer) {
             peer.readFrame();
             const std::string json = R"({"Product":"x"})";
             peer.writeFrame(std::vector<std::uint8_t>(json.begin(), json.end()));
         }});
    for (const auto& c : cases) {
        std::unique_ptr<UnixTestServer> server;
        if (c.handler) server = serve(c.handler);
        // A short stall limit keeps the hung case quick; the others end at once.
        auto hid = client(std::chrono::milliseconds(200));
        EXPECT_EQ(hid.copyServices(), std::nullopt) << c.name;
    }
}

TEST_F(HIDClient, CreationReadsTheSocketFromTheEnvironment) {
    auto server = serve([](UnixTestServer::Peer& peer) {
        peer.readFrame();
        const std::string json = R"([{"Product":"gas gauge","temperature":31.25}])";
        peer.writeFrame(std::vector<std::uint8_t>(json.begin(), json.end()));
    });
    ::setenv("ZEPHRANE_HID_SOCKET", path_.c_str(), 1);
    auto hid = IOHIDEventSystemClientCreate();
    ::unsetenv("ZEPHRANE_HID_SOCKET");
    ASSERT_NE(hid, nullptr);
    const auto services = hid->copyServices();
    ASSERT_TRUE(services);
    ASSERT_EQ(services->size(), 1u);
    EXPECT_EQ(temperature(*services->front()), 31.25);
}

TEST(FakeHIDClient, MatchesLikeTheRealClient) {
    FakeHIDEventSystemClient fake;
    auto keyboard = std::make_shared<HIDServiceSnapshot>(
        std::map<std::string, HIDPropertyValue, std::less<>>{{"Product", std::string("kbd")},
                                                             {"PrimaryUsagePage", std::int64_t{1}}},
        std::nullopt);
    fake.setServices(std::vector{FakeHIDEventSystemClient::temperatureService("A", 40.0), keyboard});
    fake.setMatching(kTemperatureMatching);
    auto services = fake.copyServices();
    ASSERT_TRUE(services);
    ASSERT_EQ(services->size(), 1u);
    EXPECT_EQ(product(*services->front()), "A");
    fake.setServices(std::nullopt);
    EXPECT_EQ(fake.copyServices(), std::nullopt);
}

}  // namespace
}  // namespace zephrane::iokit
