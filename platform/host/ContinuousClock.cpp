#include "platform/host/ContinuousClock.hpp"

namespace zephrane::host {

ContinuousClock::time_point ContinuousClock::now() noexcept {
    timespec ts{};
    ::clock_gettime(kernelClock, &ts);
    return time_point(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
}

}  // namespace zephrane::host
