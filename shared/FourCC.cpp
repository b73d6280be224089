#include "shared/FourCC.hpp"

#include <array>
#include <cstddef>

namespace zephrane::FourCC {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The range the first continuation byte must fall in after a given lead byte,
// which rules out overlong forms, surrogates and code points past U+10FFFF.
// Returns false for a byte that cannot start a sequence at all.
bool leadByte(std::uint8_t b, std::size_t& continuations, std::uint8_t& low, std::uint8_t& high) {
    low = 0x80;
    high = 0xBF;
    if (b >= 0xC2 && b <= 0xDF) {
        continuations = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
        continuations = 2;
        if (b == 0xE0) low = 0xA0;
        if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
        continuations = 3;
        if (b == 0xF0) low = 0x90;
        if (b == 0xF4) high = 0x8F;
    } else {
        return false;
    }
    return true;
}

}  // namespace

std::string string(std::uint32_t code) {
    const std::array<std::uint8_t, 4> bytes{
        static_cast<std::uint8_t>(code >> 24), static_cast<std::uint8_t>(code >> 16),
        static_cast<std::uint8_t>(code >> 8), static_cast<std::uint8_t>(code)};

    std::string text;
    std::size_t i = 0;
    while (i < bytes.size()) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            text.push_back(static_cast<char>(lead));
            ++i;
            continue;
        }
        std::size_t continuations = 0;
        std::uint8_t low = 0;
        std::uint8_t high = 0;
        if (!leadByte(lead, continuations, low, high)) {
            text += kReplacement;
            ++i;
            continue;
        }
        // Consume as much of a well-formed prefix as there is; a sequence that
        // breaks off becomes one replacement character for that prefix, and
        // decoding resumes at the byte that broke it.
        std::size_t end = i + 1;
        std::size_t taken = 0;
        while (taken < continuations && end < bytes.size() && bytes[end] >= low && bytes[end] <= high) {
            ++end;
            ++taken;
            low = 0x80;
            high = 0xBF;
        }
        if (taken == continuations) {
            for (std::size_t k = i; k < end; ++k) text.push_back(static_cast<char>(bytes[k]));
        } else {
            text += kReplacement;
        }
        i = end;
    }
    return text;
}

}  // namespace zephrane::FourCC
