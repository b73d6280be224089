// Four-character SMC names (keys and value types) packed into 32-bit numbers,
// first character in the most significant byte.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zephrane::FourCC {

// The text must be exactly four bytes of UTF-8; every SMC name is four ASCII
// characters, so anything else is a programming error and throws
// std::invalid_argument.
constexpr std::uint32_t code(std::string_view text) {
    if (text.size() != 4) throw std::invalid_argument("a four-character code needs exactly four bytes");
    std::uint32_t value = 0;
    for (char c : text) value = (value << 8) | static_cast<std::uint8_t>(c);
    return value;
}

// The inverse: the four bytes, most significant first, read as UTF-8. Invalid
// sequences become U+FFFD and NUL bytes stay in the text; never fails.
std::string string(std::uint32_t code);

}  // namespace zephrane::FourCC
