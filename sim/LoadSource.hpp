// Where the simulated machine's load comes from: a function of the machine's
// elapsed time returning 0 (idle) to 1 (every core busy). The host's own CPU
// load (HostCpuLoad) by default, a scripted scenario (ScenarioLoad) for
// demos and tests, or a fixed value.
#pragma once

#include <functional>

#include "sim/SimTime.hpp"

namespace zephrane::sim {

using LoadSource = std::function<double(SimDuration elapsed)>;

inline LoadSource constantLoad(double load) {
    return [load](SimDuration) { return load; };
}

}  // namespace zephrane::sim
