// The heat behind every reading: three lumped nodes, each a first-order
// system. The die heats with load and cools through its case (passively) and
// through the fans' airflow; the board settles toward a share of the die's
// rise over ambient, the battery toward a share of the board's. The die is
// capped at its throttle temperature, as a chip cuts its power there.
//
// Readings are reported as a change from the idle state (load 0, the fans at
// their starting speed), which is the state the profile's snapshot values
// describe.
#pragma once

#include <optional>

#include "sim/MachineProfile.hpp"
#include "sim/SimTime.hpp"

namespace zephrane::sim {

class ThermalModel {
public:
    // Starts in the steady state at load 0 with the given airflow (0 to 1).
    ThermalModel(const ThermalParams& params, double idleAirflow);

    // Integrates over dt with a fixed load (0 to 1) and airflow (0 to 1: the
    // fans' mean share of their maximum speed). Steps are cut to 100 ms.
    void advance(SimDuration dt, double load, double airflow);

    // Holds the die at a temperature (capped at the throttle temperature):
    // the die stays there whatever the load and airflow, and the board and
    // battery follow it as always. Absent: the die follows its load again,
    // from where it was held.
    void holdDie(std::optional<double> celsius);

    double dieC() const { return die_; }
    double boardC() const { return board_; }
    double batteryC() const { return battery_; }

    // The driver's change since the idle state; for `load`, the load itself.
    double change(Driver driver, double load) const;
    // The node's temperature (degrees C); for `load`, the load itself.
    double level(Driver driver, double load) const;
    double ambientC() const { return params_.ambientC; }
    double throttleC() const { return params_.throttleC; }

private:
    void step(double dtSeconds, double load, double airflow);
    double conductance(double airflow) const;

    ThermalParams params_;
    double die_;
    double board_;
    double battery_;
    double idleDie_;
    double idleBoard_;
    double idleBattery_;
    std::optional<double> heldDie_;
};

}  // namespace zephrane::sim
