// Polls of the simulated two-fan laptop (about 540 sensors) as the poller
// reads them, a few seconds of simulated time apart, so that each one
// carries changed values: what the face's models get on a live machine.
#pragma once

#include <vector>

#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"

namespace zephrane::facetest {

std::vector<SensorPoller::Result> laptopReadings(int count);

}  // namespace zephrane::facetest
