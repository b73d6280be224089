#include "ZephraneApp/Face/PowerFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

PowerFace::PowerFace(EngineFace&, QObject* parent) : QObject(parent), systemLoads_(this) {}

QString PowerFace::powerSource() const { return qtText(rawValue(state_.telemetry.source)); }

QString PowerFace::chargeState() const { return qtText(rawValue(state_.telemetry.chargeState())); }

void PowerFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.telemetry, state_.telemetry, &PowerFace::powerTelemetryChanged);
    tellIfChanged(*this, was.systemPowerWatts, state_.systemPowerWatts, &PowerFace::systemPowerWattsChanged);
    tellIfChanged(*this, was.displayPowerWatts, state_.displayPowerWatts, &PowerFace::displayPowerWattsChanged);
    tellIfChanged(*this, was.isClamshell, state_.isClamshell, &PowerFace::isClamshellChanged);
}

}  // namespace zephrane::face
