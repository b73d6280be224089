#include "shared/SMCDataCodec.hpp"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <new>
#include <string>
#include <variant>
#include <vector>

#include <gtest/gtest.h>

#include "shared/FourCC.hpp"

// Counts heap allocations so a test can show that decoding allocates nothing.
namespace {
std::atomic<long> gAllocations{0};
}  // namespace

void* operator new(std::size_t size) {
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    throw std::bad_alloc();
}
// GCC pairs the replaced operator new with its built-in meaning and takes
// these frees for a mismatch; they do match the malloc above.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

namespace zephrane {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Err = SMCCodecError;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kFloatMax = std::numeric_limits<float>::max();

const SMCDataType fpe2 = SMCDataType::fpe2();
const SMCDataType sp78 = SMCDataType::sp78();
const SMCDataType flt = SMCDataType::flt();
const SMCDataType ui8 = SMCDataType::ui8();
const SMCDataType ui16 = SMCDataType::ui16();
const SMCDataType ui32 = SMCDataType::ui32();
const SMCDataType flag = SMCDataType::flag();

template <class F>
Err codecErrorOf(F&& f) {
    try {
        f();
    } catch (const Err& e) {
        return e;
    }
    ADD_FAILURE() << "expected an SMCCodecError";
    return Err::unsupportedType("none");
}

Bytes encoded(double value, SMCDataType type) {
    auto bytes = SMCDataCodec::encode(value, type);
    return Bytes(bytes.begin(), bytes.end());
}

TEST(SMCDataCodec, TypeCodeNeedsItsExactFourCharacters) {
    EXPECT_EQ(SMCDataType(FourCC::code("flt ")).kind(), SMCDataType::Kind::flt);
    const std::uint32_t nulEnded = FourCC::code(std::string("flt\0", 4));
    EXPECT_EQ(SMCDataType(nulEnded), SMCDataType::other(nulEnded));
    EXPECT_EQ(SMCDataType(nulEnded).kind(), SMCDataType::Kind::other);
}

TEST(SMCDataCodec, DecodesEachEncoding) {
    struct Case { const char* name; SMCDataType type; Bytes bytes; double expected; };
    const Case cases[] = {
        {"fpe2 fan speed", fpe2, {0x17, 0x70}, 1500.0},
        {"fpe2 keeps its two fraction bits", fpe2, {0x00, 0x01}, 0.25},
        {"fpe2 top is unsigned", fpe2, {0xFF, 0xFF}, 16383.75},
        {"sp78 negative", sp78, {0xFF, 0x00}, -1.0},
        {"sp78 temperature", sp78, {0x2E, 0x80}, 46.5},
        {"sp78 most negative", sp78, {0x80, 0x00}, -128.0},
        {"sp78 largest", sp78, {0x7F, 0xFF}, 127.99609375},
        {"sp78 smallest step below zero", sp78, {0xFF, 0xFF}, -1.0 / 256},
        {"flt is little-endian", flt, {0x00, 0x00, 0x3A, 0x42}, 46.5},
        {"flt negative", flt, {0x00, 0x00, 0x80, 0xBF}, -1.0},
        {"flt largest finite", flt, {0xFF, 0xFF, 0x7F, 0x7F}, kFloatMax},
        {"flt subnormal widened exactly", flt, {0x01, 0x00, 0x00, 0x00}, 0x1p-149},
        {"ui8 top", ui8, {0xFF}, 255.0},
        {"ui16 is big-endian", ui16, {0x12, 0x34}, 4660.0},
        {"ui32 ignores bytes past its width", ui32, {0x00, 0x00, 0x00, 0x2A, 0x99}, 42.0},
        {"ui32 is big-endian", ui32, {0x01, 0x02, 0x03, 0x04}, 16909060.0},
        {"ui32 top has no sign", ui32, {0xFF, 0xFF, 0xFF, 0xFF}, 4294967295.0},
        {"flag zero", flag, {0x00}, 0.0},
        {"flag any other byte", flag, {0x07}, 1.0},
        {"flag high bit only", flag, {0x80}, 1.0},
    };
    for (const auto& c : cases) EXPECT_EQ(SMCDataCodec::decode(c.bytes, c.type), c.expected) << c.name;
}

TEST(SMCDataCodec, DecodeFailuresCarryTheirPayload) {
    const std::uint32_t unknown = FourCC::code("ch8*");
    struct Case { const char* name; SMCDataType type; Bytes bytes; Err expected; };
    const Case cases[] = {
        {"empty ui8", ui8, {}, Err::sizeMismatch(1, 0)},
        {"one byte for ui16", ui16, {0x01}, Err::sizeMismatch(2, 1)},
        {"three bytes for flt", flt, {0x00, 0x00, 0x3A}, Err::sizeMismatch(4, 3)},
        {"other with bytes", SMCDataType::other(unknown), {1, 2, 3, 4}, Err::unsupportedType("ch8*")},
        {"other is checked before the size", SMCDataType::other(unknown), {}, Err::unsupportedType("ch8*")},
        {"flt positive infinity", flt, {0x00, 0x00, 0x80, 0x7F}, Err::valueOutOfRange(kInf)},
        {"flt negative infinity", flt, {0x00, 0x00, 0x80, 0xFF}, Err::valueOutOfRange(-kInf)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codecErrorOf([&] { SMCDataCodec::decode(c.bytes, c.type); }), c.expected) << c.name;

    // A NaN payload equals nothing, so look at it directly.
    const Bytes nan = {0x00, 0x00, 0xC0, 0x7F};
    auto e = codecErrorOf([&] { SMCDataCodec::decode(nan, flt); });
    const auto* out = std::get_if<Err::ValueOutOfRange>(&e.errorCase());
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(std::isnan(out->value));
}

TEST(SMCDataCodec, EncodesEachEncodingAtExactlyItsWidth) {
    struct Case { const char* name; double value; SMCDataType type; Bytes expected; };
    const Case cases[] = {
        {"fpe2 fan speed", 1500.0, fpe2, {0x17, 0x70}},
        {"fpe2 top of range", 16383.75, fpe2, {0xFF, 0xFF}},
        {"fpe2 half step rounds away from zero", 0.125, fpe2, {0x00, 0x01}},
        {"fpe2 negative zero is in range", -0.0, fpe2, {0x00, 0x00}},
        {"sp78 most negative", -128.0, sp78, {0x80, 0x00}},
        {"sp78 temperature", 46.5, sp78, {0x2E, 0x80}},
        {"sp78 top of range", 127.99609375, sp78, {0x7F, 0xFF}},
        {"sp78 negative half step rounds away from zero", -1.0 / 512, sp78, {0xFF, 0xFF}},
        {"flt little-endian", 46.5, flt, {0x00, 0x00, 0x3A, 0x42}},
        {"flt largest finite", kFloatMax, flt, {0xFF, 0xFF, 0x7F, 0x7F}},
        {"flt just under the overflow tie rounds to the largest", 0x1.fffffefp127, flt, {0xFF, 0xFF, 0x7F, 0x7F}},
        {"flt underflow to zero is finite", 1e-50, flt, {0x00, 0x00, 0x00, 0x00}},
        {"ui8 rounds a small negative up to zero", -0.4, ui8, {0x00}},
        {"ui8 rounds down to its top", 255.4, ui8, {0xFF}},
        {"ui8 half rounds away from zero", 2.5, ui8, {0x03}},
        {"ui16 big-endian", 4660.0, ui16, {0x12, 0x34}},
        {"ui16 rounds down to its top", 65535.4, ui16, {0xFF, 0xFF}},
        {"ui32 big-endian", 16909060.0, ui32, {0x01, 0x02, 0x03, 0x04}},
        {"ui32 rounds down to its top", 4294967295.4, ui32, {0xFF, 0xFF, 0xFF, 0xFF}},
        {"flag small fraction is true", 0.3, flag, {0x01}},
        {"flag negative zero is false", -0.0, flag, {0x00}},
        {"flag negative is true", -5.0, flag, {0x01}},
    };
    for (const auto& c : cases) EXPECT_EQ(encoded(c.value, c.type), c.expected) << c.name;
}

TEST(SMCDataCodec, EncodeFailuresReportTheCallersValue) {
    const std::uint32_t unknown = FourCC::code("ch8*");
    struct Case { const char* name; double value; SMCDataType type; Err expected; };
    const Case cases[] = {
        {"infinity before the type is looked at", kInf, SMCDataType::other(unknown), Err::valueOutOfRange(kInf)},
        {"finite value for other", 1.0, SMCDataType::other(unknown), Err::unsupportedType("ch8*")},
        {"flag still refuses infinity", -kInf, flag, Err::valueOutOfRange(-kInf)},
        {"ui16 half past its top", 65535.5, ui16, Err::valueOutOfRange(65535.5)},
        {"ui8 half past its top", 255.5, ui8, Err::valueOutOfRange(255.5)},
        {"ui8 negative half rounds to -1", -0.5, ui8, Err::valueOutOfRange(-0.5)},
        {"ui32 half past its top", 4294967295.5, ui32, Err::valueOutOfRange(4294967295.5)},
        {"ui32 far past any integer", 1e300, ui32, Err::valueOutOfRange(1e300)},
        {"fpe2 just past its top", 16383.76, fpe2, Err::valueOutOfRange(16383.76)},
        {"fpe2 checks before scaling", -0.001, fpe2, Err::valueOutOfRange(-0.001)},
        {"sp78 past its top", 127.9961, sp78, Err::valueOutOfRange(127.9961)},
        {"sp78 below its bottom", -128.001, sp78, Err::valueOutOfRange(-128.001)},
        {"flt overflows single precision", 1e39, flt, Err::valueOutOfRange(1e39)},
        {"flt overflows negative", -1e39, flt, Err::valueOutOfRange(-1e39)},
        {"flt exact overflow tie rounds to infinity", 0x1.ffffffp127, flt, Err::valueOutOfRange(0x1.ffffffp127)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(codecErrorOf([&] { SMCDataCodec::encode(c.value, c.type); }), c.expected) << c.name;

    auto e = codecErrorOf([] { SMCDataCodec::encode(kNaN, SMCDataType::other(FourCC::code("ch8*"))); });
    const auto* out = std::get_if<Err::ValueOutOfRange>(&e.errorCase());
    ASSERT_NE(out, nullptr) << "NaN must be refused before the type";
    EXPECT_TRUE(std::isnan(out->value));
}

// Every two-byte pattern decodes to a value that encodes back to the same
// bytes; a wrong byte order or sign extension breaks this somewhere.
TEST(SMCDataCodec, EveryTwoByteValueSurvivesARoundTrip) {
    for (SMCDataType type : {fpe2, sp78, ui16}) {
        int failures = 0;
        for (unsigned raw = 0; raw <= 0xFFFF && failures < 5; ++raw) {
            const Bytes bytes = {static_cast<std::uint8_t>(raw >> 8), static_cast<std::uint8_t>(raw)};
            if (encoded(SMCDataCodec::decode(bytes, type), type) != bytes) {
                ADD_FAILURE() << FourCC::string(type.code()) << " raw " << raw;
                ++failures;
            }
        }
    }
}

TEST(SMCDataCodec, FloatBitPatternsSurviveARoundTrip) {
    const std::uint32_t patterns[] = {0x00000000u, 0x80000000u, 0x00000001u, 0x007FFFFFu,
                                      0x3F800001u, 0xC2F6E979u, 0x7F7FFFFFu, 0xFF7FFFFFu};
    for (std::uint32_t bits : patterns) {
        const Bytes bytes = {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                             static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
        EXPECT_EQ(encoded(SMCDataCodec::decode(bytes, flt), flt), bytes) << std::hex << bits;
    }
}

TEST(SMCDataCodec, DecodingAllocatesNothing) {
    const std::uint8_t bytes[] = {0x2E, 0x80, 0x3A, 0x42, 0x00};
    const std::span<const std::uint8_t> view(bytes);
    const long before = gAllocations.load();
    double sum = 0;
    for (SMCDataType type : {fpe2, sp78, flt, ui8, ui16, ui32, flag}) sum += SMCDataCodec::decode(view, type);
    EXPECT_EQ(gAllocations.load(), before);
    EXPECT_NE(sum, 0.0);
    // The counter is live: a failure, which builds its text, is seen.
    EXPECT_THROW(SMCDataCodec::decode(view.first(0), ui32), SMCCodecError);
    EXPECT_GT(gAllocations.load(), before);
}

TEST(SMCDataCodec, ErrorTextIsCaseNameAndPayload) {
    struct Case { const char* name; Err error; std::string text; };
    const Case cases[] = {
        {"size", Err::sizeMismatch(2, 1), "sizeMismatch(expected: 2, got: 1)"},
        {"plain type", Err::unsupportedType("ch8*"), R"(unsupportedType("ch8*"))"},
        {"quote escaped", Err::unsupportedType("ab\"c"), R"(unsupportedType("ab\"c"))"},
        {"backslash escaped", Err::unsupportedType("a\\bc"), R"(unsupportedType("a\\bc"))"},
        {"NUL written as \\0", Err::unsupportedType(std::string("flt\0", 4)), R"(unsupportedType("flt\0"))"},
        {"newline escaped", Err::unsupportedType("ab\nc"), R"(unsupportedType("ab\nc"))"},
        {"other control escaped", Err::unsupportedType("ab\x1b" "c"), R"(unsupportedType("ab\u{1b}c"))"},
        {"replacement character kept", Err::unsupportedType("\xEF\xBF\xBD" "abc"),
         "unsupportedType(\"\xEF\xBF\xBD" "abc\")"},
        {"fraction", Err::valueOutOfRange(65535.5), "valueOutOfRange(65535.5)"},
        {"whole number keeps .0", Err::valueOutOfRange(-1.0), "valueOutOfRange(-1.0)"},
        {"large magnitude", Err::valueOutOfRange(1e39), "valueOutOfRange(1e+39)"},
        {"nan", Err::valueOutOfRange(kNaN), "valueOutOfRange(nan)"},
        {"negative infinity", Err::valueOutOfRange(-kInf), "valueOutOfRange(-inf)"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.error.description(), c.text) << c.name;
        EXPECT_STREQ(c.error.what(), c.text.c_str()) << c.name;
    }
}

TEST(SMCDataCodec, ErrorsCompareFieldByField) {
    EXPECT_EQ(Err::sizeMismatch(2, 1), Err::sizeMismatch(2, 1));
    EXPECT_NE(Err::sizeMismatch(2, 1), Err::sizeMismatch(1, 2));
    EXPECT_NE(Err::unsupportedType("abcd"), Err::unsupportedType("abce"));
    EXPECT_NE(Err::valueOutOfRange(2.0), Err::sizeMismatch(2, 2));
    EXPECT_NE(Err::valueOutOfRange(kNaN), Err::valueOutOfRange(kNaN));
}

}  // namespace
}  // namespace zephrane
