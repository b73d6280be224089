#include "sim/SimServer.hpp"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <future>
#include <system_error>
#include <thread>

#include <gtest/gtest.h>

#include "platform/iokit/FrameSocket.hpp"
#include "platform/iokit/IORegistryLinux.hpp"
#include "platform/oslog/OSLog.hpp"
#include "SimFixtures.hpp"
#include "SimTestClient.hpp"
#include "tests/sim/RunningServer.hpp"

namespace zephrane::sim {
namespace {

using namespace std::chrono_literals;
using testing::SimTestClient;
namespace wire = iokit::wire;

using testing::makeTempDir;
using testing::RunningServer;

SimServerOptions serving(PeerPolicy writers, std::filesystem::path dir = {},
                         std::chrono::milliseconds frameTimeout = 5s, PeerPolicy controllers = PeerPolicy::everyone()) {
    SimServerOptions options = testing::testServerOptions();
    options.writers = std::move(writers);
    options.directory = std::move(dir);
    options.frameTimeout = frameTimeout;
    options.controllers = std::move(controllers);
    return options;
}

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
    // Comings and goings are debug lines, so a long run's log keeps to what matters.
    EXPECT_TRUE(testing::eventually([&] { return capture.contains(oslog::Level::debug, line + " disconnected"); }));
    EXPECT_TRUE(capture.contains(oslog::Level::debug, line + " connected"));
    for (const oslog::LogRecord& record : capture.records()) {
        if (record.message.find(" client (pid ") != std::string::npos) {
            EXPECT_EQ(record.level, oslog::Level::debug) << record.message;
        }
    }

    SimTestClient next(server.smcSocket());
    EXPECT_EQ(next.open(), iokit::kIOReturnSuccess);
}

// A client may idle between requests for as long as it likes, but a frame
// it has begun must arrive whole in time: half a header, a header without
// its payload and a payload that trickles in all lose their connection.
TEST_F(SimServerTest, AFrameThatDoesNotCompleteInTimeEndsItsConnection) {
    RunningServer server(serving(PeerPolicy::everyone(), {}, 300ms));
    const std::vector<std::uint8_t> whole = [] {
        std::vector<std::uint8_t> frame = frameHeader(85);
        const auto payload = SimTestClient::callPayload(testing::readRequest("F0Mx", 4));
        frame.insert(frame.end(), payload.begin(), payload.end());
        return frame;
    }();
    SimTestClient idle(server.smcSocket());
    ASSERT_EQ(idle.open(), iokit::kIOReturnSuccess);

    SimTestClient halfHeader(server.smcSocket());
    halfHeader.sendRaw(std::span(whole).first(2));
    SimTestClient noPayload(server.smcSocket());
    ASSERT_EQ(noPayload.open(), iokit::kIOReturnSuccess);
    noPayload.sendRaw(std::span(whole).first(4));
    // A frame long enough that, one byte per poll, it would take far
    // longer than the time-out however slowly the server is scheduled.
    std::vector<std::uint8_t> longFrame = frameHeader(8192);
    longFrame.resize(4 + 8192, 0);
    SimTestClient trickle(server.smcSocket());
    ASSERT_EQ(trickle.open(), iokit::kIOReturnSuccess);
    std::size_t sent = 0;
    EXPECT_TRUE(testing::eventually([&] {
        // One byte at a time, each well within the time-out, never the last.
        if (trickle.hasPendingData() || sent + 1 >= longFrame.size()) return trickle.closedByPeer(0ms);
        try {
            trickle.sendRaw(std::span(longFrame).subspan(sent++, 1));
        } catch (const std::runtime_error&) {
            return true;  // closed under the send
        }
        return false;
    }));
    EXPECT_LT(sent, longFrame.size() - 1) << "the frame ran out of time before it was sent";
    EXPECT_TRUE(halfHeader.closedByPeer());
    EXPECT_TRUE(noPayload.closedByPeer());

    const auto read = idle.call(testing::readRequest("F0Mx", 4));
    ASSERT_TRUE(read.has_value()) << "the idle client kept its connection";
    EXPECT_EQ(read->code, iokit::kIOReturnSuccess);
}

// While the firmware has every fan the machine advances once a second, not
// at its tick: nobody reads it faster then, and every request brings it up
// to date first. A client that takes a fan sets the fast pace at once.
TEST_F(SimServerTest, TheMachinesPaceIsOnceASecondUntilAClientTakesAFan) {
    using Clock = std::chrono::steady_clock;
    SimServerOptions options = serving(PeerPolicy::everyone());
    options.tick = 10ms;
    RunningServer server(std::move(options), testing::fixtureProfile({.forceTest = true}));
    // Taken once the server is up: the machine's clock started before this,
    // however long a loaded host took to start the server.
    const auto started = Clock::now();
    // Counts the machine's advances, seen as its elapsed time changing.
    const auto advancesWithin = [&](Clock::duration window) {
        int advances = 0;
        auto last = server.smc().elapsed();
        for (const auto until = Clock::now() + window; Clock::now() < until;) {
            const auto now = server.smc().elapsed();
            if (now != last) ++advances;
            last = now;
        }
        return advances;
    };
    EXPECT_LE(advancesWithin(2500ms), 4) << "at most once a second, however late the test looks";

    SimTestClient controller(server.controlSocket());
    const auto asked = Clock::now();
    const double elapsed = control(controller, {{"command", "status"}})["elapsedSeconds"].get<double>();
    EXPECT_GE(elapsed, std::chrono::duration<double>(asked - started).count() - 0.05) << "a request sees it now";

    SimTestClient smc(server.smcSocket());
    ASSERT_EQ(smc.open(), iokit::kIOReturnSuccess);
    const auto taken = Clock::now();
    ASSERT_EQ(smc.call(testing::writeRequest("Ftst", 1, SMCDataType::ui8()))->record[40], 0);
    int advances = 0;
    auto last = server.smc().elapsed();
    ASSERT_TRUE(testing::eventually([&] {
        const auto now = server.smc().elapsed();
        if (now != last) ++advances;
        last = now;
        return advances >= 10;
    }));
    EXPECT_LT(Clock::now() - taken, 5s) << "ten advances at the fast pace, not once a second";
}

// The registry questions the app's monitors ask every second are answered
// from shared memory: with the server's thread held up, nothing over the
// socket could be, yet each comes back as the socket gives it, and a change
// of the machine shows at once.
TEST_F(SimServerTest, TheRegistrysEverySecondAnswersNeedNoRoundTrip) {
    RunningServer server(serving(PeerPolicy::everyone()), testing::builtInProfile("two-fan-laptop"));
    iokit::SocketIORegistry registry(server.registrySocket().string());
    ASSERT_EQ(registry.providingPowerSourceType(), "AC Power") << "the first call also asks for the answers";

    std::promise<void> release;
    std::atomic<bool> heldUp{false};
    asio::post(server.io(), [&heldUp, released = release.get_future()] {
        heldUp = true;
        released.wait_for(20s);
    });
    ASSERT_TRUE(testing::eventually([&] { return heldUp.load(); }));
    server.smc().renewSharedKeyTableLease(1h);  // past any renewal the held thread would have made
    namespace wire = iokit::wire;
    // As the client takes it from the socket: parsed from the text sent.
    const auto socketsAnswer = [&](std::uint8_t operation, std::string_view argument) {
        return nlohmann::json::parse(server.smc().registryAnswer(operation, argument).value().dump());
    };
    const auto battery = registry.matchingServices("AppleSmartBattery");
    ASSERT_EQ(battery.size(), 1u);
    EXPECT_EQ(nlohmann::json(battery), socketsAnswer(wire::kOpMatchingServices, "AppleSmartBattery"));
    EXPECT_EQ(nlohmann::json(registry.matchingServices("IOAccelerator")),
              socketsAnswer(wire::kOpMatchingServices, "IOAccelerator"));
    EXPECT_EQ(registry.entryAtPath("IOPower:/IOPowerConnection/IOPMrootDomain"),
              socketsAnswer(wire::kOpEntryAtPath, "IOPower:/IOPowerConnection/IOPMrootDomain"));
    EXPECT_EQ(registry.externalPowerAdapterDetails(), socketsAnswer(wire::kOpAdapterDetails, ""));
    server.smc().setAdapterConnected(false);
    EXPECT_EQ(registry.providingPowerSourceType(), "Battery Power") << "a change is there at once";
    EXPECT_EQ(registry.externalPowerAdapterDetails(), std::nullopt);
    release.set_value();
}

// Every open's answer carries the key table as a description of the
// client's own, read-only: what one client does to its descriptor (file
// flags, offset, locks) reaches no other.
TEST_F(SimServerTest, EachOpenGetsAReadOnlyKeyTableOfItsOwn) {
    RunningServer server(serving(PeerPolicy::everyone()));
    const auto openTable = [&](iokit::FrameSocket& socket) {
        EXPECT_EQ(socket.connect(server.smcSocket()), 0);
        std::vector<std::uint8_t> answer;
        int table = -1;
        EXPECT_EQ(socket.exchange(SimTestClient::openPayload(), answer, wire::kMaxPayload, &table),
                  iokit::FrameSocket::Status::ok);
        EXPECT_EQ(answer, (std::vector<std::uint8_t>{0, 0, 0, 0}));
        return table;
    };
    iokit::FrameSocket first;
    iokit::FrameSocket second;
    const int mine = openTable(first);
    const int theirs = openTable(second);
    ASSERT_GE(mine, 0);
    ASSERT_GE(theirs, 0);
    EXPECT_EQ(::fcntl(mine, F_GETFL) & O_ACCMODE, O_RDONLY);
    EXPECT_EQ(::fcntl(theirs, F_GETFL) & O_ACCMODE, O_RDONLY);

    ASSERT_EQ(::lseek(mine, 64, SEEK_SET), 64);
    EXPECT_EQ(::lseek(theirs, 0, SEEK_CUR), 0) << "an offset of its own";
    ASSERT_EQ(::fcntl(mine, F_SETFL, O_NONBLOCK), 0);
    EXPECT_EQ(::fcntl(theirs, F_GETFL) & O_NONBLOCK, 0) << "file flags of its own";
    ASSERT_EQ(::flock(mine, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(::flock(theirs, LOCK_SH | LOCK_NB), -1) << "a lock of one is felt by the other, not shared with it";
    ::close(mine);
    ::close(theirs);
}

// An unprivileged user in a child process of its own, started before the
// server's thread exists (so the child may use the whole library), told to
// go and asked for its verdict over pipes.
class UnprivilegedChild {
public:
    static constexpr uid_t kNobody = 65534;

    // `scenario` runs as `user` once go() is called; its byte is the verdict.
    explicit UnprivilegedChild(std::function<char()> scenario, uid_t user = kNobody) {
        if (::pipe(toChild_) != 0 || ::pipe(toParent_) != 0) throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ < 0) throw std::runtime_error("fork failed");
        if (pid_ == 0) {
            char byte = 0;
            if (::read(toChild_[0], &byte, 1) != 1) ::_exit(2);
            if (::setgroups(0, nullptr) != 0 || ::setgid(user) != 0 || ::setuid(user) != 0) ::_exit(3);
            char verdict = '?';
            try {
                verdict = scenario();
            } catch (const std::exception&) {
                verdict = '!';
            }
            if (::write(toParent_[1], &verdict, 1) != 1) ::_exit(4);
            (void)::read(toChild_[0], &byte, 1);  // hold everything open until released
            ::_exit(0);
        }
    }
    ~UnprivilegedChild() {
        release();
        ::waitpid(pid_, nullptr, 0);
        for (int fd : {toChild_[0], toChild_[1], toParent_[0], toParent_[1]}) ::close(fd);
    }

    // Starts the scenario and waits for its verdict.
    char go() {
        const char byte = 'g';
        if (::write(toChild_[1], &byte, 1) != 1) return 'w';
        pollfd p{toParent_[0], POLLIN, 0};
        char verdict = 't';
        if (::poll(&p, 1, 60000) == 1 && ::read(toParent_[0], &verdict, 1) != 1) verdict = 'r';
        return verdict;
    }
    void release() {
        if (released_) return;
        released_ = true;
        const char byte = 'r';
        (void)::write(toChild_[1], &byte, 1);
    }

private:
    int toChild_[2]{-1, -1};
    int toParent_[2]{-1, -1};
    pid_t pid_ = -1;
    bool released_ = false;
};

std::filesystem::path makeOpenTempDir() {
    std::filesystem::path dir = makeTempDir();
    std::filesystem::permissions(dir, std::filesystem::perms::others_exec | std::filesystem::perms::group_exec,
                                 std::filesystem::perm_options::add);
    return dir;
}

// Any local user may connect, so one may try to crowd everyone out: each
// user gets a share of a socket's places and no more, so others still find
// room, and users filling the socket between them still leave root its
// reserve (the daemon's emergency restore opens a second connection) and
// leave the other sockets alone.
TEST_F(SimServerTest, EachUserHasAShareOfASocketAndRootItsReserveBeyondThem) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as other users";
    const std::filesystem::path dir = makeOpenTempDir();
    constexpr ConnectionLimits smcLimits = SimServer::kSMCLimits;
    static_assert(smcLimits.clients % smcLimits.perUser == 0);
    constexpr std::size_t kUsersToFill = smcLimits.clients / smcLimits.perUser;

    // Each user opens what its share allows, one more is refused, and its
    // HID.sock place is still there.
    std::vector<std::unique_ptr<SimTestClient>> held;
    const auto takeTheShare = [&]() -> char {
        for (std::size_t i = 0; i < smcLimits.perUser; ++i) {
            held.push_back(std::make_unique<SimTestClient>(dir / wire::kSMCSocketName));
            if (held.back()->open() != iokit::kIOReturnSuccess) return 'o';
        }
        SimTestClient oneTooMany(dir / wire::kSMCSocketName);
        if (!oneTooMany.closedByPeer()) return 'm';
        SimTestClient hid(dir / wire::kHIDSocketName);
        const std::uint8_t copy[] = {wire::kOpCopyServices};
        hid.send(copy);
        if (!hid.receive()) return 'h';
        return 'k';
    };
    std::vector<std::unique_ptr<UnprivilegedChild>> users;
    for (std::size_t u = 0; u < kUsersToFill; ++u)
        users.push_back(std::make_unique<UnprivilegedChild>(takeTheShare, static_cast<uid_t>(65534 - u)));
    UnprivilegedChild latecomer(
        [&]() -> char {
            SimTestClient client(dir / wire::kSMCSocketName);
            return client.closedByPeer() ? 'r' : 's';
        },
        static_cast<uid_t>(65534 - kUsersToFill));

    RunningServer server(serving(PeerPolicy::everyone(), dir));
    for (std::size_t u = 0; u < kUsersToFill; ++u)
        ASSERT_EQ(users[u]->go(), 'k') << "user " << u
                                       << " (o: an open within its share failed, m: one past its share was served, h: "
                                          "HID.sock refused)";
    // Full between them: a user with its share untouched finds no room.
    EXPECT_EQ(latecomer.go(), 'r') << "the socket's own limit still holds";

    std::vector<std::unique_ptr<SimTestClient>> root;
    for (std::size_t i = 0; i < smcLimits.rootReserve; ++i) {
        root.push_back(std::make_unique<SimTestClient>(server.smcSocket()));
        ASSERT_EQ(root.back()->open(), iokit::kIOReturnSuccess) << "root connection " << i;
    }
    const auto read = root.front()->call(testing::readRequest("F0Mx", 4));
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->code, iokit::kIOReturnSuccess);
    SimTestClient pastTheReserve(server.smcSocket());
    EXPECT_TRUE(pastTheReserve.closedByPeer()) << "the reserve has a limit too";

    // Places come back as a user leaves.
    users.front()->release();
    EXPECT_TRUE(testing::eventually([&] {
        try {
            SimTestClient again(server.smcSocket());
            return again.open() == iokit::kIOReturnSuccess;
        } catch (const std::runtime_error&) {
            return false;
        }
    }));
}

// Fault injection can hang the very keys the daemon's restore writes, so
// control.sock is root's unless the server is told to let others in.
TEST_F(SimServerTest, ControlIsRootsOnlyUnlessOthersAreLetIn) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    struct Row {
        const char* edge;
        PeerPolicy controllers;
        unsigned mode;
        char verdict;  // what nobody gets: 'k' served, 'c' closed
    } rows[] = {
        {"by default", PeerPolicy{}, 0600, 'c'},
        {"another user let in", PeerPolicy::only({UnprivilegedChild::kNobody}), 0666, 'k'},
        {"anyone let in", PeerPolicy::everyone(), 0666, 'k'},
        {"only others let in", PeerPolicy::only({UnprivilegedChild::kNobody + 1}), 0666, 'c'},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        const std::filesystem::path dir = makeOpenTempDir();
        UnprivilegedChild nobody([&]() -> char {
            SimTestClient client(dir / wire::kControlSocketName);
            try {
                client.send(Json{{"command", "hang"}}.dump());
            } catch (const std::runtime_error&) {
                return 'c';  // closed before the request went out
            }
            return client.receive() ? 'k' : 'c';
        });
        RunningServer server(serving(PeerPolicy::everyone(), dir, 5s, row.controllers));
        struct stat status{};
        ASSERT_EQ(::stat(server.controlSocket().c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, row.mode);
        if (row.mode == 0600) {
            // Past the mode, as root can be: the peer check itself refuses.
            ::chmod(server.controlSocket().c_str(), 0666);
        }
        EXPECT_EQ(nobody.go(), row.verdict);

        // Root always may; a refused peer's command never took effect.
        SimTestClient root(server.controlSocket());
        EXPECT_EQ(control(root, {{"command", "status"}})["ok"], true);
        if (row.verdict == 'c') {
            SimTestClient smc(server.smcSocket());
            ASSERT_EQ(smc.open(), iokit::kIOReturnSuccess);
            EXPECT_TRUE(smc.call(testing::readRequest("F0Mx", 4)).has_value()) << "the SMC hangs";
        }
    }
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
    RunningServer server(serving(PeerPolicy::only({::getuid() + 1})));
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
    RunningServer server(serving(PeerPolicy::everyone(), dir));
    SimTestClient client(server.smcSocket());
    EXPECT_EQ(client.open(), iokit::kIOReturnSuccess);

    asio::io_context io;
    SimulatedSMC smc(testing::fixtureProfile());
    SimServerOptions options;
    options.directory = dir;
    EXPECT_THROW(SimServer(io, smc, options), std::runtime_error) << "a live server";
    EXPECT_TRUE(std::filesystem::exists(server.smcSocket())) << "the live server keeps its sockets";

    const std::filesystem::path other = makeTempDir();
    std::ofstream(other / wire::kHIDSocketName) << "not a socket";
    options.directory = other;
    EXPECT_THROW(SimServer(io, smc, options), std::runtime_error);
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
    EXPECT_THROW(SimServer(io, smc, {dir, PeerPolicy{}, PeerPolicy{}, 100ms}), std::system_error);
    EXPECT_TRUE(std::filesystem::is_empty(dir));
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace zephrane::sim
