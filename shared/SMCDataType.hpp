// The value encodings the SMC reports for its keys. Seven are understood;
// any other type code is carried as `other` with its code.
#pragma once

#include <cstddef>
#include <cstdint>

#include "shared/FourCC.hpp"

namespace zephrane {

class SMCDataType {
public:
    enum class Kind { fpe2, sp78, flt, ui8, ui16, ui32, flag, other };

    // The first supported encoding whose code matches, else `other` with the code.
    constexpr explicit SMCDataType(std::uint32_t rawType) : kind_(kindOf(rawType)), code_(rawType) {}

    static constexpr SMCDataType fpe2() { return SMCDataType(FourCC::code("fpe2")); }
    static constexpr SMCDataType sp78() { return SMCDataType(FourCC::code("sp78")); }
    static constexpr SMCDataType flt() { return SMCDataType(FourCC::code("flt ")); }
    static constexpr SMCDataType ui8() { return SMCDataType(FourCC::code("ui8 ")); }
    static constexpr SMCDataType ui16() { return SMCDataType(FourCC::code("ui16")); }
    static constexpr SMCDataType ui32() { return SMCDataType(FourCC::code("ui32")); }
    static constexpr SMCDataType flag() { return SMCDataType(FourCC::code("flag")); }
    static constexpr SMCDataType other(std::uint32_t code) { return SMCDataType(code); }

    constexpr Kind kind() const { return kind_; }
    // The four-character type code (for `other`, the code it carries).
    constexpr std::uint32_t code() const { return code_; }

    // Bytes the encoding occupies; 0 for `other`.
    constexpr std::size_t width() const {
        switch (kind_) {
            case Kind::fpe2:
            case Kind::sp78:
            case Kind::ui16: return 2;
            case Kind::flt:
            case Kind::ui32: return 4;
            case Kind::ui8:
            case Kind::flag: return 1;
            case Kind::other: return 0;
        }
        return 0;
    }

    friend constexpr bool operator==(const SMCDataType&, const SMCDataType&) = default;

private:
    static constexpr Kind kindOf(std::uint32_t raw) {
        if (raw == FourCC::code("fpe2")) return Kind::fpe2;
        if (raw == FourCC::code("sp78")) return Kind::sp78;
        if (raw == FourCC::code("flt ")) return Kind::flt;
        if (raw == FourCC::code("ui8 ")) return Kind::ui8;
        if (raw == FourCC::code("ui16")) return Kind::ui16;
        if (raw == FourCC::code("ui32")) return Kind::ui32;
        if (raw == FourCC::code("flag")) return Kind::flag;
        return Kind::other;
    }

    Kind kind_;
    std::uint32_t code_;
};

}  // namespace zephrane
