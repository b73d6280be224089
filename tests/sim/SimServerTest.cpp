#include "sim/SimServer.hpp"

#include <sys/stat.h>

#include <atomic>
#include <fstream>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "SimFixtures.hpp"
#include "SimTestClient.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;
using testing::SimTestClient;
namespace wire = iokit::wire;

std::filesystem::path makeTempDir() {
    char pattern[] = "/tmp/zsim-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    return pattern;
}

// A server on its own io thread over the fixture machine, in a fresh directory.
class RunningServer {
public:
    explicit RunningServer(WriterPolicy writers = WriterPolicy::everyone(),
                           std::filesystem::path dir = makeTempDir())
        : dir_(std::move(dir)),
          smc_(testing::fixtureProfile()),
          server_(io_, smc_, {dir_, std::move(writers), 20ms}),
          thread_([this] { io_.run(); }) {}
    ~RunningServer() {
        stop();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    void stop() {
        if (!thread_.joinable()) return;
        asio::post(io_, [this] { server_.stop(); });
        thread_.join();
    }

    std::filesystem::path smcSocket() const { return dir_ / wire::kSMCSocketName; }
    std::filesystem::path hidSocket() const { return dir_ / wire::kHIDSocketName; }
    std::filesystem::path registrySocket() const { return dir_ / wire::kRegistrySocketName; }
    std::filesystem::path controlSocket() const { return dir_ / wire::kControlSocketName; }
    const std::filesystem::path& dir() const { return dir_; }
    SimulatedSMC& smc() { return smc_; }

private:
    std::filesystem::path dir_;
    asio::io_context io_;
    SimulatedSMC smc_;
    SimServer server_;
    std::thread thread_;
};

Json control(SimTestClient& client, const Json& command) {
    client.send(command.dump());
    const auto answer = client.receive();
    if (!answer) throw std::runtime_error("no answer from control.sock");
    return Json::parse(*answer);
}

std::vector<std::uint8_t> frameHeader(std::uint32_t length) {
    return {static_cast<std::uint8_t>(length >> 24), static_cast<std::uint8_t>(length >> 16),
            static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)};
}

class SimServerTest : public ::testing::Test {
protected:
    void SetUp() override { oslog::setOutput(oslog::Output::none); }
};

TEST_F(SimServerTest, ServesTheFourSocketsToAnyLocalUser) {
    RunningServer server;
    for (const auto& path : {server.smcSocket(), server.hidSocket(), server.registrySocket(), server.controlSocket()}) {
        struct stat status{};
        ASSERT_EQ(::stat(path.c_str(), &status), 0) << path;
        EXPECT_TRUE(S_ISSOCK(status.st_mode));
        EXPECT_EQ(status.st_mode & 0777, 0666u) << path;
    }

    SimTestClient smc(server.smcSocket());
    EXPECT_EQ(smc.open(), iokit::kIOReturnSuccess);
    const auto read = smc.call(testing::readRequest("F0Mx", 4));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->code, iokit::kIOReturnSuccess);
    ASSERT_EQ(read->record.size(), 80u);
    EXPECT_EQ(read->record[40], 0);
    EXPECT_EQ(read->record[50], 0x9c);

    SimTestClient hid(server.hidSocket());
    const std::uint8_t copy[] = {wire::kOpCopyServices};
    hid.send(copy);
    const auto services = hid.receive();
    ASSERT_TRUE(services.has_value());
    EXPECT_EQ(Json::parse(*services).size(), 3u);

    SimTestClient registry(server.registrySocket());
    const std::uint8_t powerSource[] = {wire::kOpPowerSourceType};
    registry.send(powerSource);
    const auto type = registry.receive();
    ASSERT_TRUE(type.has_value());
    EXPECT_EQ(Json::parse(*type), "AC Power");

    SimTestClient controller(server.controlSocket());
    EXPECT_EQ(control(controller, {{"command", "status"}})["machine"], "fixture");
}

TEST_F(SimServerTest, BadInputIsAnsweredOrClosedAndNeverStopsTheServer) {
    RunningServer server;
    const SMCRecord read = testing::readRequest("F0Mx", 4);
    std::vector<std::uint8_t> maxPayload = SimTestClient::callPayload(read);
    maxPayload.resize(wire::kMaxPayload);

    enum class Expect { closed, code, result };
    struct Row {
        const char* edge;
        std::vector<std::uint8_t> frame;  // sent as is, length prefix included
        Expect expect;
        std::uint32_t value;              // kern_return or result byte
    };
    auto framed = [](std::vector<std::uint8_t> payload) {
        std::vector<std::uint8_t> frame = frameHeader(static_cast<std::uint32_t>(payload.size()));
        frame.insert(frame.end(), payload.begin(), payload.end());
        return frame;
    };
    const std::array<std::uint8_t, 4> fourBytes{0, 0, 0x7a, 0x45};
    const Row rows[] = {
        {"a frame longer than the protocol allows", frameHeader(wire::kMaxPayload + 1), Expect::closed, 0},
        {"a frame claiming 4 GiB", frameHeader(0xFFFFFFFF), Expect::closed, 0},
        {"an empty payload", framed({}), Expect::closed, 0},
        {"an unknown operation", framed({0x7f, 1, 2, 3}), Expect::closed, 0},
        {"a short record", framed(SimTestClient::callPayload(read, 79)), Expect::code,
         static_cast<std::uint32_t>(iokit::kIOReturnBadArgument)},
        {"a long record", framed(SimTestClient::callPayload(read, 81)), Expect::code,
         static_cast<std::uint32_t>(iokit::kIOReturnBadArgument)},
        {"the largest frame allowed", framed(maxPayload), Expect::code,
         static_cast<std::uint32_t>(iokit::kIOReturnBadArgument)},
        {"selector 5", framed(SimTestClient::callPayload(read, 80, 5)), Expect::code,
         static_cast<std::uint32_t>(iokit::kIOReturnUnsupported)},
        {"an unknown command byte", framed(SimTestClient::callPayload(testing::request(0x33, "F0Mx"))),
         Expect::result, 0x82},
        {"a write of the wrong size", framed(SimTestClient::callPayload(testing::request(6, "F0Tg", 2, fourBytes))),
         Expect::result, 0x87},
        {"a write to a read-only key", framed(SimTestClient::callPayload(testing::request(6, "F0Mx", 4, fourBytes))),
         Expect::result, 0x86},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        SimTestClient client(server.smcSocket());
        ASSERT_EQ(client.open(), iokit::kIOReturnSuccess);
        client.sendRaw(row.frame);
        if (row.expect == Expect::closed) {
            EXPECT_TRUE(client.closedByPeer());
            continue;
        }
        const auto answer = client.receive();
        ASSERT_TRUE(answer.has_value());
        const auto code = std::uint32_t{(*answer)[0]} << 24 | std::uint32_t{(*answer)[1]} << 16 |
                          std::uint32_t{(*answer)[2]} << 8 | std::uint32_t{(*answer)[3]};
        if (row.expect == Expect::code) {
            EXPECT_EQ(code, row.value);
            EXPECT_EQ(answer->size(), 4u) << "a failing code carries no record";
        } else {
            EXPECT_EQ(code, 0u);
            ASSERT_EQ(answer->size(), 84u);
            EXPECT_EQ((*answer)[4 + 40], row.value);
        }
        // The connection still serves.
        const auto after = client.call(read);
        ASSERT_TRUE(after.has_value());
        EXPECT_EQ(after->code, iokit::kIOReturnSuccess);
    }
    SimTestClient fresh(server.smcSocket());
    EXPECT_EQ(fresh.open(), iokit::kIOReturnSuccess);
}

TEST_F(SimServerTest, AClientThatDisconnectsMidFrameIsDropped) {
    oslog::CaptureSink capture;
    RunningServer server;
    const std::string line = "AppleSMC.sock client (pid " + std::to_string(::getpid()) + ", uid " +
                             std::to_string(::getuid()) + ")";
    {
        SimTestClient client(server.smcSocket());
        ASSERT_EQ(client.open(), iokit::kIOReturnSuccess);
        std::vector<std::uint8_t> partial = frameHeader(85);
        partial.insert(partial.end(), {wire::kOpCall, 0, 0, 0, 2, 0, 0, 0, 0, 0});
        client.sendRaw(partial);
    }
    EXPECT_TRUE(testing::eventually([&] { return capture.contains(oslog::Level::info, line + " disconnected"); }));

    SimTestClient next(server.smcSocket());
    EXPECT_EQ(next.open(), iokit::kIOReturnSuccess);
}

TEST_F(SimServerTest, ServesManyClientsAtOnce) {
    RunningServer server;
    constexpr int kThreads = 8;
    constexpr int kClientsPerThread = 8;
    std::vector<std::unique_ptr<SimTestClient>> clients;
    for (int i = 0; i < kThreads * kClientsPerThread; ++i)
        clients.push_back(std::make_unique<SimTestClient>(server.smcSocket()));

    std::atomic<int> answered{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int c = 0; c < kClientsPerThread; ++c) {
                SimTestClient& client = *clients[static_cast<std::size_t>(t * kClientsPerThread + c)];
                if (client.open() != iokit::kIOReturnSuccess) return;
            }
            for (int round = 0; round < 20; ++round)
                for (int c = 0; c < kClientsPerThread; ++c) {
                    const auto read = clients[static_cast<std::size_t>(t * kClientsPerThread + c)]->call(
                        testing::readRequest("F0Ac", 4));
                    if (read && read->code == iokit::kIOReturnSuccess && read->record[40] == 0) ++answered;
                }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(answered.load(), kThreads * kClientsPerThread * 20);
}

TEST_F(SimServerTest, AHungCallLeavesOnlyItsOwnConnectionWaiting) {
    RunningServer server;
    SimTestClient controller(server.controlSocket());
    SimTestClient hung(server.smcSocket());
    SimTestClient other(server.smcSocket());
    ASSERT_EQ(hung.open(), iokit::kIOReturnSuccess);
    ASSERT_EQ(other.open(), iokit::kIOReturnSuccess);
    ASSERT_EQ(control(controller, {{"command", "hang"}, {"key", "F0Mx"}})["ok"], true);

    hung.send(SimTestClient::callPayload(testing::readRequest("F0Mx", 4)));
    const auto served = other.call(testing::readRequest("FNum", 1));
    ASSERT_TRUE(served.has_value());
    EXPECT_EQ(served->record[48], 1);

    // The hung connection still reads: its next request is answered, and
    // that answer is the first it gets, so the hung one was passed over.
    const auto next = hung.call(testing::readRequest("FNum", 1));
    ASSERT_TRUE(next.has_value());
    ASSERT_EQ(next->record.size(), 80u);
    SMCRecord record;
    std::copy(next->record.begin(), next->record.end(), record.begin());
    EXPECT_EQ(FourCC::string(testing::u32At(record, 0)), "FNum");
    EXPECT_FALSE(hung.hasPendingData());

    ASSERT_EQ(control(controller, {{"command", "clearFaults"}})["ok"], true);
    const auto cleared = hung.call(testing::readRequest("F0Mx", 4));
    ASSERT_TRUE(cleared.has_value());
    EXPECT_EQ(cleared->record[40], 0);
}

TEST_F(SimServerTest, WritesFromPeersThePolicyRefusesAreNotPrivileged) {
    RunningServer server(WriterPolicy::only({::getuid() + 1}));
    SimTestClient client(server.smcSocket());
    ASSERT_EQ(client.open(), iokit::kIOReturnSuccess);
    const auto write = client.call(testing::writeRequest("F0Tg", 3000, SMCDataType::flt()));
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(write->code, iokit::kIOReturnNotPrivileged);
    EXPECT_TRUE(write->record.empty());
    EXPECT_EQ(server.smc().peek("F0Tg")->value, 1200);

    const auto read = client.call(testing::readRequest("F0Tg", 4));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->code, iokit::kIOReturnSuccess) << "reading needs no privilege";
}

TEST_F(SimServerTest, StoppingClosesClientsAndRemovesTheSocketFiles) {
    RunningServer server;
    SimTestClient smc(server.smcSocket());
    ASSERT_EQ(smc.open(), iokit::kIOReturnSuccess);
    SimTestClient hid(server.hidSocket());

    server.stop();
    EXPECT_FALSE(std::filesystem::exists(server.smcSocket()));
    EXPECT_FALSE(std::filesystem::exists(server.hidSocket()));
    EXPECT_FALSE(std::filesystem::exists(server.registrySocket()));
    EXPECT_FALSE(std::filesystem::exists(server.controlSocket()));
    EXPECT_TRUE(smc.closedByPeer());
    EXPECT_TRUE(hid.closedByPeer());
}

TEST_F(SimServerTest, ReplacesStaleSocketsButNotLiveOnesOrOtherFiles) {
    const std::filesystem::path dir = makeTempDir();
    {
        // A socket file left behind by a server that died.
        asio::io_context io;
        asio::local::stream_protocol::acceptor stale(io, asio::local::stream_protocol::endpoint(
                                                             (dir / wire::kSMCSocketName).string()));
    }
    ASSERT_TRUE(std::filesystem::exists(dir / wire::kSMCSocketName));
    RunningServer server(WriterPolicy::everyone(), dir);
    SimTestClient client(server.smcSocket());
    EXPECT_EQ(client.open(), iokit::kIOReturnSuccess);

    asio::io_context io;
    SimulatedSMC smc(testing::fixtureProfile());
    EXPECT_THROW(SimServer(io, smc, {dir, WriterPolicy{}, 100ms}), std::runtime_error) << "a live server";
    EXPECT_TRUE(std::filesystem::exists(server.smcSocket())) << "the live server keeps its sockets";

    const std::filesystem::path other = makeTempDir();
    std::ofstream(other / wire::kHIDSocketName) << "not a socket";
    EXPECT_THROW(SimServer(io, smc, {other, WriterPolicy{}, 100ms}), std::runtime_error);
    EXPECT_FALSE(std::filesystem::exists(other / wire::kSMCSocketName)) << "a failed start leaves nothing behind";
    EXPECT_TRUE(std::filesystem::exists(other / wire::kHIDSocketName));
    std::filesystem::remove_all(other);
}

// The sockets are made the way every service of ours makes its own
// (shared/OwnSocket.hpp, tested there): in a directory others may write, as
// /tmp itself, the server does not start, and leaves nothing behind.
TEST_F(SimServerTest, ServesOnlyInADirectoryNobodyElseMayChange) {
    const std::filesystem::path dir = makeTempDir();
    ASSERT_EQ(::chmod(dir.c_str(), 01777), 0);
    asio::io_context io;
    SimulatedSMC smc(testing::fixtureProfile());
    EXPECT_THROW(SimServer(io, smc, {dir, WriterPolicy{}, 100ms}), std::system_error);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zephrane::sim
