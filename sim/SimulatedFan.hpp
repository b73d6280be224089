// One fan as the firmware runs it. In automatic mode the firmware's own curve
// over the die temperature sets the goal (and the target key reports it); in
// manual mode the target a client wrote does, kept within the fan's bounds.
// The actual speed moves toward the goal at a finite rate, as a real rotor
// spins up and down.
#pragma once

#include "sim/MachineProfile.hpp"
#include "sim/SimTime.hpp"

namespace zephrane::sim {

class SimulatedFan {
public:
    SimulatedFan(double minRpm, double maxRpm, double initialRpm, const FanControlParams& params);

    bool manual() const { return manual_; }
    // Leaving manual mode hands the goal back to the automatic curve.
    void setManual(bool manual) { manual_ = manual; }
    void setTarget(double rpm) { target_ = rpm; }

    double minRpm() const { return min_; }
    double maxRpm() const { return max_; }
    double target() const { return target_; }
    double actual() const { return actual_; }
    double airflow() const { return max_ > 0 ? actual_ / max_ : 0; }  // 0 to 1

    // The automatic curve's goal at a die temperature (degrees C).
    double autoGoal(double dieC) const;

    void advance(SimDuration dt, double dieC);

private:
    double min_;
    double max_;
    double actual_;
    double target_;
    bool manual_ = false;
    FanControlParams params_;
};

}  // namespace zephrane::sim
