// Time inside the simulated machine. The machine has no clock of its own: it
// moves only when its owner advances it (a test, or the server's timer), so
// every timing rule of the firmware is deterministic under test.
#pragma once

#include <chrono>

namespace zephrane::sim {

using SimDuration = std::chrono::nanoseconds;

// Seconds as the thermal and fan arithmetic uses them.
inline double seconds(SimDuration d) { return std::chrono::duration<double>(d).count(); }

inline SimDuration fromSeconds(double s) {
    return std::chrono::duration_cast<SimDuration>(std::chrono::duration<double>(s));
}

}  // namespace zephrane::sim
