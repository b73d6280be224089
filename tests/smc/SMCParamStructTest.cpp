#include "smc/SMCParamStruct.hpp"

#include <cstdint>
#include <limits>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

// Byte positions a record field occupies, little-endian as on every Mac the
// system runs on.
struct Placement {
    const char* field;
    void (*set)(SMCParamStruct&);
    std::size_t offset;
    std::vector<std::uint8_t> bytes;
};

TEST(SMCParamStruct, EveryFieldLandsAtItsOffsetAndGapsStayZero) {
    const Placement placements[] = {
        {"key", [](SMCParamStruct& r) { r.key = 0x46307463; }, 0, {0x63, 0x74, 0x30, 0x46}},
        {"vers.major", [](SMCParamStruct& r) { r.vers.major = 0xA1; }, 4, {0xA1}},
        {"vers.minor", [](SMCParamStruct& r) { r.vers.minor = 0xA2; }, 5, {0xA2}},
        {"vers.build", [](SMCParamStruct& r) { r.vers.build = 0xA3; }, 6, {0xA3}},
        {"vers.reserved", [](SMCParamStruct& r) { r.vers.reserved = 0xA4; }, 7, {0xA4}},
        {"vers.release", [](SMCParamStruct& r) { r.vers.release = 0xB1B2; }, 8, {0xB2, 0xB1}},
        {"pLimitData.version", [](SMCParamStruct& r) { r.pLimitData.version = 0xC1C2; }, 12, {0xC2, 0xC1}},
        {"pLimitData.length", [](SMCParamStruct& r) { r.pLimitData.length = 0xC3C4; }, 14, {0xC4, 0xC3}},
        {"pLimitData.cpuPLimit", [](SMCParamStruct& r) { r.pLimitData.cpuPLimit = 0xD1D2D3D4; }, 16, {0xD4, 0xD3, 0xD2, 0xD1}},
        {"pLimitData.gpuPLimit", [](SMCParamStruct& r) { r.pLimitData.gpuPLimit = 0xD5D6D7D8; }, 20, {0xD8, 0xD7, 0xD6, 0xD5}},
        {"pLimitData.memPLimit", [](SMCParamStruct& r) { r.pLimitData.memPLimit = 0xD9DADBDC; }, 24, {0xDC, 0xDB, 0xDA, 0xD9}},
        {"keyInfo.dataSize", [](SMCParamStruct& r) { r.keyInfo.dataSize = 0x00000002; }, 28, {0x02, 0, 0, 0}},
        {"keyInfo.dataType", [](SMCParamStruct& r) { r.keyInfo.dataType = 0x66706532; }, 32, {0x32, 0x65, 0x70, 0x66}},
        {"keyInfo.dataAttributes", [](SMCParamStruct& r) { r.keyInfo.dataAttributes = 0xE1; }, 36, {0xE1}},
        {"result", [](SMCParamStruct& r) { r.result = 0x84; }, 40, {0x84}},
        {"status", [](SMCParamStruct& r) { r.status = 0xE2; }, 41, {0xE2}},
        {"data8", [](SMCParamStruct& r) { r.data8 = 9; }, 42, {9}},
        {"data32", [](SMCParamStruct& r) { r.data32 = 0x01020304; }, 44, {0x04, 0x03, 0x02, 0x01}},
        {"bytes[0]", [](SMCParamStruct& r) { r.bytes[0] = 0xF1; }, 48, {0xF1}},
        {"bytes[31]", [](SMCParamStruct& r) { r.bytes[31] = 0xF2; }, 79, {0xF2}},
    };
    for (const auto& p : placements) {
        SMCParamStruct record;
        p.set(record);
        std::array<std::uint8_t, 80> expected{};
        std::copy(p.bytes.begin(), p.bytes.end(), expected.begin() + static_cast<std::ptrdiff_t>(p.offset));
        EXPECT_EQ(record.image(), expected) << p.field;
        EXPECT_EQ(SMCParamStruct::fromImage(expected), record) << p.field << " reads back";
    }

    // Gap bytes: 10-11, 37-39, 43. Filled with 0xFF in an image, they are
    // ignored on reading and zero again on writing.
    std::array<std::uint8_t, 80> gaps{};
    for (std::size_t gap : {10u, 11u, 37u, 38u, 39u, 43u}) gaps[gap] = 0xFF;
    EXPECT_EQ(SMCParamStruct::fromImage(gaps), SMCParamStruct{});
    EXPECT_EQ(SMCParamStruct::fromImage(gaps).image(), (std::array<std::uint8_t, 80>{}));
}

TEST(SMCParamStruct, ValueBytesTakeAtMostThe32Held) {
    SMCParamStruct record;
    for (std::size_t i = 0; i < record.bytes.size(); ++i) record.bytes[i] = static_cast<std::uint8_t>(i + 1);
    struct Case {
        const char* name;
        std::int64_t count;
        std::size_t expected;
    };
    const Case cases[] = {
        {"zero", 0, 0},
        {"negative", -1, 0},
        {"most negative", std::numeric_limits<std::int64_t>::min(), 0},
        {"a fan speed's two bytes", 2, 2},
        {"all of them", 32, 32},
        {"more than held", 40, 32},
        {"largest count", std::numeric_limits<std::int64_t>::max(), 32},
    };
    for (const auto& c : cases) {
        const auto bytes = record.valueBytes(c.count);
        ASSERT_EQ(bytes.size(), c.expected) << c.name;
        for (std::size_t i = 0; i < bytes.size(); ++i) EXPECT_EQ(bytes[i], i + 1) << c.name;
    }
}

TEST(SMCParamStruct, SetValueBytesZeroesTheRestAndDropsTheExcess) {
    SMCParamStruct record;
    record.bytes.fill(0xEE);
    record.setValueBytes(std::vector<std::uint8_t>{1, 2});
    std::array<std::uint8_t, 32> expected{1, 2};
    EXPECT_EQ(record.bytes, expected);

    std::vector<std::uint8_t> long_(40);
    for (std::size_t i = 0; i < long_.size(); ++i) long_[i] = static_cast<std::uint8_t>(i);
    record.setValueBytes(long_);
    EXPECT_EQ(record.valueBytes(32), std::vector<std::uint8_t>(long_.begin(), long_.begin() + 32));
    EXPECT_EQ(record.image()[48 + 31], 31) << "the 32nd byte is the last in the record";
}

}  // namespace
}  // namespace zephrane
