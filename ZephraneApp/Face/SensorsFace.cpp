#include "ZephraneApp/Face/SensorsFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

SensorsFace::SensorsFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face), allSensors_(this), deviceSensors_(this) {}

QString SensorsFace::displayedTemperatureSourceLabel() const { return qtText(state_.displayedTemperatureSourceLabel); }

QStringList SensorsFace::pinnedSensorKeyList() const {
    QStringList keys;
    for (const std::string& key : pinnedSensorKeys_) keys << qtText(key);
    return keys;
}

QString SensorsFace::thermalTrendKind() const {
    switch (state_.thermalTrend.kind()) {
        case ThermalTrend::Kind::rising: return QStringLiteral("rising");
        case ThermalTrend::Kind::steady: return QStringLiteral("steady");
        case ThermalTrend::Kind::cooling: return QStringLiteral("cooling");
    }
    return QStringLiteral("steady");
}

std::optional<double> SensorsFace::temperature(const ModeSensor& sensor) const {
    if (const auto source = sensor.controlSource())
        return state_.sourceTemperatures[static_cast<std::size_t>(*source)];
    const std::optional<std::string> id = sensor.sensorId();
    for (const DeviceSensorRow& row : deviceSensors_.rows())
        if (row.reading.id == *id) return row.reading.value;
    return std::nullopt;
}

bool SensorsFace::isPinned(const QString& key) const { return pinnedSensorKeys_.contains(key.toStdString()); }

void SensorsFace::togglePin(const QString& key) { face_.perform(command::TogglePin{key.toStdString()}); }

void SensorsFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.hasDiscoveredSensors, state_.hasDiscoveredSensors, &SensorsFace::hasDiscoveredSensorsChanged);
    tellIfChanged(*this, was.controlSourceUnavailable, state_.controlSourceUnavailable,
                  &SensorsFace::controlSourceUnavailableChanged);
    if (was.controlTemperature != state_.controlTemperature || was.displayedTemperature != state_.displayedTemperature ||
        was.heroDisplayTemperature != state_.heroDisplayTemperature || was.sourceTemperatures != state_.sourceTemperatures)
        emit temperaturesChanged();
    tellIfChanged(*this, was.displayedTemperatureSourceLabel, state_.displayedTemperatureSourceLabel,
                  &SensorsFace::displayedTemperatureSourceLabelChanged);
    tellIfChanged(*this, was.thermalTrend, state_.thermalTrend, &SensorsFace::thermalTrendChanged);
}

void SensorsFace::publishPinnedSensorKeys(std::set<std::string> keys) {
    if (keys == pinnedSensorKeys_) return;
    pinnedSensorKeys_ = std::move(keys);
    emit pinnedSensorKeysChanged();
}

}  // namespace zephrane::face
