#include "smc/SMCKernelBridge.hpp"

#include <atomic>
#include <cmath>
#include <functional>
#include <future>
#include <limits>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "shared/FourCC.hpp"
#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCError.hpp"

namespace zephrane {
namespace {

using Access = FakeSMCTransport::Access;

// A bridge over a small SMC: two fan keys, a read-only maximum, a
// temperature, a write-only key and the key count.
struct Rig {
    std::shared_ptr<SMCKernelBridge> bridge;
    FakeSMCTransport* smc;
};

Rig rig() {
    auto transport = std::make_unique<FakeSMCTransport>();
    FakeSMCTransport* smc = transport.get();
    smc->setValue("#KEY", SMCDataType::ui32(), 6);
    smc->setValue("F0Ac", SMCDataType::fpe2(), 1200);
    smc->setValue("F0Tg", SMCDataType::fpe2(), 1300);
    smc->setValue("F0Mx", SMCDataType::fpe2(), 4900, Access::readOnly);
    smc->setValue("TC0P", SMCDataType::sp78(), 45.5);
    smc->setValue("WOnl", SMCDataType::ui8(), 1, Access::writeOnly);
    return {std::make_shared<SMCKernelBridge>(std::move(transport)), smc};
}

// The expected image of a record: zero except the listed (offset, bytes).
std::array<std::uint8_t, 80> image(std::initializer_list<std::pair<std::size_t, std::vector<std::uint8_t>>> fields) {
    std::array<std::uint8_t, 80> out{};
    for (const auto& [offset, bytes] : fields)
        std::copy(bytes.begin(), bytes.end(), out.begin() + static_cast<std::ptrdiff_t>(offset));
    return out;
}

// A key's packed code as it lies in memory on a little-endian machine: the
// four characters last to first.
std::vector<std::uint8_t> keyBytes(const char (&key)[5]) {
    return {static_cast<std::uint8_t>(key[3]), static_cast<std::uint8_t>(key[2]), static_cast<std::uint8_t>(key[1]),
            static_cast<std::uint8_t>(key[0])};
}

template <class Action>
std::optional<SMCError> errorOf(Action&& action) {
    try {
        action();
    } catch (const SMCError& error) {
        return error;
    }
    return std::nullopt;
}

TEST(SMCKernelBridge, RequestRecordsOfEveryCommandByteForByte) {
    auto [bridge, smc] = rig();
    EXPECT_EQ(bridge->read("F0Ac"), 1200.0);
    bridge->write("F0Tg", 1500);
    EXPECT_EQ(bridge->keyAtIndex(3), "F0Mx");

    const auto requests = smc->requests();
    ASSERT_EQ(requests.size(), 5u);
    EXPECT_EQ(requests[0].image(), image({{0, keyBytes("F0Ac")}, {42, {9}}})) << "key information";
    EXPECT_EQ(requests[1].image(), image({{0, keyBytes("F0Ac")}, {28, {2, 0, 0, 0}}, {42, {5}}}))
        << "read: size only, no type";
    EXPECT_EQ(requests[2].image(), image({{0, keyBytes("F0Tg")}, {42, {9}}})) << "key information before a write";
    EXPECT_EQ(requests[3].image(),
              image({{0, keyBytes("F0Tg")}, {28, {2, 0, 0, 0}}, {32, keyBytes("fpe2")}, {42, {6}}, {48, {0x17, 0x70}}}))
        << "write: size, type and the value 1500 as fpe2";
    EXPECT_EQ(requests[4].image(), image({{42, {8}}, {44, {3, 0, 0, 0}}})) << "key at index 3";

    EXPECT_EQ(smc->key("F0Tg")->bytes, (std::vector<std::uint8_t>{0x17, 0x70}));
    EXPECT_EQ(bridge->read("F0Tg"), 1500.0);
}

TEST(SMCKernelBridge, ResultBytesBecomeErrorsNamingTheKey) {
    struct Case {
        const char* name;
        std::function<void(SMCKernelBridge&)> action;
        SMCError expected;
    };
    const Case cases[] = {
        {"read of a missing key", [](SMCKernelBridge& b) { b.read("Ftst"); }, SMCError::keyNotFound("Ftst")},
        {"key information of a missing key", [](SMCKernelBridge& b) { b.keyInfo("Ftst"); },
         SMCError::keyNotFound("Ftst")},
        {"read of a write-only key", [](SMCKernelBridge& b) { b.read("WOnl"); }, SMCError::notReadable("WOnl")},
        {"write to a read-only key", [](SMCKernelBridge& b) { b.write("F0Mx", 5000); }, SMCError::notWritable("F0Mx")},
        {"key past the last index", [](SMCKernelBridge& b) { b.keyAtIndex(6); }, SMCError::keyNotFound("#IDX")},
        {"any other result byte", [](SMCKernelBridge& b) { b.read("TC0P"); }, SMCError::smcResult(0x82)},
    };
    for (const auto& c : cases) {
        auto [bridge, smc] = rig();
        if (std::string_view(c.name) == "any other result byte")
            smc->setInterceptor([](const SMCParamStruct& request) -> std::optional<SMCParamStruct> {
                if (request.data8 != static_cast<std::uint8_t>(SMCCommand::readValue)) return std::nullopt;
                SMCParamStruct answer;
                answer.result = 0x82;
                return answer;
            });
        EXPECT_EQ(errorOf([&] { c.action(*bridge); }), c.expected) << c.name;
    }

    auto [bridge, smc] = rig();
    EXPECT_FALSE(bridge->hasKey("Ftst"));
    EXPECT_TRUE(bridge->hasKey("F0Ac"));
}

TEST(SMCKernelBridge, IndexesOutsideTheWireRangeSendNothing) {
    auto [bridge, smc] = rig();
    for (std::int64_t index : {std::int64_t{-1}, std::int64_t{1} << 32, std::numeric_limits<std::int64_t>::min()})
        EXPECT_EQ(errorOf([&] { bridge->keyAtIndex(index); }), SMCError::keyNotFound("#IDX")) << index;
    EXPECT_TRUE(smc->requests().empty());
    EXPECT_EQ(errorOf([&] { bridge->keyAtIndex(4294967295); }), SMCError::keyNotFound("#IDX"))
        << "the largest index goes to the SMC";
    EXPECT_EQ(smc->requests().size(), 1u);
}

TEST(SMCKernelBridge, InformationIsCachedOnlyWhenSizeAndTypeAreNonZero) {
    struct Case {
        const char* name;
        std::uint32_t size;
        std::uint32_t type;
        std::size_t exchangesForThreeUses;
    };
    const Case cases[] = {
        {"size and type: asked once per bridge", 2, FourCC::code("sp78"), 1},
        {"zero size: asked every time", 0, FourCC::code("sp78"), 3},
        {"zero type: asked every time", 2, 0, 3},
        {"both zero", 0, 0, 3},
    };
    for (const auto& c : cases) {
        auto [bridge, smc] = rig();
        smc->setInterceptor([&c](const SMCParamStruct& request) -> std::optional<SMCParamStruct> {
            if (request.data8 != static_cast<std::uint8_t>(SMCCommand::keyInfo)) return std::nullopt;
            SMCParamStruct answer;
            answer.keyInfo = {c.size, c.type, 0};
            return answer;
        });
        for (int use = 0; use < 3; ++use) EXPECT_EQ(bridge->keyInfo("TC0P"), (SMCKeyInfoData{c.size, c.type, 0}));
        EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, "TC0P"), c.exchangesForThreeUses) << c.name;
    }

    // A cached key costs one exchange per read; a failed lookup caches nothing.
    auto [bridge, smc] = rig();
    std::atomic<bool> failOnce{true};
    smc->setInterceptor([&failOnce](const SMCParamStruct&) -> std::optional<SMCParamStruct> {
        if (failOnce.exchange(false)) throw SMCError::callFailed(iokit::kIOReturnNotResponding);
        return std::nullopt;
    });
    EXPECT_EQ(errorOf([&] { bridge->read("TC0P"); }), SMCError::callFailed(iokit::kIOReturnNotResponding));
    for (int use = 0; use < 3; ++use) EXPECT_EQ(bridge->read("TC0P"), 45.5);
    EXPECT_EQ(smc->requestCount(SMCCommand::keyInfo, "TC0P"), 2u);
    EXPECT_EQ(smc->requestCount(SMCCommand::readValue, "TC0P"), 3u);
}

TEST(SMCKernelBridge, RawReadTakesSizeAndTypeFromTheKeyInformation) {
    auto [bridge, smc] = rig();
    smc->setInterceptor([](const SMCParamStruct& request) -> std::optional<SMCParamStruct> {
        if (request.data8 != static_cast<std::uint8_t>(SMCCommand::readValue)) return std::nullopt;
        SMCParamStruct answer;  // an answer claiming another type, with more bytes than asked for
        answer.keyInfo = {4, FourCC::code("flt "), 0};
        answer.setValueBytes(std::vector<std::uint8_t>{0x2D, 0x80, 0xAA, 0xBB});
        return answer;
    });
    EXPECT_EQ(bridge->readRaw("TC0P"),
              (SMCKernelBridge::RawValue{{0x2D, 0x80}, SMCDataType::sp78()}));
}

TEST(SMCKernelBridge, CodecFailuresAreWrappedWithTheKey) {
    struct Case {
        const char* name;
        FakeSMCTransport::Key key;
        std::function<void(SMCKernelBridge&)> action;
        const char* message;
    };
    const Case cases[] = {
        {"bytes too short for the type", {"F1Ac", SMCDataType::fpe2(), {0x12}},
         [](SMCKernelBridge& b) { b.read("F1Ac"); }, "decode F1Ac: sizeMismatch(expected: 2, got: 1)"},
        {"a type the codec cannot read", {"NAME", SMCDataType(FourCC::code("ch8*")), {'a', 'b'}},
         [](SMCKernelBridge& b) { b.read("NAME"); }, "decode NAME: unsupportedType(\"ch8*\")"},
        {"not a number", {"F1Tg", SMCDataType::fpe2(), {0, 0}},
         [](SMCKernelBridge& b) { b.write("F1Tg", std::nan("")); }, "encode F1Tg: valueOutOfRange(nan)"},
        {"too large for the type", {"F1Md", SMCDataType::ui8(), {0}},
         [](SMCKernelBridge& b) { b.write("F1Md", 300); }, "encode F1Md: valueOutOfRange(300.0)"},
        {"a type the codec cannot write", {"NAME", SMCDataType(FourCC::code("ch8*")), {'a', 'b'}},
         [](SMCKernelBridge& b) { b.write("NAME", 1); }, "encode NAME: unsupportedType(\"ch8*\")"},
        {"an encoding of the wrong size", {"F1Tg", SMCDataType::ui16(), {0, 0, 0, 0}},
         [](SMCKernelBridge& b) { b.write("F1Tg", 1500); }, "size mismatch for F1Tg: encoded 2 != 4"},
    };
    for (const auto& c : cases) {
        auto [bridge, smc] = rig();
        smc->setKey(c.key);
        EXPECT_EQ(errorOf([&] { c.action(*bridge); }), SMCError::codec(c.message)) << c.name;
        EXPECT_EQ(smc->requestCount(SMCCommand::writeValue), 0u) << c.name << ": nothing written";
    }
}

TEST(SMCKernelBridge, KeyCountTruncatesAndRefusesWhatNoCountCanBe) {
    struct Case {
        const char* name;
        SMCDataType type;
        double value;
        std::optional<std::int64_t> count;
    };
    const Case cases[] = {
        {"integer count", SMCDataType::ui32(), 2300, 2300},
        {"fraction truncates", SMCDataType::flt(), 12.9, 12},
        {"negative fraction truncates toward zero", SMCDataType::flt(), -2.5, -2},
        {"zero", SMCDataType::ui32(), 0, 0},
        {"past a 64-bit integer", SMCDataType::flt(), 1e30, std::nullopt},
        {"far below a 64-bit integer", SMCDataType::flt(), -1e30, std::nullopt},
    };
    for (const auto& c : cases) {
        auto [bridge, smc] = rig();
        smc->setValue("#KEY", c.type, c.value);
        if (c.count) {
            EXPECT_EQ(bridge->keyCount(), *c.count) << c.name;
        } else {
            const auto error = errorOf([&] { bridge->keyCount(); });
            ASSERT_TRUE(error) << c.name;
            EXPECT_EQ(error->kind(), SMCError::Kind::codec) << c.name;
            EXPECT_EQ(std::string(error->what()).rfind("codec(\"decode #KEY: valueOutOfRange(", 0), 0u) << error->what();
        }
    }
    auto [bridge, smc] = rig();
    smc->removeKey("#KEY");
    EXPECT_EQ(errorOf([&] { bridge->keyCount(); }), SMCError::keyNotFound("#KEY"));
}

TEST(SMCKernelBridge, ManyThreadsReadThroughOneBridge) {
    auto [bridge, smc] = rig();
    constexpr int kThreads = 8;
    constexpr int kReads = 300;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kReads; ++i) {
                if (bridge->read("F0Ac") != 1200.0) ++wrong;
                if (bridge->read("TC0P") != 45.5) ++wrong;
                if ((i + t) % 7 == 0 && bridge->keyAtIndex(4) != "TC0P") ++wrong;
            }
        });
    for (auto& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0);
    // Racing first reads may each ask; after that the cache answers.
    EXPECT_GE(smc->requestCount(SMCCommand::keyInfo, "F0Ac"), 1u);
    EXPECT_LE(smc->requestCount(SMCCommand::keyInfo, "F0Ac"), std::size_t{kThreads});
    EXPECT_EQ(smc->requestCount(SMCCommand::readValue, "F0Ac"), std::size_t{kThreads * kReads});
}

TEST(SMCKernelBridge, AnExchangeInFlightNeverHoldsOtherUsersBack) {
    auto [bridge, smc] = rig();
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::atomic<bool> blocked{false};
    smc->setInterceptor([&](const SMCParamStruct& request) -> std::optional<SMCParamStruct> {
        if (request.key == FourCC::code("TC0P") && request.data8 == static_cast<std::uint8_t>(SMCCommand::keyInfo)) {
            blocked = true;
            released.wait_for(std::chrono::seconds(10));  // bounded, so a failed test still ends
        }
        return std::nullopt;
    });
    auto slow = std::async(std::launch::async, [&] { return bridge->read("TC0P"); });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!blocked && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
    ASSERT_TRUE(blocked.load());

    // Another key's information and value, while the first lookup is out.
    auto other = std::async(std::launch::async, [&] { return bridge->read("F0Ac"); });
    ASSERT_EQ(other.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(other.get(), 1200.0);

    release.set_value();
    ASSERT_EQ(slow.wait_for(std::chrono::seconds(10)), std::future_status::ready);
    EXPECT_EQ(slow.get(), 45.5);
}

}  // namespace
}  // namespace zephrane
