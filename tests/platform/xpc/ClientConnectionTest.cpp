// The app's end: invalidation against interruption, reconnecting, exactly
// one answer per message on every path, and the blocking send of a process
// whose event loop is gone.
#include "platform/xpc/ClientConnection.hpp"

#include <signal.h>
#include <sys/wait.h>

#include <atomic>

#include <gtest/gtest.h>

#include "XPCTestSupport.hpp"
#include "shared/JsonCoding.hpp"

namespace zephrane::xpc::test {
namespace {

struct Handlers {
    std::atomic<int> invalidated{0};
    std::atomic<int> interrupted{0};

    void attach(ClientConnection& client) {
        client.setInvalidationHandler([this] { ++invalidated; });
        client.setInterruptionHandler([this] { ++interrupted; });
    }
};

void send(ClientConnection& client, Outcomes& outcomes, int index, std::string_view selector, Values arguments = {}) {
    client.remoteObjectProxyWithErrorHandler(outcomes.errorFor(index)).send(selector, std::move(arguments),
                                                                           outcomes.replyFor(index));
}

TEST(ClientConnection, NoServiceInvalidatesOnceAndEveryLaterMessageFails) {
    TempDir dir;
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, thread.executor()));
    Handlers handlers;
    handlers.attach(*client);
    client->resume();
    Outcomes outcomes;
    send(*client, outcomes, 0, "whoami");
    send(*client, outcomes, 1, "whoami");
    ASSERT_TRUE(outcomes.waitForAnswers(2));
    drain(thread.executor());

    for (int i : {0, 1}) {
        EXPECT_EQ(outcomes.at(i).errors, 1);
        EXPECT_EQ(outcomes.at(i).error.domain, "NSCocoaErrorDomain");
        EXPECT_EQ(outcomes.at(i).error.code, cocoa::connectionInvalid);
    }
    EXPECT_NE(outcomes.at(0).error.description.find("cannot connect to"), std::string::npos)
        << outcomes.at(0).error.description;
    EXPECT_EQ(handlers.invalidated, 1);
    EXPECT_EQ(handlers.interrupted, 0);
    EXPECT_TRUE(client->sendSynchronously("whoami", {}));  // an error, not a write
}

TEST(ClientConnection, AServiceThatFailsTheRequirementIsNeverSpokenTo) {
    TempDir dir;
    TestService service(dir);
    IoThread thread;
    ClientSettings settings = clientSettings(dir, thread.executor());
    std::atomic<int> checks{0};
    settings.validator = [&](int, const std::string& requirement) -> std::optional<std::string> {
        ++checks;
        return "identifier \"" + requirement + "\" not satisfied";
    };
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged, settings);
    client->setCodeSigningRequirement("com.zephrane.Fanwarden");
    Handlers handlers;
    handlers.attach(*client);
    client->resume();
    Outcomes outcomes;
    send(*client, outcomes, 0, "whoami");
    ASSERT_TRUE(outcomes.waitForAnswers(1));
    drain(thread.executor());

    EXPECT_EQ(outcomes.at(0).error.code, cocoa::connectionInvalid);
    EXPECT_NE(outcomes.at(0).error.description.find("not satisfied"), std::string::npos);
    EXPECT_EQ(handlers.invalidated, 1);
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(service.handlerCalls, 0);
}

TEST(ClientConnection, AnInterruptedConnectionFailsWhatWasPendingAndReconnects) {
    TempDir dir;
    TestService service(dir);
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, thread.executor()));
    Handlers handlers;
    handlers.attach(*client);
    client->resume();
    Outcomes outcomes;
    send(*client, outcomes, 0, "hold");
    send(*client, outcomes, 1, "hold");
    ASSERT_TRUE(service.waitForHeld(2));

    service.connection(service.accepted().at(0))->invalidate();  // the service side goes away
    ASSERT_TRUE(outcomes.waitForAnswers(2));
    ASSERT_TRUE(eventually([&] { return handlers.interrupted == 1; }));
    for (int i : {0, 1}) EXPECT_EQ(outcomes.at(i).error.code, cocoa::connectionInterrupted);

    send(*client, outcomes, 2, "whoami");
    ASSERT_TRUE(outcomes.waitForAnswers(3));
    const auto accepted = service.accepted();
    ASSERT_EQ(accepted.size(), 2u);
    EXPECT_EQ(outcomes.at(2).reply, Values{Value(static_cast<std::int64_t>(accepted[1].value))});
    for (Reply& late : service.takeHeld()) late({Value()});
    drain(service.executor());
    drain(thread.executor());
    EXPECT_EQ(outcomes.answered(), 3);
    EXPECT_EQ(handlers.interrupted, 1);
    EXPECT_EQ(handlers.invalidated, 0);
}

// The service is a separate process, killed outright while it holds requests.
TEST(ClientConnection, AKilledServiceInterruptsThenInvalidatesWhenItCannotBeReached) {
    TempDir dir;
    const pid_t server = ::fork();  // before any thread of ours exists
    ASSERT_GE(server, 0);
    if (server == 0) {
        try {
            TestService service(dir);
            for (;;) ::pause();
        } catch (...) {
        }
        ::_exit(1);
    }
    ASSERT_TRUE(eventually([&] {
        try {
            RawPeer probe(dir.socketPath());
            return true;
        } catch (const std::exception&) {
            return false;
        }
    }));
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, thread.executor()));
    Handlers handlers;
    handlers.attach(*client);
    client->resume();
    Outcomes outcomes;
    send(*client, outcomes, 0, "whoami");
    ASSERT_TRUE(outcomes.waitForAnswers(1));
    send(*client, outcomes, 1, "hold");
    send(*client, outcomes, 2, "hold");

    ::kill(server, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(server, &status, 0), server);
    ASSERT_TRUE(outcomes.waitForAnswers(3));
    ASSERT_TRUE(eventually([&] { return handlers.interrupted == 1; }));
    EXPECT_EQ(outcomes.at(0).replies, 1);
    EXPECT_EQ(outcomes.at(1).error.code, cocoa::connectionInterrupted);
    EXPECT_EQ(outcomes.at(2).error.code, cocoa::connectionInterrupted);
    EXPECT_EQ(handlers.invalidated, 0);

    send(*client, outcomes, 3, "whoami");  // the socket file is left, nobody behind it
    ASSERT_TRUE(outcomes.waitForAnswers(4));
    drain(thread.executor());
    EXPECT_EQ(outcomes.at(3).error.code, cocoa::connectionInvalid);
    EXPECT_EQ(handlers.invalidated, 1);
    EXPECT_EQ(handlers.interrupted, 1);
}

TEST(ClientConnection, InvalidatingFailsEveryPendingMessageOnceAndReleasesTheHandlers) {
    TempDir dir;
    TestService service(dir);
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, thread.executor()));
    auto handlers = std::make_shared<Handlers>();
    std::weak_ptr<Handlers> released = handlers;
    // Handlers that hold the connection itself, as the app's do: the cycle
    // must end with the invalidation.
    client->setInvalidationHandler([handlers, client] { ++handlers->invalidated; });
    client->setInterruptionHandler([handlers, client] { ++handlers->interrupted; });
    client->resume();
    Outcomes outcomes;
    for (int i = 0; i < 3; ++i) send(*client, outcomes, i, "hold");
    ASSERT_TRUE(service.waitForHeld(3));
    client->invalidate();
    ASSERT_TRUE(outcomes.waitForAnswers(3));
    for (Reply& late : service.takeHeld()) late({Value()});
    drain(service.executor());
    send(*client, outcomes, 3, "whoami");
    ASSERT_TRUE(outcomes.waitForAnswers(4));
    drain(thread.executor());

    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(outcomes.at(i).errors, 1);
        EXPECT_EQ(outcomes.at(i).replies, 0);
        EXPECT_EQ(outcomes.at(i).error.code, cocoa::connectionInvalid);
    }
    EXPECT_EQ(outcomes.answered(), 4);
    EXPECT_EQ(handlers->invalidated, 1);
    EXPECT_EQ(handlers->interrupted, 0);
    client.reset();
    handlers.reset();
    EXPECT_TRUE(released.expired());
}

TEST(ClientConnection, ReleasingTheConnectionStillAnswersWhatWasPending) {
    TempDir dir;
    TestService service(dir);
    Outcomes outcomes;
    {
        // Its own thread: releasing it runs what is owed, then joins.
        auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::none, clientSettings(dir));
        client->resume();
        send(*client, outcomes, 0, "hold");
        send(*client, outcomes, 1, "hold");
        ASSERT_TRUE(service.waitForHeld(2));
    }
    EXPECT_EQ(outcomes.answered(), 2);
    EXPECT_EQ(outcomes.at(0).error.code, cocoa::connectionInvalid);
    EXPECT_EQ(outcomes.at(1).error.code, cocoa::connectionInvalid);
}

TEST(ClientConnection, MessagesSentBeforeResumeWaitForIt) {
    TempDir dir;
    TestService service(dir);
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::none,
                                           clientSettings(dir, thread.executor()));
    Outcomes outcomes;
    send(*client, outcomes, 0, "whoami");
    send(*client, outcomes, 1, "echoAll:", {Value(std::int64_t{4}), Value(4.0), Value(false), Value("q"), Value(Error{})});
    drain(thread.executor());
    EXPECT_EQ(outcomes.answered(), 0);
    EXPECT_TRUE(service.accepted().empty());
    client->resume();
    ASSERT_TRUE(outcomes.waitForAnswers(2));
    EXPECT_EQ(outcomes.at(0).replies, 1);
    EXPECT_EQ(outcomes.at(1).replies, 1);
    EXPECT_EQ(service.accepted().size(), 1u);
}

TEST(ClientConnection, TheRemoteInterfaceChecksRequestsBeforeTheyLeaveAndRepliesWhenTheyCome) {
    TempDir dir;
    TestService service(dir);
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::none,
                                           clientSettings(dir, thread.executor()));
    Interface remote = testInterface();
    remote.add("whoami", {{}, {ParameterType::string}});  // the client expects another reply than it gets
    client->setRemoteObjectInterface(remote);
    client->resume();
    Outcomes outcomes;
    send(*client, outcomes, 0, "nosuch");
    send(*client, outcomes, 1, "echoAll:", {Value(1.0), Value(1.0), Value(true), Value(""), Value(Error{})});
    send(*client, outcomes, 2, "whoami");
    send(*client, outcomes, 3, "echoAll:",
         {Value(std::int64_t{1}), Value(1.0), Value(true), Value(std::string(wire::kMaxFrame, 'x')), Value(Error{})});
    ASSERT_TRUE(outcomes.waitForAnswers(4));
    for (int i : {0, 1, 2, 3}) EXPECT_EQ(outcomes.at(i).error.code, cocoa::replyInvalid) << i;
    EXPECT_EQ(outcomes.at(3).error.description, "no valid reply: the request is over the frame limit");
    EXPECT_EQ(outcomes.at(1).error.description,
              "no valid reply: arguments (double, double, bool, string, error) do not match "
              "echoAll:(int64, double, bool, string, error)");
    EXPECT_EQ(service.handlerCalls, 1);  // only whoami left the client
}

// A service that answers with what no service of ours would send: the
// client drops it as an interruption, or (for a reply of the wrong types)
// fails that one message and carries on.
TEST(ClientConnection, AServiceThatAnswersNonsenseIsDropped) {
    auto frameOf = [](const Json& message) { return *wire::encodeFrame(message); };
    const Error error{"d", 1, "e"};
    Json both = wire::makeReply(1, {Value()});
    both["error"] = wire::encodeValue(error);
    const struct {
        const char* name;
        std::string answer;  // to the first request, whose id is 1
        bool dropped;
    } rows[] = {
        {"a reply to an id never sent", frameOf(wire::makeReply(99, {Value()})), true},
        {"both a reply and an error", frameOf(both), true},
        {"an error that is not an error value", frameOf(Json{{"id", 1}, {"error", "no"}}), true},
        {"garbage", std::string("\x00\x00\x00\x02\xff\xff", 6), true},
        {"a length over the limit", std::string("\x00\x10\x00\x00", 4), true},
        {"a reply of other types than declared", frameOf(wire::makeReply(1, {Value("text")})), false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const int listening = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, dir.socketPath().data(), dir.socketPath().size());
        ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
        ASSERT_EQ(::listen(listening, 4), 0);

        IoThread thread;
        auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                               clientSettings(dir, thread.executor()));
        client->setRemoteObjectInterface(testInterface());
        Handlers handlers;
        handlers.attach(*client);
        client->resume();
        Outcomes outcomes;
        send(*client, outcomes, 0, "whoami");
        send(*client, outcomes, 1, "hold");

        const int served = ::accept4(listening, nullptr, nullptr, SOCK_CLOEXEC);
        ASSERT_GE(served, 0);
        ASSERT_EQ(::send(served, row.answer.data(), row.answer.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(row.answer.size()));
        if (row.dropped) {
            ASSERT_TRUE(outcomes.waitForAnswers(2));
            ASSERT_TRUE(eventually([&] { return handlers.interrupted == 1; }));
            EXPECT_EQ(outcomes.at(0).error.code, cocoa::connectionInterrupted);
            EXPECT_EQ(outcomes.at(1).error.code, cocoa::connectionInterrupted);
        } else {
            ASSERT_TRUE(outcomes.waitForAnswers(1));
            EXPECT_EQ(outcomes.at(0).error.code, cocoa::replyInvalid);
            EXPECT_EQ(outcomes.at(0).error.description, "no valid reply: reply (string) does not match (int64)");
            const std::string hold = frameOf(wire::makeReply(2, {Value()}));
            ::send(served, hold.data(), hold.size(), MSG_NOSIGNAL);
            ASSERT_TRUE(outcomes.waitForAnswers(2));
            EXPECT_EQ(outcomes.at(1).replies, 1);
            EXPECT_EQ(handlers.interrupted, 0);
        }
        client->invalidate();
        drain(thread.executor());
        EXPECT_EQ(outcomes.answered(), 2);
        ::close(served);
        ::close(listening);
    }
}

TEST(ClientConnection, SendsSynchronouslyWithItsEventLoopStopped) {
    TempDir dir;
    TestService service(dir);
    asio::io_context io;  // before the clients: they are released first
    auto work = asio::make_work_guard(io);
    std::thread loop([&] { io.run(); });
    auto talked = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                           clientSettings(dir, io.get_executor()));
    auto fresh = ClientConnection::create(std::string(kServiceName), ConnectionOptions::privileged,
                                          clientSettings(dir, io.get_executor()));
    talked->resume();
    fresh->resume();
    Outcomes outcomes;
    send(*talked, outcomes, 0, "whoami");
    ASSERT_TRUE(outcomes.waitForAnswers(1));
    work.reset();
    io.stop();
    loop.join();

    // As an exit handler would, from a thread of its own with no loop running.
    std::optional<Error> first = invalidError("not sent");
    std::optional<Error> second = invalidError("not sent");
    std::thread([&] {
        first = talked->sendSynchronously("hold", {});
        second = fresh->sendSynchronously("hold", {});
    }).join();
    EXPECT_FALSE(first) << first->description;
    EXPECT_FALSE(second) << second->description;
    ASSERT_TRUE(service.waitForHeld(2));
    EXPECT_EQ(service.accepted().size(), 2u);
}

// Frames big enough that the socket fills and sends go through in pieces:
// the pieces of a blocking write and of a queued one must never mix, or the
// service would read garbage and drop the connection.
TEST(ClientConnection, BlockingAndQueuedWritesNeverInterleave) {
    TempDir dir;
    TestService service(dir);
    IoThread thread;
    auto client = ClientConnection::create(std::string(kServiceName), ConnectionOptions::none,
                                           clientSettings(dir, thread.executor()));
    client->resume();
    constexpr int kEach = 160;
    constexpr int kBatch = 8;  // keeps the queued bytes well under the outbox limit
    const Values payload{Value(std::int64_t{1}), Value(2.0), Value(true), Value(std::string(15000, 's')),
                         Value(Error{"d", 1, std::string(15000, 'e')})};
    Outcomes outcomes;
    std::thread queued([&] {
        for (int i = 0; i < kEach; ++i) {
            send(*client, outcomes, i, "echoAll:", payload);
            if ((i + 1) % kBatch == 0 && !outcomes.waitForAnswers(i + 1)) return;
        }
    });
    std::thread blocking([&] {
        for (int i = 0; i < kEach; ++i) EXPECT_FALSE(client->sendSynchronously("echoAll:", payload));
    });
    queued.join();
    blocking.join();
    ASSERT_TRUE(outcomes.waitForAnswers(kEach));
    for (int i = 0; i < kEach; ++i) ASSERT_EQ(outcomes.at(i).replies, 1) << outcomes.at(i).error.description;
    ASSERT_TRUE(eventually([&] { return service.handlerCalls == 2 * kEach; }));
    EXPECT_EQ(service.accepted().size(), 1u);
}

}  // namespace
}  // namespace zephrane::xpc::test
