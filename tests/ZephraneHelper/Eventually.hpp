// Waiting for a condition with a deadline: the end-to-end tests watch other
// processes, so they poll what those processes expose (sockets, keys, log
// lines) until it holds, and fail only when it never does.
#pragma once

#include <chrono>
#include <thread>

namespace zephrane::helper::testing {

using namespace std::chrono_literals;

// Generous: a loaded machine running twenty copies of a suite at once is
// slow, and a deadline only costs time when something is already wrong.
inline constexpr std::chrono::milliseconds kGenerousDeadline = 20s;

template <class Condition>
bool eventually(Condition&& condition, std::chrono::milliseconds limit = kGenerousDeadline,
                std::chrono::milliseconds step = 20ms) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(step);
    }
}

}  // namespace zephrane::helper::testing
