// A presenter's setters store a value and tell only a real change.
#pragma once

#include <cmath>
#include <utility>

namespace zephrane::dashboard {

// True (and `member` takes `value`) when they differ.
template <class T, class U>
bool stored(T& member, U&& value) {
    if (member == value) return false;
    member = std::forward<U>(value);
    return true;
}

// Not-a-number stands for "none" in the views' inputs: one NaN after
// another is no change.
inline bool stored(double& member, double value) {
    if (member == value || (std::isnan(member) && std::isnan(value))) return false;
    member = value;
    return true;
}

}  // namespace zephrane::dashboard
