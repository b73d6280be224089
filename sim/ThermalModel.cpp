#include "sim/ThermalModel.hpp"

#include <algorithm>
#include <cmath>

namespace zephrane::sim {
namespace {

constexpr double kMaxStepSeconds = 0.1;

}  // namespace

ThermalModel::ThermalModel(const ThermalParams& params, double idleAirflow) : params_(params) {
    const double rise = params_.idleWatts / conductance(std::clamp(idleAirflow, 0.0, 1.0));
    die_ = std::min(params_.ambientC + rise, params_.throttleC);
    board_ = params_.ambientC + params_.boardCoupling * (die_ - params_.ambientC);
    battery_ = params_.ambientC + params_.batteryCoupling * (board_ - params_.ambientC);
    idleDie_ = die_;
    idleBoard_ = board_;
    idleBattery_ = battery_;
}

double ThermalModel::conductance(double airflow) const {
    return params_.passiveWattsPerK + params_.fanWattsPerK * airflow;
}

void ThermalModel::advance(SimDuration dt, double load, double airflow) {
    load = std::isnan(load) ? 0.0 : std::clamp(load, 0.0, 1.0);
    airflow = std::isnan(airflow) ? 0.0 : std::clamp(airflow, 0.0, 1.0);
    double remaining = seconds(dt);
    while (remaining > 0) {
        const double h = std::min(remaining, kMaxStepSeconds);
        step(h, load, airflow);
        remaining -= h;
    }
}

// Each node is advanced with the exact solution of its linear equation over
// the step, so long steps never overshoot.
void ThermalModel::step(double h, double load, double airflow) {
    if (!heldDie_) {
        const double power = params_.idleWatts + load * (params_.maxWatts - params_.idleWatts);
        const double g = conductance(airflow);
        const double dieGoal = params_.ambientC + power / g;
        die_ = dieGoal + (die_ - dieGoal) * std::exp(-h * g / params_.heatCapacityJoulesPerK);
        die_ = std::min(die_, params_.throttleC);
    }

    const double boardGoal = params_.ambientC + params_.boardCoupling * (die_ - params_.ambientC);
    board_ = boardGoal + (board_ - boardGoal) * std::exp(-h / seconds(params_.boardTimeConstant));
    const double batteryGoal = params_.ambientC + params_.batteryCoupling * (board_ - params_.ambientC);
    battery_ = batteryGoal + (battery_ - batteryGoal) * std::exp(-h / seconds(params_.batteryTimeConstant));
}

void ThermalModel::holdDie(std::optional<double> celsius) {
    if (celsius) {
        heldDie_ = std::min(*celsius, params_.throttleC);
        die_ = *heldDie_;
    } else {
        heldDie_.reset();
    }
}

double ThermalModel::level(Driver driver, double load) const {
    switch (driver) {
        case Driver::die: return die_;
        case Driver::board: return board_;
        case Driver::battery: return battery_;
        case Driver::load: return load;
    }
    return 0;
}

double ThermalModel::change(Driver driver, double load) const {
    switch (driver) {
        case Driver::die: return die_ - idleDie_;
        case Driver::board: return board_ - idleBoard_;
        case Driver::battery: return battery_ - idleBattery_;
        case Driver::load: return load;
    }
    return 0;
}

}  // namespace zephrane::sim
