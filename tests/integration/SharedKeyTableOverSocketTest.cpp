// The SMC layer over a served machine whose key table the IOKit stand-in
// maps: reads answered from the mapping must be the firmware's answers byte
// for byte, follow the model and every write at once, never show a torn
// value, and meet every fault the way the socket did.
#include <atomic>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "platform/iokit/IOKitUserClient.hpp"
#include "platform/iokit/SimulatorProtocol.hpp"
#include "smc/SMCError.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "tests/integration/ErrorOf.hpp"
#include "tests/integration/SimulatedSMCTransport.hpp"
#include "tests/sim/RunningServer.hpp"

namespace zephrane::integration {
namespace {

using namespace std::chrono_literals;
using sim::testing::eventually;
using sim::testing::RunningServer;
using Record = std::array<std::uint8_t, 80>;

// The machine only moves when a test moves it: its own clock ticks once in
// ten seconds.
sim::SimServerOptions stillServer() {
    sim::SimServerOptions options = sim::testing::testServerOptions();
    options.tick = 10s;
    return options;
}

// A machine served in this process, with the IOKit stand-in pointed at it.
class Served {
public:
    explicit Served(const sim::MachineProfile& profile = sim::testing::builtInProfile("two-fan-laptop"))
        : server(stillServer(), profile) {
        ::setenv(std::string(iokit::wire::kSMCSocketVariable).c_str(), server.smcSocket().c_str(), 1);
    }
    ~Served() { ::unsetenv(std::string(iokit::wire::kSMCSocketVariable).c_str()); }

    // A bridge straight onto the firmware, as the reference.
    std::shared_ptr<SMCKernelBridge> direct() {
        return std::make_shared<SMCKernelBridge>(std::make_unique<SimulatedSMCTransport>(server.smc()));
    }

    RunningServer server;
};

// One raw user-client connection, as the SMC transport opens it.
class RawConnection {
public:
    RawConnection() {
        using namespace iokit;
        const io_service_t service = IOServiceGetMatchingService(kIOMainPortDefault, IOServiceMatching("AppleSMC"));
        if (IOServiceOpen(service, mach_task_self(), 0, &handle_) != kIOReturnSuccess)
            throw std::runtime_error("open failed");
        IOObjectRelease(service);
    }
    ~RawConnection() { iokit::IOServiceClose(handle_); }

    std::optional<Record> call(const sim::SMCRecord& request) const {
        Record answer{};
        std::size_t size = answer.size();
        if (iokit::IOConnectCallStructMethod(handle_, 2, request.data(), request.size(), answer.data(), &size) !=
                iokit::kIOReturnSuccess ||
            size != answer.size())
            return std::nullopt;
        return answer;
    }

private:
    iokit::io_connect_t handle_ = iokit::IO_OBJECT_NULL;
};

std::vector<sim::SMCRecord> everyRead(const sim::MachineProfile& profile) {
    std::vector<sim::SMCRecord> requests;
    for (const sim::ProfileKey& key : profile.keys) {
        requests.push_back(sim::testing::infoRequest(key.name));
        requests.push_back(sim::testing::readRequest(key.name, static_cast<std::uint32_t>(key.bytes.size())));
    }
    for (std::uint32_t i = 0; i <= profile.keys.size(); ++i) requests.push_back(sim::testing::indexRequest(i));
    requests.push_back(sim::testing::infoRequest("ZZZZ"));
    requests.push_back(sim::testing::readRequest("ZZZZ", 4));
    return requests;
}

// With the server's thread held up, nothing over the socket could be
// answered: every read below is the mapping's, and each is the firmware's
// own answer, byte for byte, for the real two-fan laptop's every key.
TEST(SharedKeyTableOverSocketTest, ReadsNeedNoRoundTripAndAreTheFirmwaresAnswers) {
    Served served;
    const sim::MachineProfile profile = sim::testing::builtInProfile("two-fan-laptop");
    const RawConnection connection;

    std::promise<void> release;
    std::atomic<bool> heldUp{false};
    std::atomic<bool> gaveUp{false};
    asio::post(served.server.io(), [&heldUp, &gaveUp, released = release.get_future()] {
        heldUp = true;
        // Bounded, so a read that went to the socket fails the test instead of hanging it.
        gaveUp = released.wait_for(20s) == std::future_status::timeout;
    });
    ASSERT_TRUE(eventually([&] { return heldUp.load(); }));
    // Past any renewal the server made before it was held up.
    served.server.smc().renewSharedKeyTableLease(1h);

    std::size_t compared = 0;
    for (const sim::SMCRecord& request : everyRead(profile)) {
        const std::optional<Record> mapped = connection.call(request);
        ASSERT_TRUE(mapped.has_value());
        EXPECT_EQ(*mapped, served.server.smc().call(request)->record)
            << FourCC::string(sim::testing::u32At(request, 0)) << " command " << int{request[42]};
        ++compared;
    }
    release.set_value();
    EXPECT_FALSE(gaveUp.load()) << "a read waited for the server";
    EXPECT_EQ(compared, 3 * profile.keys.size() + 3);
}

TEST(SharedKeyTableOverSocketTest, ReadsFollowTheModelAndEveryWriteAtOnce) {
    Served served;
    sim::SimulatedSMC& machine = served.server.smc();
    const auto bridge = SMCKernelBridge::open();

    bridge->write("Ftst", 1);
    machine.advance(3s);
    bridge->write("F0Md", 1);
    bridge->write("F0Tg", 3000);
    EXPECT_EQ(bridge->read("F0Md"), 1) << "read back on the answer's heels";
    EXPECT_EQ(bridge->read("F0Tg"), 3000);

    machine.setLoadOverride(1.0);
    machine.advance(20s);
    for (const char* key : {"F0Ac", "Tp01", "PSTR", "TB0T"}) {
        SCOPED_TRACE(key);
        EXPECT_EQ(bridge->read(key), machine.peek(key)->value.value());
    }
    EXPECT_EQ(bridge->read("F0Ac"), 3000) << "the fan reached its target";

    bridge->write("Ftst", 0);
    EXPECT_EQ(bridge->read("F0Md"), 0) << "the firmware took the fan back";
}

TEST(SharedKeyTableOverSocketTest, ARemovedKeyAShortAnswerAndARefusedOpenLookAsBefore) {
    Served served;
    sim::SimulatedSMC& machine = served.server.smc();
    const auto mapped = SMCKernelBridge::open();
    const auto direct = served.direct();
    auto walk = [](SMCKernelBridge& bridge) {
        std::vector<std::optional<SMCError>> outcomes;
        for (std::int64_t i = 0; i < 2400; i += 97) outcomes.push_back(errorOf([&] { bridge.keyAtIndex(i); }));
        return outcomes;
    };

    ASSERT_TRUE(machine.removeKey("TB0T"));
    EXPECT_EQ(errorOf([&] { mapped->read("TB0T"); }), SMCError::keyNotFound("TB0T"));
    EXPECT_EQ(mapped->keyCount(), direct->keyCount());
    EXPECT_EQ(walk(*mapped), walk(*direct));
    for (std::int64_t i = 0; i < 200; ++i) EXPECT_EQ(mapped->keyAtIndex(i), direct->keyAtIndex(i));
    machine.clearFaults();
    EXPECT_EQ(mapped->read("TB0T"), direct->read("TB0T"));
    EXPECT_EQ(mapped->keyCount(), direct->keyCount());

    machine.shortAnswerNext(10);
    EXPECT_EQ(errorOf([&] { mapped->read("F0Ac"); }), SMCError::callFailed(iokit::kIOReturnUnderrun));
    EXPECT_EQ(errorOf([&] { mapped->read("F0Ac"); }), std::nullopt) << "short once";

    machine.refuseOpens(iokit::kIOReturnNotPermitted);
    EXPECT_EQ(errorOf([] { SMCKernelBridge::open(); }), SMCError::openFailed(iokit::kIOReturnNotPermitted));
    EXPECT_EQ(errorOf([&] { mapped->read("F0Ac"); }), std::nullopt) << "an open connection reads on";
}

TEST(SharedKeyTableOverSocketTest, AHungKeyHangsItsCallerAloneUntilTheServerStops) {
    // Declared first so it is joined last, after the server has gone.
    std::jthread caller;
    Served served;
    const auto hung = SMCKernelBridge::open();
    const auto other = SMCKernelBridge::open();
    served.server.smc().hangKey("F0Tg");

    auto outcome = std::make_shared<std::promise<std::optional<SMCError>>>();
    std::future<std::optional<SMCError>> hungCall = outcome->get_future();
    caller = std::jthread([hung, outcome] { outcome->set_value(errorOf([&] { hung->read("F0Tg"); })); });
    ASSERT_TRUE(eventually([&] { return served.server.smc().unansweredCalls() == 1; })) << "the call went to the server";
    for (int i = 0; i < 50; ++i) EXPECT_EQ(other->read("FNum"), 2);
    EXPECT_EQ(hungCall.wait_for(0s), std::future_status::timeout);

    served.server.stop();
    ASSERT_EQ(hungCall.wait_for(20s), std::future_status::ready);
    EXPECT_EQ(hungCall.get(), SMCError::callFailed(iokit::kIOReturnNotResponding));
    EXPECT_EQ(errorOf([&] { other->read("FNum"); }), SMCError::callFailed(iokit::kIOReturnNotResponding))
        << "a stopped server's table is read no more";
}

// A writer hammers a 32-byte key over the socket, each value 32 equal
// bytes, while readers read it from the mapping: a reader that ever sees two
// different bytes in one value has seen a torn write.
TEST(SharedKeyTableOverSocketTest, ReadersNeverSeeATornValueWhileAWriterHammers) {
    sim::MachineProfile profile = sim::testing::fixtureProfile();
    profile.keys.push_back({"ZW32", FourCC::code("ch8*"), std::vector<std::uint8_t>(32, 1), 0xC0, true, true});
    Served served(profile);

    constexpr int kWrites = 3000;
    std::atomic<bool> writing{true};
    std::atomic<int> torn{0};
    std::atomic<int> reads{0};
    std::vector<std::jthread> readers;
    for (int r = 0; r < 3; ++r)
        readers.emplace_back([&] {
            const RawConnection connection;
            const sim::SMCRecord read = sim::testing::readRequest("ZW32", 32);
            while (writing.load()) {
                const std::optional<Record> answer = connection.call(read);
                if (!answer || (*answer)[40] != 0) {
                    ++torn;
                    continue;
                }
                for (std::size_t i = 49; i < 80; ++i)
                    if ((*answer)[i] != (*answer)[48]) {
                        ++torn;
                        break;
                    }
                ++reads;
            }
        });

    // The readers are reading before the first write and until after the last.
    ASSERT_TRUE(eventually([&] { return reads.load() >= 100; }));
    const RawConnection writer;
    for (int i = 0; i < kWrites; ++i) {
        const std::vector<std::uint8_t> value(32, static_cast<std::uint8_t>(i % 251 + 1));
        const std::optional<Record> answer = writer.call(sim::testing::request(6, "ZW32", 32, value));
        ASSERT_TRUE(answer.has_value());
        ASSERT_EQ((*answer)[40], 0);
    }
    writing = false;
    readers.clear();
    EXPECT_EQ(torn.load(), 0);
}

}  // namespace
}  // namespace zephrane::integration
