#include "sim/SMCRequestHandler.hpp"

#include <gtest/gtest.h>

#include "platform/iokit/SimulatorProtocol.hpp"
#include "SimFixtures.hpp"

namespace zephrane::sim {
namespace {

namespace wire = iokit::wire;

std::vector<std::uint8_t> bigEndian(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

std::vector<std::uint8_t> openPayload(std::uint32_t type = 0) {
    std::vector<std::uint8_t> p{wire::kOpOpen};
    for (auto b : bigEndian(type)) p.push_back(b);
    return p;
}

std::vector<std::uint8_t> callPayload(const SMCRecord& record, std::uint32_t selector = wire::kSMCSelector,
                                      std::size_t recordBytes = 80) {
    std::vector<std::uint8_t> p{wire::kOpCall};
    for (auto b : bigEndian(selector)) p.push_back(b);
    for (std::size_t i = 0; i < recordBytes; ++i) p.push_back(i < record.size() ? record[i] : 0);
    return p;
}

Reply codeOnly(iokit::kern_return_t code) { return Reply::answer(bigEndian(static_cast<std::uint32_t>(code))); }

constexpr uid_t kRoot = 0;
constexpr uid_t kUser = 1000;

TEST(SMCRequestHandlerTest, ChecksEveryRequestBeforeTheSMCSeesIt) {
    SimulatedSMC smc(testing::fixtureProfile());
    const SMCRequestHandler handler(smc, PeerPolicy{});
    const SMCRecord read = testing::readRequest("F0Mx", 4);
    const SMCRecord write = testing::writeRequest("F0Tg", 3000, SMCDataType::flt());

    struct Row {
        const char* edge;
        std::vector<std::uint8_t> payload;
        bool opened;
        uid_t uid;
        Reply expected;
    } rows[] = {
        {"an empty payload closes", {}, true, kRoot, Reply::close()},
        {"an unknown operation closes", {9, 0, 0, 0, 0}, true, kRoot, Reply::close()},
        {"copy-services is not an SMC operation", {wire::kOpCopyServices}, true, kRoot, Reply::close()},
        {"open with a short payload", {wire::kOpOpen, 0, 0}, false, kRoot, codeOnly(iokit::kIOReturnBadArgument)},
        {"open with another connection type", openPayload(1), false, kRoot, codeOnly(iokit::kIOReturnBadArgument)},
        {"call before open", callPayload(read), false, kRoot, codeOnly(iokit::kIOReturnNotOpen)},
        {"call with a 79-byte record", callPayload(read, 2, 79), true, kRoot, codeOnly(iokit::kIOReturnBadArgument)},
        {"call with an 81-byte record", callPayload(read, 2, 81), true, kRoot, codeOnly(iokit::kIOReturnBadArgument)},
        {"call without a selector", {wire::kOpCall, 0, 0}, true, kRoot, codeOnly(iokit::kIOReturnBadArgument)},
        {"call with selector 3", callPayload(read, 3), true, kRoot, codeOnly(iokit::kIOReturnUnsupported)},
        {"write by a peer that may not write", callPayload(write), true, kUser,
         codeOnly(iokit::kIOReturnNotPrivileged)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        SMCClient client{row.uid, row.opened};
        EXPECT_EQ(handler.handle(row.payload, client), row.expected);
    }
    EXPECT_EQ(smc.peek("F0Tg")->value, 1200) << "the refused write never reached the SMC";
}

TEST(SMCRequestHandlerTest, AnswersCallsWithTheRecordAfterAnOpen) {
    SimulatedSMC smc(testing::fixtureProfile());
    const SMCRequestHandler handler(smc, PeerPolicy{});
    SMCClient user{kUser, false};
    EXPECT_EQ(handler.handle(openPayload(), user), codeOnly(iokit::kIOReturnSuccess));
    EXPECT_TRUE(user.opened);

    const Reply read = handler.handle(callPayload(testing::readRequest("F0Mx", 4)), user);
    ASSERT_EQ(read.kind, Reply::Kind::answer);
    ASSERT_EQ(read.payload.size(), 4u + 80u) << "readers need no privilege";
    EXPECT_EQ((std::vector<std::uint8_t>(read.payload.begin(), read.payload.begin() + 4)), bigEndian(0));
    EXPECT_EQ(read.payload[4 + 40], 0) << "result byte";
    EXPECT_EQ(read.payload[4 + 50], 0x9c);

    SMCClient root{kRoot, true};
    const Reply write = handler.handle(callPayload(testing::writeRequest("F0Tg", 3000, SMCDataType::flt())), root);
    ASSERT_EQ(write.payload.size(), 84u);
    EXPECT_EQ(write.payload[4 + 40], 0);
    EXPECT_EQ(smc.peek("F0Tg")->value, 3000);

    const Reply unknown = handler.handle(callPayload(testing::request(0x42, "F0Mx")), root);
    EXPECT_EQ(unknown.payload[4 + 40], 0x82) << "an unknown command is the firmware's answer, not the wire's";
}

TEST(SMCRequestHandlerTest, PassesOnFaultsAsTheClientWouldSeeThem) {
    SimulatedSMC smc(testing::fixtureProfile());
    const SMCRequestHandler handler(smc, PeerPolicy::everyone());
    SMCClient client{kUser, false};

    smc.refuseOpens(iokit::kIOReturnNotPermitted);
    EXPECT_EQ(handler.handle(openPayload(), client), codeOnly(iokit::kIOReturnNotPermitted));
    EXPECT_FALSE(client.opened);
    smc.clearFaults();
    ASSERT_EQ(handler.handle(openPayload(), client), codeOnly(iokit::kIOReturnSuccess));

    smc.shortAnswerNext(79);
    EXPECT_EQ(handler.handle(callPayload(testing::readRequest("F0Mx", 4)), client).payload.size(), 4u + 79u);

    smc.hangKey("F0Mx");
    EXPECT_EQ(handler.handle(callPayload(testing::readRequest("F0Mx", 4)), client), Reply::none());

    EXPECT_EQ(handler.handle(callPayload(testing::writeRequest("F0Tg", 2500, SMCDataType::flt())), client)
                  .payload[4 + 40],
              0)
        << "a policy open to everyone lets an unprivileged peer write";
}

}  // namespace
}  // namespace zephrane::sim
