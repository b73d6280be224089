#include "shared/SMCDataCodec.hpp"

#include <bit>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>
#include <utility>

#include "shared/DebugText.hpp"
#include "shared/FourCC.hpp"
#include "shared/NumberText.hpp"
#include "shared/Saturating.hpp"

namespace zephrane {

namespace {

std::string describe(const SMCCodecError::Case& c) {
    if (const auto* size = std::get_if<SMCCodecError::SizeMismatch>(&c))
        return "sizeMismatch(expected: " + std::to_string(size->expected) + ", got: " + std::to_string(size->got) + ")";
    if (const auto* type = std::get_if<SMCCodecError::UnsupportedType>(&c))
        return "unsupportedType(" + quotedDebugText(type->type) + ")";
    return "valueOutOfRange(" + shortestText(std::get<SMCCodecError::ValueOutOfRange>(c).value) + ")";
}

// Single precision overflows to infinity from here on: FLT_MAX plus half of
// its last unit (2^128 - 2^103) is a tie that rounds to even, away from
// FLT_MAX. Checking this first keeps the narrowing conversion defined.
constexpr double kFloatOverflow = 0x1.ffffffp127;

std::uint16_t bigEndian16(std::span<const std::uint8_t> b) {
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

SMCDataCodec::Bytes bigEndianBytes(std::uint32_t n, std::size_t width) {
    std::array<std::uint8_t, SMCDataCodec::Bytes::capacity> out{};
    for (std::size_t i = 0; i < width; ++i)
        out[i] = static_cast<std::uint8_t>(n >> (8 * (width - 1 - i)));
    return {out, width};
}

// Rounds halves away from zero and checks the rounded value against [0, max].
std::uint32_t roundedUnsigned(double value, double max) {
    const double rounded = std::round(value);
    if (!(rounded >= 0 && rounded <= max)) throw SMCCodecError::valueOutOfRange(value);
    return saturatingCast<std::uint32_t>(rounded);
}

}  // namespace

SMCCodecError::SMCCodecError(Case c) : std::runtime_error(describe(c)), case_(std::move(c)) {}

SMCCodecError SMCCodecError::sizeMismatch(std::size_t expected, std::size_t got) {
    return SMCCodecError(SizeMismatch{expected, got});
}

SMCCodecError SMCCodecError::unsupportedType(std::string type) {
    return SMCCodecError(UnsupportedType{std::move(type)});
}

SMCCodecError SMCCodecError::valueOutOfRange(double value) {
    return SMCCodecError(ValueOutOfRange{value});
}

namespace SMCDataCodec {

double decode(std::span<const std::uint8_t> bytes, SMCDataType type) {
    using Kind = SMCDataType::Kind;
    if (type.kind() == Kind::other) throw SMCCodecError::unsupportedType(FourCC::string(type.code()));
    if (bytes.size() < type.width()) throw SMCCodecError::sizeMismatch(type.width(), bytes.size());

    switch (type.kind()) {
        case Kind::fpe2: return bigEndian16(bytes) / 4.0;
        case Kind::sp78: return std::bit_cast<std::int16_t>(bigEndian16(bytes)) / 256.0;
        case Kind::flt: {
            // The one little-endian encoding.
            const std::uint32_t bits = std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 |
                                       std::uint32_t{bytes[2]} << 16 | std::uint32_t{bytes[3]} << 24;
            const double value = std::bit_cast<float>(bits);
            if (!std::isfinite(value)) throw SMCCodecError::valueOutOfRange(value);
            return value;
        }
        case Kind::ui8: return bytes[0];
        case Kind::ui16: return bigEndian16(bytes);
        case Kind::ui32:
            return static_cast<double>(std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 |
                                       std::uint32_t{bytes[2]} << 8 | std::uint32_t{bytes[3]});
        case Kind::flag: return bytes[0] == 0 ? 0.0 : 1.0;
        case Kind::other: break;
    }
    throw SMCCodecError::unsupportedType(FourCC::string(type.code()));
}

Bytes encode(double value, SMCDataType type) {
    using Kind = SMCDataType::Kind;
    if (!std::isfinite(value)) throw SMCCodecError::valueOutOfRange(value);

    switch (type.kind()) {
        case Kind::other: break;
        case Kind::fpe2:
            if (!(value >= 0 && value <= 16383.75)) throw SMCCodecError::valueOutOfRange(value);
            return bigEndianBytes(saturatingRound<std::uint16_t>(value * 4), 2);
        case Kind::sp78: {
            if (!(value >= -128 && value <= 127.99609375)) throw SMCCodecError::valueOutOfRange(value);
            const auto raw = saturatingRound<std::int16_t>(value * 256);
            return bigEndianBytes(std::bit_cast<std::uint16_t>(raw), 2);
        }
        case Kind::flt: {
            if (!(std::fabs(value) < kFloatOverflow)) throw SMCCodecError::valueOutOfRange(value);
            const auto bits = std::bit_cast<std::uint32_t>(static_cast<float>(value));
            return Bytes({static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
                          static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)},
                         4);
        }
        case Kind::ui8: return bigEndianBytes(roundedUnsigned(value, 255), 1);
        case Kind::ui16: return bigEndianBytes(roundedUnsigned(value, 65535), 2);
        case Kind::ui32: return bigEndianBytes(roundedUnsigned(value, 4294967295.0), 4);
        case Kind::flag: return Bytes({value != 0 ? std::uint8_t{1} : std::uint8_t{0}, 0, 0, 0}, 1);
    }
    throw SMCCodecError::unsupportedType(FourCC::string(type.code()));
}

}  // namespace SMCDataCodec

}  // namespace zephrane
