#include "platform/iokit/IORegistryLinux.hpp"

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "tests/platform/iokit/UnixTestServer.hpp"

namespace zephrane::iokit {
namespace {

using nlohmann::json;
using testing::FrameLog;
using testing::misbehavingPeers;
using testing::TempDirectory;
using testing::UnixTestServer;

std::vector<std::uint8_t> bytes(std::string_view text) { return {text.begin(), text.end()}; }

// A registry peer that answers every request with the same text and logs
// what it was asked.
UnixTestServer::Handler answering(std::string text, std::shared_ptr<FrameLog> log = std::make_shared<FrameLog>()) {
    return [text = std::move(text), log](UnixTestServer::Peer& peer) {
        auto request = peer.readFrame();
        if (!request) return;
        log->add(*request);
        peer.writeFrame(bytes(text));
    };
}

class RegistryClient : public ::testing::Test {
protected:
    std::unique_ptr<UnixTestServer> serve(UnixTestServer::Handler handler) {
        return std::make_unique<UnixTestServer>(path_, std::move(handler));
    }
    SocketIORegistry registry(std::chrono::milliseconds timeout = SocketIORegistry::kDefaultTimeout) {
        return SocketIORegistry(path_, timeout);
    }

    TempDirectory directory_;
    std::string path_ = directory_.path("IORegistry.sock");
};

TEST_F(RegistryClient, EachCallIsOneRequestWithItsOperationAndArgumentAfterOneAskForSharedAnswers) {
    auto log = std::make_shared<FrameLog>();
    auto server = serve(answering("null", log));
    auto client = registry();
    client.matchingServices("AppleSmartBattery");
    client.entryAtPath("IOPower:/IOPowerConnection/IOPMrootDomain");
    client.providingPowerSourceType();
    client.externalPowerAdapterDetails();
    const std::vector<std::vector<std::uint8_t>> expected{
        {wire::kOpShareRegistry},  // asked once, and refused: this peer shares nothing
        [] { auto f = bytes("?AppleSmartBattery"); f[0] = wire::kOpMatchingServices; return f; }(),
        [] { auto f = bytes("?IOPower:/IOPowerConnection/IOPMrootDomain"); f[0] = wire::kOpEntryAtPath; return f; }(),
        {wire::kOpPowerSourceType},
        {wire::kOpAdapterDetails},
    };
    EXPECT_EQ(log->frames(), expected);
}

TEST_F(RegistryClient, AnswersAreTakenOnlyInTheShapeTheOperationPromises) {
    struct Row {
        const char* edge;
        const char* answer;
        std::size_t services;
        bool entry;
        std::optional<std::string> type;
        std::optional<json> adapter;
    } rows[] = {
        {"an array", R"([{"Voltage": 12000}, {"IOClass": "x"}])", 2, false, std::nullopt,
         json::parse(R"([{"Voltage": 12000}, {"IOClass": "x"}])")},
        {"services that are not objects are left out", R"([1, {"a": true}, "x", null])", 1, false, std::nullopt,
         json::parse(R"([1, {"a": true}, "x", null])")},
        {"an object", R"({"Watts": 96})", 0, true, std::nullopt, json{{"Watts", 96}}},
        {"a text", R"("AC Power")", 0, false, "AC Power", json("AC Power")},
        {"null", "null", 0, false, std::nullopt, std::nullopt},
        {"not JSON", "{\"Watts\":", 0, false, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        auto server = serve(answering(row.answer));
        auto client = registry();
        EXPECT_EQ(client.matchingServices("AppleSmartBattery").size(), row.services);
        EXPECT_EQ(client.entryAtPath("IOPower:/IOPowerConnection/IOPMrootDomain").has_value(), row.entry);
        EXPECT_EQ(client.providingPowerSourceType(), row.type);
        // Adapter details pass whatever JSON came: the caller judges the shape.
        EXPECT_EQ(client.externalPowerAdapterDetails(), row.adapter);
    }
}

TEST_F(RegistryClient, AnUnreachableOrMisbehavingMachineHasNothing) {
    for (const auto& c : misbehavingPeers()) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<UnixTestServer> server;
        if (c.handler) server = serve(c.handler);
        // A short stall limit keeps the hung case quick; the others end at once.
        auto client = registry(std::chrono::milliseconds(200));
        EXPECT_TRUE(client.matchingServices("AppleSmartBattery").empty());
        EXPECT_EQ(client.entryAtPath("IOPower:/IOPowerConnection/IOPMrootDomain"), std::nullopt);
        EXPECT_EQ(client.providingPowerSourceType(), std::nullopt);
        EXPECT_EQ(client.externalPowerAdapterDetails(), std::nullopt);
    }
}

// A registry peer that answers every request on a connection, as the
// simulator does, counting its connections.
UnixTestServer::Handler answeringEach(std::string text, std::shared_ptr<std::atomic<int>> connections) {
    return [text = std::move(text), connections](UnixTestServer::Peer& peer) {
        ++*connections;
        while (peer.readFrame()) peer.writeFrame(bytes(text));
    };
}

// Polled once a second, a client that connected for every call woke the
// simulator and its log for each; one connection serves them all, and a
// simulator that went away and came back costs the call that finds it out
// nothing but a new connection.
TEST_F(RegistryClient, OneConnectionServesEveryCallAndIsOpenedAnewOnceTheMachineHungUp) {
    auto connections = std::make_shared<std::atomic<int>>(0);
    auto server = serve(answeringEach(R"("AC Power")", connections));
    auto client = registry();
    for (int i = 0; i < 5; ++i) EXPECT_EQ(client.providingPowerSourceType(), "AC Power") << "call " << i;
    EXPECT_EQ(client.externalPowerAdapterDetails(), json("AC Power"));
    EXPECT_EQ(connections->load(), 1);

    server.reset();  // the simulator stops; a new one starts at the same path
    server = serve(answeringEach(R"("Battery Power")", connections));
    EXPECT_EQ(client.providingPowerSourceType(), "Battery Power") << "the first call after the restart";
    EXPECT_EQ(client.providingPowerSourceType(), "Battery Power");
    EXPECT_EQ(connections->load(), 2);
}

TEST_F(RegistryClient, CreationReadsTheSocketFromTheEnvironment) {
    auto server = serve(answering(R"("Battery Power")"));
    ::setenv(std::string(wire::kRegistrySocketVariable).c_str(), path_.c_str(), 1);
    auto client = IORegistryCreate();
    ::unsetenv(std::string(wire::kRegistrySocketVariable).c_str());
    EXPECT_EQ(client->providingPowerSourceType(), "Battery Power");
}

}  // namespace
}  // namespace zephrane::iokit
