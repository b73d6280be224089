// The service's end: what a handler sees, what every request gets back, and
// what a hostile or vanishing peer gets.
#include "platform/xpc/Connection.hpp"

#include <sys/wait.h>

#include <cmath>
#include <limits>
#include <utility>

#include <gtest/gtest.h>

#include "DescriptorTable.hpp"
#include "XPCTestSupport.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc::test {
namespace {

std::shared_ptr<ClientConnection> connectedClient(const TempDir& dir, IoThread& thread) {
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, thread.executor()));
    client->resume();
    return client;
}

TEST(Connection, EchoesEveryKindOfValueAcrossARealConnection) {
    TempDir dir;
    TestService service(dir);
    IoThread clientThread;
    auto client = connectedClient(dir, clientThread);
    Outcomes outcomes;
    auto proxy = client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0));
    const Error error{"com.zephrane.Fanwarden", 1003, "hardware write failed: keyNotFound(\"F0Md\")"};
    const Values sent{Value(std::numeric_limits<std::int64_t>::max()), Value(-0.0), Value(true), Value(""), Value(error)};
    proxy.send("echoAll:", sent, outcomes.replyFor(0));
    const Values withNaN{Value(std::numeric_limits<std::int64_t>::min()),
                         Value(std::numeric_limits<double>::quiet_NaN()), Value(false), Value("x"), Value(Error{})};
    client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(1)).send("echoAll:", withNaN, outcomes.replyFor(1));
    ASSERT_TRUE(outcomes.waitForAnswers(2));

    Values expected = sent;
    expected.emplace_back();
    EXPECT_EQ(outcomes.at(0).replies, 1);
    EXPECT_EQ(outcomes.at(0).reply, expected);
    EXPECT_TRUE(std::signbit(*outcomes.at(0).reply[1].float64()));
    ASSERT_EQ(outcomes.at(1).replies, 1);
    EXPECT_TRUE(std::isnan(*outcomes.at(1).reply[1].float64()));
    EXPECT_EQ(outcomes.at(1).reply[4], Value(Error{}));
}

TEST(Connection, CurrentNamesTheConnectionWhoseMessageIsHandled) {
    TempDir dir;
    TestService service(dir);
    IoThread clientThread;
    auto first = connectedClient(dir, clientThread);
    auto second = connectedClient(dir, clientThread);
    Outcomes outcomes;
    first->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("whoami", {}, outcomes.replyFor(0));
    ASSERT_TRUE(outcomes.waitForAnswers(1));
    second->remoteObjectProxyWithErrorHandler(outcomes.errorFor(1)).send("whoami", {}, outcomes.replyFor(1));
    ASSERT_TRUE(outcomes.waitForAnswers(2));

    const auto accepted = service.accepted();
    ASSERT_EQ(accepted.size(), 2u);
    EXPECT_EQ(outcomes.at(0).reply, Values{Value(static_cast<std::int64_t>(accepted[0].value))});
    EXPECT_EQ(outcomes.at(1).reply, Values{Value(static_cast<std::int64_t>(accepted[1].value))});
    EXPECT_NE(accepted[0], accepted[1]);
    EXPECT_FALSE(Connection::current());  // only during a handler
}

// Each request gets exactly one answer whatever its handler does, and a
// reply that comes after its connection ended reaches nobody.
TEST(Connection, EveryRequestGetsExactlyOneAnswer) {
    TempDir dir;
    TestService service(dir);
    IoThread clientThread;
    auto client = connectedClient(dir, clientThread);
    Outcomes outcomes;
    const struct {
        const char* selector;
        bool replied;
    } rows[] = {
        {"whoami", true},       // the handler replies
        {"drop", false},        // the handler lets the reply go
        {"throw", false},       // the handler throws
        {"big", false},         // the reply is over the frame limit
        {"badReply", false},    // the reply does not match the interface
        {"hold", true},         // the reply comes later, from another thread
        {"nosuch", false},      // not in the interface
    };
    int index = 0;
    for (const auto& row : rows) {
        client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(index)).send(row.selector, {}, outcomes.replyFor(index));
        ++index;
    }
    ASSERT_TRUE(service.waitForHeld(1));
    std::thread([held = service.takeHeld()]() mutable { held.front()({Value()}); }).join();
    ASSERT_TRUE(outcomes.waitForAnswers(index));
    drain(clientThread.executor());

    index = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.selector);
        const auto outcome = outcomes.at(index++);
        EXPECT_EQ(outcome.replies + outcome.errors, 1);
        EXPECT_EQ(outcome.replies, row.replied ? 1 : 0);
        if (!row.replied) {
            EXPECT_EQ(outcome.error.code, cocoa::replyInvalid) << outcome.error.description;
        }
    }
    EXPECT_EQ(outcomes.at(3).error.description, "no valid reply: the reply is over the frame limit");
}

TEST(Connection, AReplyAfterTheConnectionEndedIsHarmless) {
    TempDir dir;
    TestService service(dir);
    IoThread clientThread;
    auto client = connectedClient(dir, clientThread);
    Outcomes outcomes;
    client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("hold", {}, outcomes.replyFor(0));
    ASSERT_TRUE(service.waitForHeld(1));
    const ConnectionId id = service.accepted().at(0);

    service.connection(id)->invalidate();  // the connection dies with the request in hand
    ASSERT_TRUE(outcomes.waitForAnswers(1));
    EXPECT_EQ(outcomes.at(0).error.code, cocoa::connectionInterrupted);
    service.takeHeld().front()({Value()});
    if (auto connection = service.connection(id)) connection->invalidate();
    drain(service.executor());
    drain(clientThread.executor());
    EXPECT_EQ(outcomes.answered(), 1);
    EXPECT_EQ(service.invalidations(id), 1);
}

TEST(Connection, APeerRefusedByTheRequirementNeverGetsAMessageDelivered) {
    TempDir dir;
    std::mutex seenMutex;
    std::vector<std::pair<pid_t, std::string>> seen;  // peer pid and requirement, per check
    ListenerSettings settings;
    settings.validator = [&](int fd, const std::string& requirement) -> std::optional<std::string> {
        ucred peer{};
        socklen_t length = sizeof(peer);
        ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length);
        std::lock_guard lock(seenMutex);
        seen.emplace_back(peer.pid, requirement);
        return std::string("identifier \"com.zephrane.app\" not satisfied");
    };
    TestService service(dir, settings);
    service.requirement = "identifier \"com.zephrane.app\"";
    IoThread clientThread;
    auto client = connectedClient(dir, clientThread);
    Outcomes outcomes;
    client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("whoami", {}, outcomes.replyFor(0));
    client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(1))
        .send("echoAll:", {Value(std::int64_t{1}), Value(1.0), Value(true), Value("a"), Value(Error{})},
              outcomes.replyFor(1));
    ASSERT_TRUE(outcomes.waitForAnswers(2));
    ASSERT_TRUE(service.waitForInvalidations(1));

    EXPECT_EQ(service.handlerCalls, 0);
    EXPECT_EQ(outcomes.at(0).errors, 1);
    EXPECT_EQ(outcomes.at(1).errors, 1);
    std::lock_guard lock(seenMutex);
    // One connection, or two when the client saw the first one close before
    // it sent the second message and connected again.
    ASSERT_GE(seen.size(), 1u);
    for (const auto& [pid, requirement] : seen) {
        EXPECT_EQ(pid, ::getpid());  // the check saw the real peer
        EXPECT_EQ(requirement, "identifier \"com.zephrane.app\"");
    }
}

// A peer validator whose checks a test can hold: the one after holdNext()
// waits for release() and then gives the verdict named; the others pass. A
// held check gives up waiting after the deadline, so a test that fails before
// its release() still ends.
class HeldChecks {
public:
    void holdNext(std::optional<std::string> verdict) {
        std::lock_guard lock(mutex_);
        holdNext_ = true;
        verdict_ = std::move(verdict);
    }
    bool waitUntilHolding() {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, kDeadline, [&] { return holding_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int checks() {
        std::lock_guard lock(mutex_);
        return checks_;
    }
    PeerValidator validator() {
        return [this](int, const std::string&) -> std::optional<std::string> {
            std::unique_lock lock(mutex_);
            ++checks_;
            if (!std::exchange(holdNext_, false)) return std::nullopt;
            holding_ = true;
            changed_.notify_all();
            changed_.wait_for(lock, kDeadline, [&] { return released_; });
            return verdict_;
        };
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool holdNext_ = false;
    bool holding_ = false;
    bool released_ = false;
    int checks_ = 0;
    std::optional<std::string> verdict_;
};

// The check reads what the peer chose (its executable, its mappings) and may
// be slow; the connections already admitted are served meanwhile.
TEST(Connection, ASlowPeerCheckHoldsUpNoConnectionAlreadyServed) {
    TempDir dir;
    HeldChecks held;
    ListenerSettings settings;
    settings.validator = held.validator();
    TestService service(dir, settings);
    service.requirement = "anchor apple generic";
    IoThread clientThread;
    auto admitted = connectedClient(dir, clientThread);
    Outcomes outcomes;
    admitted->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("whoami", {}, outcomes.replyFor(0));
    ASSERT_TRUE(outcomes.waitForAnswers(1));

    held.holdNext("refused once released");
    RawPeer slow(dir.socketPath());
    ASSERT_TRUE(held.waitUntilHolding());
    admitted->remoteObjectProxyWithErrorHandler(outcomes.errorFor(1)).send("whoami", {}, outcomes.replyFor(1));
    const bool answered = outcomes.waitForAnswers(2);
    held.release();
    ASSERT_TRUE(answered) << "the admitted client waited for another peer's check";
    EXPECT_EQ(outcomes.at(1).replies, 1);

    // The verdict, when it comes, still decides: refused before a byte is read.
    slow.sendMessage(wire::makeRequest(1, "whoami", {}));
    Json message;
    EXPECT_EQ(slow.read(message), RawPeer::Read::closed);
    EXPECT_EQ(service.handlerCalls, 2);
}

// A crowd that connects and leaves at once must not make the peers behind
// it wait for a check of each: one that has hung up is not checked at all.
TEST(Connection, APeerThatHungUpBeforeItsTurnIsNotChecked) {
    TempDir dir;
    HeldChecks held;
    ListenerSettings settings;
    settings.validator = held.validator();
    TestService service(dir, settings);
    service.requirement = "anchor apple generic";
    held.holdNext(std::nullopt);
    RawPeer first(dir.socketPath());
    ASSERT_TRUE(held.waitUntilHolding());
    { RawPeer leaves(dir.socketPath()); }  // connects and hangs up while the first is checked
    ASSERT_TRUE(eventually([&] { return service.accepted().size() == 2; }));
    held.release();
    ASSERT_TRUE(service.waitForInvalidations(1));
    EXPECT_TRUE(served(first));
    EXPECT_EQ(held.checks(), 1);
}

TEST(Connection, ARequirementWithoutAValidatorRefusesEveryPeer) {
    TempDir dir;
    TestService service(dir);
    service.requirement = "anchor apple generic";
    RawPeer peer(dir.socketPath());
    peer.sendMessage(wire::makeRequest(1, "whoami", {}));
    Json message;
    EXPECT_EQ(peer.read(message), RawPeer::Read::closed);
    EXPECT_EQ(service.handlerCalls, 0);
}

TEST(Connection, TheInvalidationHandlerRunsOnceWhenTheClientProcessDies) {
    TempDir dir;
    TestService service(dir);
    // Made before the fork: the child only connects, writes and leaves.
    const std::string frame = *wire::encodeFrame(wire::makeRequest(1, "hold", {}));
    const std::string path = dir.socketPath();
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, path.data(), path.size());
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) ::_exit(2);
        if (::write(fd, frame.data(), frame.size()) != static_cast<ssize_t>(frame.size())) ::_exit(3);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    ASSERT_TRUE(service.waitForInvalidations(1));
    const ConnectionId id = service.accepted().at(0);
    for (Reply& late : service.takeHeld()) late({Value()});  // a reply for the dead peer goes nowhere
    if (auto connection = service.connection(id)) connection->invalidate();
    drain(service.executor());
    EXPECT_EQ(service.invalidations(id), 1);
}

// Input no client of ours would send: each row is answered with an error
// and the connection carries on, or the connection is dropped. Either way
// the service keeps serving everyone else.
TEST(Connection, HostileInputGetsAnErrorOrADroppedConnection) {
    auto frameOf = [](const Json& message) {
        auto cbor = Json::to_cbor(message);
        std::string bytes{static_cast<char>(cbor.size() >> 24), static_cast<char>(cbor.size() >> 16),
                          static_cast<char>(cbor.size() >> 8), static_cast<char>(cbor.size())};
        return bytes + std::string(cbor.begin(), cbor.end());
    };
    auto rawFrame = [](std::string payload) {
        std::string bytes{static_cast<char>(payload.size() >> 24), static_cast<char>(payload.size() >> 16),
                          static_cast<char>(payload.size() >> 8), static_cast<char>(payload.size())};
        return bytes + payload;
    };
    std::string deep(64, '\x81');
    deep += '\x01';
    const Json args = Json::array();
    const struct {
        const char* name;
        std::string bytes;
        bool closeAfter;  // shut our side after sending
        bool answered;    // an error for id 9, else a dropped connection
    } rows[] = {
        {"truncated frame, then close", std::string("\x00\x00\x00\x64" "abc", 7), true, false},
        {"length over the limit", std::string("\x00\x01\x00\x01", 4), false, false},
        {"garbage CBOR", rawFrame("\xff\xfe\xfd"), false, false},
        {"empty payload", rawFrame(""), false, false},
        {"nested too deep", rawFrame(deep), false, false},
        {"not a map", frameOf(Json::array({9, "whoami", args})), false, false},
        {"no id", frameOf(Json{{"sel", "whoami"}, {"args", args}}), false, false},
        {"text id", frameOf(Json{{"id", "9"}, {"sel", "whoami"}, {"args", args}}), false, false},
        {"no selector", frameOf(Json{{"id", 9}, {"args", args}}), false, true},
        {"numeric selector", frameOf(Json{{"id", 9}, {"sel", 1}, {"args", args}}), false, true},
        {"no arguments", frameOf(Json{{"id", 9}, {"sel", "whoami"}}), false, true},
        {"arguments as a map", frameOf(Json{{"id", 9}, {"sel", "whoami"}, {"args", Json::object()}}), false, true},
        {"unknown selector", frameOf(Json{{"id", 9}, {"sel", "format:disk:"}, {"args", args}}), false, true},
        {"an argument too many", frameOf(Json{{"id", 9}, {"sel", "whoami"}, {"args", Json::array({1})}}), false, true},
        {"a double where an int64 goes",
         frameOf(wire::makeRequest(9, "echoAll:", {Value(1.0), Value(1.0), Value(true), Value(""), Value(Error{})})),
         false, true},
        {"an int64 where a double goes",
         frameOf(wire::makeRequest(9, "echoAll:", {Value(std::int64_t{1}), Value(std::int64_t{1}), Value(true),
                                                   Value(""), Value(Error{})})),
         false, true},
    };
    TempDir dir;
    TestService service(dir);
    IoThread clientThread;
    auto bystander = connectedClient(dir, clientThread);
    int answered = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        {
            RawPeer peer(dir.socketPath());
            peer.sendBytes(row.bytes);
            if (row.closeAfter) peer.shutdownWrite();
            Json message;
            if (row.answered) {
                ASSERT_EQ(peer.read(message), RawPeer::Read::message);
                auto response = wire::decodeResponse(message);
                ASSERT_TRUE(response);
                EXPECT_EQ(response->id, 9u);
                ASSERT_TRUE(std::holds_alternative<Error>(response->outcome));
                EXPECT_EQ(std::get<Error>(response->outcome).code, cocoa::replyInvalid);
                // The connection itself is still good.
                peer.sendMessage(wire::makeRequest(10, "whoami", {}));
                ASSERT_EQ(peer.read(message), RawPeer::Read::message);
                EXPECT_EQ(wire::decodeResponse(message)->id, 10u);
            } else {
                EXPECT_EQ(peer.read(message), RawPeer::Read::closed);
            }
        }
        Outcomes outcomes;
        bystander->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("whoami", {}, outcomes.replyFor(0));
        ASSERT_TRUE(outcomes.waitForAnswers(1));
        EXPECT_EQ(outcomes.at(0).replies, 1);
        answered += row.answered ? 1 : 0;
    }
    EXPECT_EQ(service.handlerCalls, answered + static_cast<int>(std::size(rows)));  // only the good requests ran
}

TEST(Connection, TooManyUnansweredRequestsDropTheConnection) {
    TempDir dir;
    TestService service(dir);
    RawPeer peer(dir.socketPath());
    for (std::uint64_t id = 1; id <= wire::kMaxOutstanding + 1; ++id) peer.sendMessage(wire::makeRequest(id, "hold", {}));
    Json message;
    EXPECT_EQ(peer.read(message), RawPeer::Read::closed);
    ASSERT_TRUE(service.waitForInvalidations(1));
    auto held = service.takeHeld();
    EXPECT_EQ(held.size(), wire::kMaxOutstanding);
    for (Reply& reply : held) reply({Value()});  // late, and harmless
    drain(service.executor());
    EXPECT_EQ(service.totalInvalidations(), 1);
}

TEST(Connection, AThousandConnectionsLeaveNoDescriptorBehind) {
    TempDir dir;
    TestService service(dir);
    const auto before = zephrane::test::descriptorTable(::getpid());
    ASSERT_TRUE(before);
    constexpr int kCycles = 1000;
    for (int i = 0; i < kCycles; ++i) {
        // Each client runs a thread of its own, made and ended every time.
        auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::none, clientSettings(dir));
        client->resume();
        Outcomes outcomes;
        client->remoteObjectProxyWithErrorHandler(outcomes.errorFor(0)).send("whoami", {}, outcomes.replyFor(0));
        ASSERT_TRUE(outcomes.waitForAnswers(1));
        ASSERT_EQ(outcomes.at(0).replies, 1);
        if (i % 2 == 0) client->invalidate();  // the others just go away
    }
    ASSERT_TRUE(service.waitForInvalidations(kCycles));
    // A client released by its own thread (the last reference was a callback's)
    // closes its loop's descriptors as that thread ends, a moment later.
    EXPECT_TRUE(eventually([&] { return zephrane::test::descriptorTable(::getpid()) == before; }))
        << "before:\n" << zephrane::test::describe(before) << "after:\n"
        << zephrane::test::describe(zephrane::test::descriptorTable(::getpid()));
}

}  // namespace
}  // namespace zephrane::xpc::test
