#include "sim/SimulatedFan.hpp"

#include <algorithm>
#include <cmath>

namespace zephrane::sim {

SimulatedFan::SimulatedFan(double minRpm, double maxRpm, double initialRpm, const FanControlParams& params)
    : min_(minRpm), max_(maxRpm), actual_(std::clamp(initialRpm, 0.0, maxRpm)), target_(actual_), params_(params) {}

double SimulatedFan::autoGoal(double dieC) const {
    if (params_.autoOffBelowC && dieC < *params_.autoOffBelowC) return 0;
    const double share = (dieC - params_.autoMinAtC) / (params_.autoMaxAtC - params_.autoMinAtC);
    return min_ + std::clamp(share, 0.0, 1.0) * (max_ - min_);
}

void SimulatedFan::advance(SimDuration dt, double dieC) {
    double goal;
    if (manual_) {
        // A NaN target cannot reach here (the codec refuses to encode one),
        // but a stray one must not stop the rotor model either.
        goal = std::isnan(target_) ? min_ : std::clamp(target_, min_, max_);
    } else {
        goal = autoGoal(dieC);
        target_ = goal;
    }
    const double stepRpm = params_.rampRpmPerSecond * seconds(dt);
    if (actual_ < goal)
        actual_ = std::min(goal, actual_ + stepRpm);
    else
        actual_ = std::max(goal, actual_ - stepRpm);
}

}  // namespace zephrane::sim
