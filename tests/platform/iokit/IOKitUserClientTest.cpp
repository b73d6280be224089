#include "platform/iokit/IOKitUserClient.hpp"

#include <array>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <future>
#include <memory>
#include <thread>

#include <gtest/gtest.h>
#include <pthread.h>
#include <unistd.h>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "platform/iokit/SocketPaths.hpp"
#include "platform/oslog/OSLog.hpp"
#include "tests/platform/iokit/HandMadeKeyTable.hpp"
#include "tests/platform/iokit/UnixTestServer.hpp"

namespace zephrane::iokit {
namespace {

using testing::answerPayload;
using testing::bigEndian32;
using testing::eventually;
using testing::FrameLog;
using testing::TempDirectory;
using testing::UnixTestServer;

constexpr std::uint32_t kHangSelector = 99;

void clearEnvironment() {
    ::unsetenv("ZEPHRANE_SMC_SOCKET");
    ::unsetenv("ZEPHRANE_HID_SOCKET");
    ::unsetenv("ZEPHRANE_SIM_DIR");
    ::unsetenv("ZEPHRANE_SMC_DEADLINE_MS");
}

TEST(SocketPaths, EnvironmentPicksTheSocket) {
    struct Case {
        const char* name;
        const char* overridePath;
        const char* directory;
        const char* smc;
        const char* hid;
    };
    const Case cases[] = {
        {"nothing set: the system directory", nullptr, nullptr, "/run/zephrane/AppleSMC.sock", "/run/zephrane/HID.sock"},
        {"empty variables count as unset", "", "", "/run/zephrane/AppleSMC.sock", "/run/zephrane/HID.sock"},
        {"directory without a trailing slash", nullptr, "/tmp/sim", "/tmp/sim/AppleSMC.sock", "/tmp/sim/HID.sock"},
        {"directory with a trailing slash", nullptr, "/tmp/sim/", "/tmp/sim/AppleSMC.sock", "/tmp/sim/HID.sock"},
        {"socket override beats the directory", "/tmp/x.sock", "/tmp/sim", "/tmp/x.sock", "/tmp/x.sock"},
    };
    for (const auto& c : cases) {
        clearEnvironment();
        if (c.directory) ::setenv("ZEPHRANE_SIM_DIR", c.directory, 1);
        if (c.overridePath) {
            ::setenv("ZEPHRANE_SMC_SOCKET", c.overridePath, 1);
            ::setenv("ZEPHRANE_HID_SOCKET", c.overridePath, 1);
        }
        EXPECT_EQ(smcSocketPath(), c.smc) << c.name;
        EXPECT_EQ(hidSocketPath(), c.hid) << c.name;
    }
    clearEnvironment();
}

class IOKitUserClient : public ::testing::Test {
protected:
    void SetUp() override {
        clearEnvironment();
        socketPath_ = directory_.path("AppleSMC.sock");
        ::setenv("ZEPHRANE_SMC_SOCKET", socketPath_.c_str(), 1);
    }
    void TearDown() override { clearEnvironment(); }

    // Serves a scripted SMC whose calls echo the request record with the
    // result byte set to 0x11, except: selector 99 hangs until the client
    // goes away. `keyTable` is handed over with the open's answer.
    std::unique_ptr<UnixTestServer> serveEcho(std::int32_t openCode = kIOReturnSuccess, int keyTable = -1) {
        return serve(
            openCode,
            [this](const std::vector<std::uint8_t>& request,
                   UnixTestServer::Peer& peer) -> std::optional<std::vector<std::uint8_t>> {
                if (testing::readBigEndian32(std::span(request).subspan(1, 4)) == kHangSelector) {
                    hungCalls_.fetch_add(1);
                    peer.waitForClose();
                    return std::nullopt;
                }
                std::vector<std::uint8_t> record(request.begin() + 5, request.end());
                if (record.size() > 40) record[40] = 0x11;
                return answerPayload(kIOReturnSuccess, record);
            },
            keyTable);
    }

    std::unique_ptr<UnixTestServer> serve(std::int32_t openCode, testing::CallScript onCall, int keyTable = -1) {
        return std::make_unique<UnixTestServer>(socketPath_,
                                                testing::scriptedSMC(openCode, std::move(onCall), log_, keyTable));
    }

    io_connect_t open() {
        const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
        EXPECT_NE(service, IO_OBJECT_NULL);
        io_connect_t connection = IO_OBJECT_NULL;
        EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, &connection), kIOReturnSuccess);
        EXPECT_EQ(IOObjectRelease(service), kIOReturnSuccess);
        return connection;
    }

    static kern_return_t call(io_connect_t connection, std::uint32_t selector, std::span<const std::uint8_t> input,
                              std::array<std::uint8_t, 80>& output, std::size_t& outputSize) {
        outputSize = output.size();
        return IOConnectCallStructMethod(connection, selector, input.data(), input.size(), output.data(), &outputSize);
    }

    TempDirectory directory_;
    std::string socketPath_;
    std::shared_ptr<FrameLog> log_ = std::make_shared<FrameLog>();
    std::atomic<int> hungCalls_{0};
};

std::array<std::uint8_t, 80> numberedRecord() {
    std::array<std::uint8_t, 80> record{};
    for (std::size_t i = 0; i < record.size(); ++i) record[i] = static_cast<std::uint8_t>(i + 1);
    return record;
}

TEST_F(IOKitUserClient, AppleSMCExistsExactlyWhileItsSocketFileDoes) {
    const MatchingDictionary smc = IOServiceMatching("AppleSMC");
    EXPECT_EQ(IOServiceGetMatchingService(kIOMainPortDefault, smc), IO_OBJECT_NULL) << "no file";

    std::ofstream(socketPath_) << "not a socket";
    EXPECT_EQ(IOServiceGetMatchingService(kIOMainPortDefault, smc), IO_OBJECT_NULL) << "a plain file";
    std::remove(socketPath_.c_str());

    auto server = serveEcho();
    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, smc);
    EXPECT_NE(service, IO_OBJECT_NULL);
    EXPECT_EQ(IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMCx")), IO_OBJECT_NULL);
    EXPECT_EQ(IOObjectRelease(service), kIOReturnSuccess);
    EXPECT_EQ(IOObjectRelease(service), kIOReturnBadArgument) << "released twice";
}

TEST_F(IOKitUserClient, OpenSendsTheConnectionTypeAndKeepsTheConnection) {
    auto server = serveEcho();
    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    io_connect_t connection = IO_OBJECT_NULL;
    ASSERT_EQ(IOServiceOpen(service, mach_task_self(), 0x01020304, &connection), kIOReturnSuccess);
    IOObjectRelease(service);
    EXPECT_NE(connection, IO_OBJECT_NULL);
    ASSERT_TRUE(eventually([&] { return log_->size() == 1; }));
    EXPECT_EQ(log_->frames()[0], (std::vector<std::uint8_t>{wire::kOpOpen, 1, 2, 3, 4}));
    EXPECT_EQ(IOServiceClose(connection), kIOReturnSuccess);
    EXPECT_TRUE(server->waitForFinishedHandlers(1)) << "closing ends the server's connection";
}

TEST_F(IOKitUserClient, OpenFailuresCarryAKernelCodeAndLeaveNothingOpen) {
    const io_connect_t untouched = 4242;

    {  // the simulator refuses with its own code, which passes through
        auto server = serveEcho(kIOReturnNotPrivileged);
        const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
        io_connect_t connection = untouched;
        EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, &connection), kIOReturnNotPrivileged);
        EXPECT_EQ(connection, untouched);
        EXPECT_TRUE(server->waitForFinishedHandlers(1));
        IOObjectRelease(service);
    }
    {  // the simulator dies during the handshake
        auto dying = std::make_unique<UnixTestServer>(socketPath_, [](UnixTestServer::Peer& peer) { peer.readFrame(); });
        const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
        io_connect_t connection = untouched;
        EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, &connection), kIOReturnNotResponding);
        EXPECT_EQ(connection, untouched);
        IOObjectRelease(service);
    }
    {  // the socket file outlived its server: nobody listens
        std::remove(socketPath_.c_str());
        auto server = serveEcho();
        const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
        server.reset();  // the file stays, the listener is gone
        io_connect_t connection = untouched;
        EXPECT_EQ(IOServiceOpen(service, mach_task_self(), 0, &connection), kIOReturnNoDevice);
        EXPECT_EQ(connection, untouched);
        IOObjectRelease(service);
    }
    io_connect_t connection = untouched;
    EXPECT_EQ(IOServiceOpen(12345678, mach_task_self(), 0, &connection), kIOReturnBadArgument) << "no such service";
}

TEST_F(IOKitUserClient, CallSendsSelectorAndRecordAndReportsTheAnswerSize) {
    struct Case {
        const char* name;
        std::size_t recordBytes;
        kern_return_t code;
        kern_return_t expected;
        std::size_t expectedSize;
    };
    const Case cases[] = {
        {"full answer", 80, kIOReturnSuccess, kIOReturnSuccess, 80},
        {"short answer is a success with a smaller size", 79, kIOReturnSuccess, kIOReturnSuccess, 79},
        {"empty answer", 0, kIOReturnSuccess, kIOReturnSuccess, 0},
        {"failing code passes through, size 0", 0, kIOReturnBadArgument, kIOReturnBadArgument, 0},
        {"failing code with stray bytes still fails", 80, kIOReturnUnsupported, kIOReturnUnsupported, 0},
        {"answer larger than the buffer", 81, kIOReturnSuccess, kIOReturnOverrun, 0},
    };
    std::atomic<const Case*> current = nullptr;
    auto server = serve(kIOReturnSuccess, [&current](const std::vector<std::uint8_t>&, UnixTestServer::Peer&) {
        const Case* c = current.load();
        std::vector<std::uint8_t> record(c->recordBytes, 0xAB);
        return std::optional(answerPayload(c->code, record));
    });
    const io_connect_t connection = open();
    const auto request = numberedRecord();
    for (const auto& c : cases) {
        current = &c;
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        EXPECT_EQ(call(connection, 2, request, output, size), c.expected) << c.name;
        EXPECT_EQ(size, c.expectedSize) << c.name;
        if (c.expected == kIOReturnSuccess) {
            for (std::size_t i = 0; i < c.expectedSize; ++i) ASSERT_EQ(output[i], 0xAB) << c.name;
        }
    }
    const auto frames = log_->frames();
    ASSERT_EQ(frames.size(), 1 + std::size(cases));
    std::vector<std::uint8_t> expected{wire::kOpCall, 0, 0, 0, 2};
    expected.insert(expected.end(), request.begin(), request.end());
    EXPECT_EQ(frames[1], expected) << "operation, big-endian selector, the record as given";
    IOServiceClose(connection);
}

TEST_F(IOKitUserClient, CallsOnAClosedOrUnknownHandleAreNotOpen) {
    auto server = serveEcho();
    const io_connect_t connection = open();
    ASSERT_EQ(IOServiceClose(connection), kIOReturnSuccess);
    EXPECT_EQ(IOServiceClose(connection), kIOReturnBadArgument) << "closed twice";

    const auto request = numberedRecord();
    for (io_connect_t handle : {connection, IO_OBJECT_NULL, io_connect_t{987654}}) {
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        EXPECT_EQ(call(handle, 2, request, output, size), kIOReturnNotOpen) << handle;
        EXPECT_EQ(size, 0u);
    }
    EXPECT_EQ(log_->size(), 1u) << "only the open reached the simulator";
}

TEST_F(IOKitUserClient, ADeadSimulatorIsNotRespondingForGood) {
    const auto request = numberedRecord();
    std::array<std::uint8_t, 80> output{};
    std::size_t size = 0;
    {  // gone before the call: the request meets a closed socket, which must
       // not raise SIGPIPE (that would end this test program)
        auto server = std::make_unique<UnixTestServer>(socketPath_, [](UnixTestServer::Peer& peer) {
            peer.readFrame();
            peer.writeFrame(bigEndian32(kIOReturnSuccess));
        });
        const io_connect_t connection = open();
        ASSERT_TRUE(server->waitForFinishedHandlers(1));
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnNotResponding);
        EXPECT_EQ(size, 0u);
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnNotResponding) << "stays dead";
        EXPECT_EQ(IOServiceClose(connection), kIOReturnSuccess);
    }
    {  // dies after reading the request
        auto server = serve(kIOReturnSuccess, [](const std::vector<std::uint8_t>&, UnixTestServer::Peer&) {
            return std::optional<std::vector<std::uint8_t>>{};
        });
        const io_connect_t connection = open();
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnNotResponding);
        server->stop();
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnNotResponding) << "stays dead";
        EXPECT_EQ(IOServiceClose(connection), kIOReturnSuccess);
    }
}

TEST_F(IOKitUserClient, MalformedAnswersBreakTheConnection) {
    struct Case {
        const char* name;
        std::vector<std::uint8_t> raw;  // written instead of an answer frame
    };
    const Case cases[] = {
        {"length past the wire's limit", bigEndian32(static_cast<std::uint32_t>(wire::kMaxPayload) + 1)},
        {"length of 4 GiB", bigEndian32(0xFFFFFFFF)},
        {"payload too short for a return code", {0, 0, 0, 2, 0, 0}},
    };
    for (const auto& c : cases) {
        auto server = serve(kIOReturnSuccess, [&c](const std::vector<std::uint8_t>&, UnixTestServer::Peer& peer) {
            peer.writeRaw(c.raw);
            peer.waitForClose();
            return std::optional<std::vector<std::uint8_t>>{};
        });
        const io_connect_t connection = open();
        const auto request = numberedRecord();
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnError) << c.name;
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnNotResponding) << c.name;
        EXPECT_TRUE(server->waitForFinishedHandlers(1)) << c.name << ": the client closed its end";
        IOServiceClose(connection);
    }
}

TEST_F(IOKitUserClient, BadArgumentsAreRefusedBeforeAnythingIsSent) {
    auto server = serveEcho();
    const io_connect_t connection = open();
    std::array<std::uint8_t, 80> output{};
    std::size_t size = output.size();
    const std::vector<std::uint8_t> huge(wire::kMaxPayload, 0);
    EXPECT_EQ(IOConnectCallStructMethod(connection, 2, huge.data(), huge.size(), output.data(), &size),
              kIOReturnBadArgument);
    EXPECT_EQ(IOConnectCallStructMethod(connection, 2, nullptr, 80, output.data(), &size), kIOReturnBadArgument);
    EXPECT_EQ(IOConnectCallStructMethod(connection, 2, output.data(), 80, output.data(), nullptr),
              kIOReturnBadArgument);
    EXPECT_EQ(log_->size(), 1u);
    IOServiceClose(connection);
}

TEST_F(IOKitUserClient, AHungCallBlocksOnlyItsOwnConnection) {
    auto server = serveEcho();
    const io_connect_t hung = open();
    const io_connect_t other = open();
    const auto request = numberedRecord();

    auto stuck = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        return call(hung, kHangSelector, request, output, size);
    });
    ASSERT_TRUE(eventually([&] { return hungCalls_.load() == 1; }));

    std::array<std::uint8_t, 80> output{};
    std::size_t size = 0;
    EXPECT_EQ(call(other, 2, request, output, size), kIOReturnSuccess);
    EXPECT_EQ(size, 80u);
    EXPECT_EQ(output[40], 0x11);
    EXPECT_EQ(stuck.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);

    // Closing the hung connection releases its caller.
    EXPECT_EQ(IOServiceClose(hung), kIOReturnSuccess);
    ASSERT_EQ(stuck.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(stuck.get(), kIOReturnNotResponding);
    EXPECT_EQ(call(other, 2, request, output, size), kIOReturnSuccess) << "the other connection is unaffected";
    IOServiceClose(other);
}

// A simulator that never answers (stopped, or a call its fault hangs)
// costs an open or a call its deadline and no more: each fails as not
// responding, and a connection whose call ran out of time stays dead.
TEST_F(IOKitUserClient, OpensAndCallsTheSimulatorNeverAnswersFailAtTheirDeadline) {
    using Clock = std::chrono::steady_clock;
    constexpr auto kDeadline = std::chrono::milliseconds(300);
    ::setenv("ZEPHRANE_SMC_DEADLINE_MS", "300", 1);
    const auto request = numberedRecord();
    {
        auto server = serveEcho();
        const io_connect_t connection = open();
        auto stuck = std::async(std::launch::async, [&] {
            std::array<std::uint8_t, 80> output{};
            std::size_t size = 0;
            const auto start = Clock::now();
            const kern_return_t code = call(connection, kHangSelector, request, output, size);
            return std::pair(code, Clock::now() - start);
        });
        const bool ended = stuck.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
        if (!ended) server->stop();  // releases the call, which would wait for ever
        ASSERT_TRUE(ended) << "the call waited past its deadline";
        const auto [code, waited] = stuck.get();
        EXPECT_EQ(code, kIOReturnNotResponding);
        EXPECT_GE(waited, kDeadline - std::chrono::milliseconds(50));
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        EXPECT_EQ(call(connection, 2, request, output, size), kIOReturnNotResponding) << "it stays dead";
        IOServiceClose(connection);
    }

    // A simulator that takes the connection and never answers the open.
    UnixTestServer mute(socketPath_, [](UnixTestServer::Peer& peer) {
        if (peer.readFrame()) peer.waitForClose();
    });
    const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
    auto opening = std::async(std::launch::async, [service] {
        io_connect_t connection = IO_OBJECT_NULL;
        return IOServiceOpen(service, mach_task_self(), 0, &connection);
    });
    const bool answered = opening.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
    if (!answered) mute.stop();
    ASSERT_TRUE(answered) << "the open waited past its deadline";
    EXPECT_EQ(opening.get(), kIOReturnNotResponding);
    IOObjectRelease(service);
}

std::array<std::uint8_t, 80> readRecord(std::string_view key, std::uint8_t command = 5) {
    std::array<std::uint8_t, 80> record{};
    const std::uint32_t code = testing::code(key);
    std::memcpy(record.data(), &code, 4);
    record[42] = command;
    return record;
}

TEST_F(IOKitUserClient, ReadsComeFromAHandedOverKeyTableAndEverythingElseGoesOverTheSocket) {
    testing::HandMadeSegment table({{"F0Ac", 4, {0x00, 0x40, 0x9c, 0x45}}});
    auto server = serveEcho(kIOReturnSuccess, table.sealed().fd());
    const io_connect_t connection = open();
    std::array<std::uint8_t, 80> output{};
    std::size_t size = 0;

    ASSERT_EQ(call(connection, 2, readRecord("F0Ac"), output, size), kIOReturnSuccess);
    EXPECT_EQ(size, 80u);
    EXPECT_EQ(output[40], 0) << "the table's answer, not the echo";
    EXPECT_EQ(output[49], 0x40);
    ASSERT_EQ(call(connection, 2, readRecord("F0Ac", 9), output, size), kIOReturnSuccess);
    EXPECT_EQ(output[28], 4);
    EXPECT_EQ(log_->size(), 1u) << "only the open reached the simulator";

    struct Row {
        const char* edge;
        std::uint32_t selector;
        std::array<std::uint8_t, 80> record;
        std::size_t inputSize;
        std::size_t capacity;
    } rows[] = {
        {"a write", 2, readRecord("F0Ac", 6), 80, 80},
        {"another selector", 5, readRecord("F0Ac"), 80, 80},
        {"a short request", 2, readRecord("F0Ac"), 79, 80},
        {"a buffer too small for the answer", 2, readRecord("F0Ac"), 80, 79},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        const std::size_t before = log_->size();
        size = row.capacity;
        IOConnectCallStructMethod(connection, row.selector, row.record.data(), row.inputSize, output.data(), &size);
        EXPECT_EQ(log_->size(), before + 1) << "went over the socket";
    }

    table.header->onSocket = 1;
    ASSERT_EQ(call(connection, 2, readRecord("F0Ac"), output, size), kIOReturnSuccess);
    EXPECT_EQ(output[40], 0x11) << "the simulator asked to see reads again";
    IOServiceClose(connection);
}

// A simulator killed without a word leaves its table mapped and its lease
// running (an hour here): the moment its socket hangs up, reads stop coming
// from the table, and fail as the simulator's socket does.
TEST_F(IOKitUserClient, AKeyTableIsReadNoMoreOnceItsSimulatorHasHungUp) {
    testing::HandMadeSegment table({{"F0Ac", 4, {0x00, 0x40, 0x9c, 0x45}}});
    const int descriptor = table.sealed().fd();
    std::promise<void> hangUp;
    std::shared_future<void> hungUp = hangUp.get_future().share();
    UnixTestServer server(socketPath_, [descriptor, hungUp](UnixTestServer::Peer& peer) {
        if (!peer.readFrame()) return;
        peer.writeFrame(answerPayload(kIOReturnSuccess), descriptor);
        hungUp.wait();  // then the connection closes
    });
    const io_connect_t connection = open();
    std::array<std::uint8_t, 80> output{};
    std::size_t size = 0;
    ASSERT_EQ(call(connection, 2, readRecord("F0Ac"), output, size), kIOReturnSuccess);
    EXPECT_EQ(output[49], 0x40) << "from the table";

    hangUp.set_value();
    ASSERT_TRUE(server.waitForFinishedHandlers(1));
    EXPECT_TRUE(eventually([&] { return call(connection, 2, readRecord("F0Ac"), output, size) != kIOReturnSuccess; }))
        << "the table of a simulator that hung up was still read";
    EXPECT_EQ(call(connection, 2, readRecord("F0Ac"), output, size), kIOReturnNotResponding);
    IOServiceClose(connection);
}

// The state letter /proc gives a thread of this process: 'S' while it
// sleeps, on a lock for instance.
char threadState(pid_t thread) {
    std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t nameEnd = line.rfind(')');
    return nameEnd == std::string::npos || nameEnd + 2 >= line.size() ? '?' : line[nameEnd + 2];
}

// A read the table answers needs no round trip, yet a call hung on the same
// connection holds it up, as it held up every call behind it before there
// was a table; other connections read on.
TEST_F(IOKitUserClient, AHungCallHoldsUpTheTableReadsOfItsOwnConnection) {
    testing::HandMadeSegment table({{"F0Ac", 4, {0x00, 0x40, 0x9c, 0x45}}});
    auto server = serveEcho(kIOReturnSuccess, table.sealed().fd());
    const io_connect_t hung = open();
    const io_connect_t other = open();

    auto stuck = std::async(std::launch::async, [&] {
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        return call(hung, kHangSelector, numberedRecord(), output, size);
    });
    ASSERT_TRUE(eventually([&] { return hungCalls_.load() == 1; }));

    std::atomic<pid_t> readerThread{0};
    auto heldUp = std::async(std::launch::async, [&] {
        readerThread = ::gettid();
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        return call(hung, 2, readRecord("F0Ac"), output, size);
    });
    // Asleep behind the hung call, or answered already (the fault).
    ASSERT_TRUE(eventually([&] {
        return heldUp.wait_for(std::chrono::milliseconds(0)) == std::future_status::ready ||
               (readerThread.load() != 0 && threadState(readerThread.load()) == 'S');
    }));
    EXPECT_EQ(heldUp.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout)
        << "the read went past the hung call";

    std::array<std::uint8_t, 80> output{};
    std::size_t size = 0;
    ASSERT_EQ(call(other, 2, readRecord("F0Ac"), output, size), kIOReturnSuccess);
    EXPECT_EQ(output[40], 0) << "the other connection reads from its table";

    // Closing the hung connection releases both of its callers.
    EXPECT_EQ(IOServiceClose(hung), kIOReturnSuccess);
    ASSERT_EQ(stuck.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(stuck.get(), kIOReturnNotResponding);
    ASSERT_EQ(heldUp.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(heldUp.get(), kIOReturnNotResponding);
    IOServiceClose(other);
}

// An older simulator hands over no table, and a descriptor may be one this
// side cannot use: every call then goes over the socket, as it always did,
// and the log says so once for the simulator, not once per connection.
TEST_F(IOKitUserClient, WithoutAUsableKeyTableEveryCallGoesOverTheSocketSaidOnce) {
    oslog::CaptureSink capture;
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    testing::HandMadeSegment unsealed({{"F0Ac", 4, {1, 2, 3, 4}}});
    struct Row {
        const char* edge;
        int keyTable;
    } rows[] = {
        {"none handed over", -1},
        {"a pipe", pipeEnds[0]},
        {"a table that could shrink under the mapping", unsealed.fd()},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        auto server = serveEcho(kIOReturnSuccess, row.keyTable);
        const io_connect_t connection = open();
        const std::size_t before = log_->size();
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        ASSERT_EQ(call(connection, 2, readRecord("F0Ac"), output, size), kIOReturnSuccess);
        EXPECT_EQ(output[40], 0x11) << "the simulator's answer";
        EXPECT_EQ(log_->size(), before + 1);
        IOServiceClose(connection);
    }
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);

    const auto lines = capture.records("com.zephrane.iokit", "AppleSMC");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].level, oslog::Level::debug);
    EXPECT_EQ(lines[0].message, "the key table of \"" + socketPath_ +
                                    "\" is not mapped (the simulator shares none); SMC reads go over the socket");
}

// Signals that land while a call waits for its answer are not failures.
TEST_F(IOKitUserClient, InterruptedSystemCallsAreResumed) {
    struct sigaction action {};
    action.sa_handler = [](int) {};
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: recv and send really return EINTR
    struct sigaction previous {};
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);

    std::promise<void> release;
    auto released = release.get_future().share();
    std::atomic<bool> answering{false};
    auto server = serve(kIOReturnSuccess, [&](const std::vector<std::uint8_t>& request, UnixTestServer::Peer& peer) {
        answering = true;
        released.wait_for(std::chrono::seconds(10));  // bounded, so a failed test still ends
        // Half an answer, then the rest: the client must keep reading.
        std::vector<std::uint8_t> answer = answerPayload(kIOReturnSuccess, std::span(request).subspan(5));
        std::vector<std::uint8_t> frame = bigEndian32(static_cast<std::uint32_t>(answer.size()));
        frame.insert(frame.end(), answer.begin(), answer.end());
        peer.writeRaw(std::span(frame).first(30));
        std::this_thread::yield();
        peer.writeRaw(std::span(frame).subspan(30));
        return std::optional<std::vector<std::uint8_t>>{std::nullopt};  // then hang up
    });
    const io_connect_t connection = open();
    const auto request = numberedRecord();

    std::promise<pthread_t> callerThread;
    auto caller = std::async(std::launch::async, [&] {
        callerThread.set_value(::pthread_self());
        std::array<std::uint8_t, 80> output{};
        std::size_t size = 0;
        const kern_return_t code = call(connection, 2, request, output, size);
        return std::make_tuple(code, size, output);
    });
    const pthread_t thread = callerThread.get_future().get();
    ASSERT_TRUE(eventually([&] { return answering.load(); }));
    for (int i = 0; i < 20; ++i) {
        ::pthread_kill(thread, SIGUSR1);
        std::this_thread::yield();
    }
    release.set_value();
    ASSERT_EQ(caller.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    const auto [code, size, output] = caller.get();
    EXPECT_EQ(code, kIOReturnSuccess);
    EXPECT_EQ(size, 80u);
    EXPECT_EQ(output, request);
    IOServiceClose(connection);
    ::sigaction(SIGUSR1, &previous, nullptr);
}

}  // namespace
}  // namespace zephrane::iokit
