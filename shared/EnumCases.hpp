// Raw-value enumerations: each enumeration lists its cases once, in their
// declared order, and names its raw value; reading a raw value back is an
// exact match (no case folding, no trimming).
#pragma once

#include <optional>
#include <string_view>

namespace zephrane {

// Specialised next to each enumeration with:
//   static constexpr std::string_view typeName;
//   static constexpr std::array<E, N> values;   (all cases, declared order)
template <class E>
struct EnumCases;

template <class E>
constexpr const auto& allCases() {
    return EnumCases<E>::values;
}

template <class E>
constexpr std::optional<E> fromRawValue(std::string_view raw) {
    for (E e : EnumCases<E>::values)
        if (rawValue(e) == raw) return e;
    return std::nullopt;
}

}  // namespace zephrane
