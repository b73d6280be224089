// A 128-bit identifier in its canonical 8-4-4-4-12 text form. Stored forms
// write it upper case; reading accepts either case, as identifiers written by
// other tools may be lower case.
#pragma once

#include <array>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace zephrane {

class Uuid {
public:
    using Bytes = std::array<std::uint8_t, 16>;

    constexpr Uuid() = default;  // the nil identifier, all zero
    constexpr explicit Uuid(const Bytes& bytes) : bytes_(bytes) {}

    // A random (version 4) identifier.
    static Uuid random();

    // Exactly 36 characters, hexadecimal groups of 8-4-4-4-12 joined by
    // hyphens; anything else yields no value.
    static std::optional<Uuid> parse(std::string_view text);

    // Upper-case canonical text, e.g. "00000000-0000-0000-0000-000000000001".
    std::string uuidString() const;

    constexpr const Bytes& bytes() const { return bytes_; }

    friend constexpr auto operator<=>(const Uuid&, const Uuid&) = default;

private:
    Bytes bytes_{};
};

}  // namespace zephrane

template <>
struct std::hash<zephrane::Uuid> {
    std::size_t operator()(const zephrane::Uuid& id) const noexcept;
};
