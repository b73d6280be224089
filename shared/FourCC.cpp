#include "shared/FourCC.hpp"

namespace zephrane::FourCC {

std::string string(std::uint32_t code) {
    // TODO(codec owner): UTF-8 validation with U+FFFD replacement.
    std::string text(4, '\0');
    for (int i = 0; i < 4; ++i) text[static_cast<std::size_t>(i)] = static_cast<char>((code >> (24 - 8 * i)) & 0xFF);
    return text;
}

}  // namespace zephrane::FourCC
