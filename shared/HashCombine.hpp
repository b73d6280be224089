// Field-by-field hashing for the value types. Doubles hash 0.0 and -0.0
// alike, since they compare equal.
#pragma once

#include <cstddef>
#include <functional>

namespace zephrane {

template <class T>
void hashCombine(std::size_t& seed, const T& value) {
    std::size_t h;
    if constexpr (std::is_floating_point_v<T>) {
        h = value == 0 ? 0 : std::hash<T>{}(value);
    } else {
        h = std::hash<T>{}(value);
    }
    seed ^= h + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
}

}  // namespace zephrane
