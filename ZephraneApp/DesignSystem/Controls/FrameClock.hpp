// The seconds the animated items step their motion by: one steady clock,
// replaceable per item so tests drive time themselves.
#pragma once

#include <chrono>
#include <functional>

namespace zephrane::design {

using FrameClock = std::function<double()>;

inline double steadySeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace zephrane::design
