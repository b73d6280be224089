// Conversion between the raw value bytes of an SMC key and a double.
//
// Every SMC read in both programs passes through decode(), once per sensor per
// poll, so it reads straight from the caller's bytes and allocates nothing on
// success. Both directions fail only by throwing SMCCodecError; no partial
// value is ever returned, and every double-to-integer step is range-checked
// first, so no input (NaN, infinities, huge magnitudes) reaches an undefined
// conversion.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <variant>

#include "shared/SMCDataType.hpp"

namespace zephrane {

class SMCCodecError : public std::runtime_error {
public:
    // Fewer value bytes than the type's width.
    struct SizeMismatch {
        std::size_t expected;
        std::size_t got;
        friend bool operator==(const SizeMismatch&, const SizeMismatch&) = default;
    };
    // A type the codec has no encoding for; its four characters as text.
    struct UnsupportedType {
        std::string type;
        friend bool operator==(const UnsupportedType&, const UnsupportedType&) = default;
    };
    // The caller's value or the decoded value, never a rounded or scaled form.
    struct ValueOutOfRange {
        double value;
        friend bool operator==(const ValueOutOfRange&, const ValueOutOfRange&) = default;
    };
    using Case = std::variant<SizeMismatch, UnsupportedType, ValueOutOfRange>;

    static SMCCodecError sizeMismatch(std::size_t expected, std::size_t got);
    static SMCCodecError unsupportedType(std::string type);
    static SMCCodecError valueOutOfRange(double value);

    const Case& errorCase() const { return case_; }

    // The case name followed by its payload in parentheses, e.g.
    // "sizeMismatch(expected: 2, got: 1)"; what() returns the same text.
    std::string description() const { return what(); }

    // Field by field, so a NaN payload never equals anything.
    friend bool operator==(const SMCCodecError& a, const SMCCodecError& b) { return a.case_ == b.case_; }

private:
    explicit SMCCodecError(Case c);

    Case case_;
};

namespace SMCDataCodec {

// The bytes of one encoded value: exactly the type's width (1, 2 or 4), held
// inline so encoding does not allocate either.
class Bytes {
public:
    static constexpr std::size_t capacity = 4;

    constexpr Bytes() = default;
    constexpr Bytes(std::array<std::uint8_t, capacity> storage, std::size_t size) : storage_(storage), size_(size) {}

    constexpr std::size_t size() const { return size_; }
    constexpr const std::uint8_t* data() const { return storage_.data(); }
    constexpr const std::uint8_t* begin() const { return storage_.data(); }
    constexpr const std::uint8_t* end() const { return storage_.data() + size_; }
    constexpr std::uint8_t operator[](std::size_t i) const { return storage_[i]; }
    constexpr std::span<const std::uint8_t> span() const { return {storage_.data(), size_}; }
    constexpr operator std::span<const std::uint8_t>() const { return span(); }

    // Compares only the bytes in use.
    friend constexpr bool operator==(const Bytes& a, const Bytes& b) {
        if (a.size_ != b.size_) return false;
        for (std::size_t i = 0; i < a.size_; ++i)
            if (a.storage_[i] != b.storage_[i]) return false;
        return true;
    }

private:
    std::array<std::uint8_t, capacity> storage_{};
    std::size_t size_ = 0;
};

// The value held in the leading bytes. Throws unsupportedType for `other`
// (whatever the bytes), sizeMismatch when fewer bytes than the width are given
// (extra bytes are ignored), and valueOutOfRange for a NaN or infinite `flt`.
double decode(std::span<const std::uint8_t> bytes, SMCDataType type);

// The bytes to write, exactly the type's width. Throws valueOutOfRange for NaN
// or an infinity (before anything else, so also for `other`), unsupportedType
// for `other`, and valueOutOfRange with the caller's value when it does not
// fit the type. Integer types round halves away from zero and check the
// rounded value; fixed-point types check the value before scaling.
Bytes encode(double value, SMCDataType type);

}  // namespace SMCDataCodec

}  // namespace zephrane
