#include "shared/FourCC.hpp"

#include <cstdint>
#include <stdexcept>
#include <string>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

using namespace std::string_literals;

TEST(FourCC, PacksFirstCharacterMostSignificantAndReadsBack) {
    struct Case { const char* name; std::string text; std::uint32_t code; };
    const Case cases[] = {
        {"fan count key", "FNum", 0x464E756Du},
        {"type with trailing space", "flt ", 0x666C7420u},
        {"all NUL is four characters, not empty", "\0\0\0\0"s, 0u},
        {"NUL in the middle is kept", "F\0N\0"s, 0x46004E00u},
        {"two-byte UTF-8 character", "\xC3\xA9" "AB", 0xC3A94142u},
        {"four-byte UTF-8 character", "\xF0\x9F\x98\x80", 0xF09F9880u},
        {"top bit set in the last byte", "AB\xC3\xBF", 0x4142C3BFu},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(FourCC::code(c.text), c.code) << c.name;
        EXPECT_EQ(FourCC::string(c.code), c.text) << c.name;
    }
}

TEST(FourCC, InvalidUtf8BecomesOneReplacementPerMaximalSubpart) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case { const char* name; std::uint32_t code; std::string text; };
    const Case cases[] = {
        {"byte that never occurs in UTF-8", 0xFF414243u, fffd + "ABC"},
        {"lone continuation byte", 0x80414243u, fffd + "ABC"},
        {"two-byte lead cut short by ASCII", 0x41C34142u, "A" + fffd + "AB"},
        {"three-byte prefix cut short by ASCII", 0xE2824142u, fffd + "AB"},
        {"four-byte prefix cut off by the end", 0x41F09F98u, "A" + fffd},
        {"overlong two-byte lead", 0xC0804142u, fffd + fffd + "AB"},
        {"overlong three-byte form", 0xE0808041u, fffd + fffd + fffd + "A"},
        {"surrogate code point", 0xEDA08041u, fffd + fffd + fffd + "A"},
        {"code point past U+10FFFF", 0xF4908080u, fffd + fffd + fffd + fffd},
        {"lead past F4", 0xF5808080u, fffd + fffd + fffd + fffd},
        {"valid three-byte then ASCII", 0xE282AC41u, "\xE2\x82\xAC" "A"},
        {"NUL survives beside a replacement", 0x00FF0041u, "\0"s + fffd + "\0A"s},
    };
    for (const auto& c : cases) EXPECT_EQ(FourCC::string(c.code), c.text) << c.name;
}

TEST(FourCC, TextThatIsNotFourBytesIsRejected) {
    for (const std::string& text : {""s, "FNu"s, "FNumX"s, "\xC3\xA9" "ABC"s})
        EXPECT_THROW(FourCC::code(text), std::invalid_argument) << text;
}

}  // namespace
}  // namespace zephrane
