#include "smc/IOKitSMCTransport.hpp"

#include <cstdlib>
#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "shared/FourCC.hpp"
#include "smc/SMCError.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "tests/platform/iokit/UnixTestServer.hpp"

namespace zephrane {
namespace {

using testing::answerPayload;
using testing::FrameLog;
using testing::TempDirectory;
using testing::UnixTestServer;

template <class Action>
std::optional<SMCError> errorOf(Action&& action) {
    try {
        action();
    } catch (const SMCError& error) {
        return error;
    }
    return std::nullopt;
}

class IOKitSMCTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        ::unsetenv("ZEPHRANE_SIM_DIR");
        ::setenv("ZEPHRANE_SMC_SOCKET", path_.c_str(), 1);
    }
    void TearDown() override { ::unsetenv("ZEPHRANE_SMC_SOCKET"); }

    // A scripted SMC that answers every call with `recordBytes` bytes of the
    // request record (the answer's result byte set to 0x84 when the request
    // asks about "Ftst").
    std::unique_ptr<UnixTestServer> serve(std::int32_t openCode, std::size_t recordBytes = 80,
                                          std::int32_t callCode = 0) {
        return std::make_unique<UnixTestServer>(
            path_, testing::scriptedSMC(
                       openCode,
                       [recordBytes, callCode](const std::vector<std::uint8_t>& request, UnixTestServer::Peer&) {
                           std::vector<std::uint8_t> record(request.begin() + 5, request.end());
                           const auto ftst = FourCC::code("Ftst");
                           std::uint32_t key = 0;
                           std::memcpy(&key, record.data(), sizeof key);
                           if (key == ftst) record[40] = 0x84;
                           record.resize(recordBytes);
                           return std::optional(answerPayload(callCode, callCode == 0 ? record : std::vector<std::uint8_t>{}));
                       },
                       log_));
    }

    TempDirectory directory_;
    std::string path_ = directory_.path("AppleSMC.sock");
    std::shared_ptr<FrameLog> log_ = std::make_shared<FrameLog>();
};

TEST_F(IOKitSMCTransportTest, OpeningFailsAsTheMachineSays) {
    EXPECT_EQ(errorOf([] { IOKitSMCTransport transport; }), SMCError::serviceNotFound()) << "no socket";
    EXPECT_EQ(errorOf([] { SMCKernelBridge::open(); }), SMCError::serviceNotFound()) << "the bridge passes it on";

    auto server = serve(iokit::kIOReturnNotPrivileged);
    EXPECT_EQ(errorOf([] { IOKitSMCTransport transport; }), SMCError::openFailed(iokit::kIOReturnNotPrivileged));
    EXPECT_TRUE(server->waitForFinishedHandlers(1)) << "nothing stays open";
}

TEST_F(IOKitSMCTransportTest, OneExchangeSendsSelectorTwoAndTheRecord) {
    auto server = serve(iokit::kIOReturnSuccess);
    {
        IOKitSMCTransport transport;
        SMCParamStruct request;
        request.key = FourCC::code("F0Ac");
        request.data8 = 9;
        const SMCParamStruct answer = transport.call(request);
        EXPECT_EQ(answer, request) << "the scripted SMC echoes";

        request.key = FourCC::code("Ftst");
        EXPECT_EQ(transport.call(request).result, 0x84) << "the transport leaves result bytes to the bridge";

        const auto frames = log_->frames();
        ASSERT_EQ(frames.size(), 3u);
        std::vector<std::uint8_t> expected{2, 0, 0, 0, 2};
        SMCParamStruct sent;
        sent.key = FourCC::code("F0Ac");
        sent.data8 = 9;
        const auto record = sent.image();
        expected.insert(expected.end(), record.begin(), record.end());
        EXPECT_EQ(frames[1], expected);
    }
    EXPECT_TRUE(server->waitForFinishedHandlers(1)) << "destroying the transport closes its connection";
}

TEST_F(IOKitSMCTransportTest, KernelFailuresAndShortAnswersAreCallFailures) {
    struct Case {
        const char* name;
        std::size_t recordBytes;
        std::int32_t callCode;
        SMCError expected;
    };
    const Case cases[] = {
        {"79-byte answer", 79, 0, SMCError::callFailed(iokit::kIOReturnUnderrun)},
        {"empty answer", 0, 0, SMCError::callFailed(iokit::kIOReturnUnderrun)},
        {"a write refused to an unprivileged peer", 80, iokit::kIOReturnNotPrivileged,
         SMCError::callFailed(iokit::kIOReturnNotPrivileged)},
    };
    for (const auto& c : cases) {
        auto server = serve(iokit::kIOReturnSuccess, c.recordBytes, c.callCode);
        IOKitSMCTransport transport;
        EXPECT_EQ(errorOf([&] { transport.call(SMCParamStruct{}); }), c.expected) << c.name;
    }

    auto server = serve(iokit::kIOReturnSuccess);
    IOKitSMCTransport transport;
    server->stop();
    EXPECT_EQ(errorOf([&] { transport.call(SMCParamStruct{}); }), SMCError::callFailed(iokit::kIOReturnNotResponding))
        << "the simulator went away";
}

TEST_F(IOKitSMCTransportTest, ABridgeOverTheSocketMapsResultBytes) {
    auto server = serve(iokit::kIOReturnSuccess);
    auto bridge = SMCKernelBridge::open();
    EXPECT_EQ(errorOf([&] { bridge->keyInfo("Ftst"); }), SMCError::keyNotFound("Ftst"));
    EXPECT_FALSE(bridge->hasKey("Ftst"));
}

}  // namespace
}  // namespace zephrane
