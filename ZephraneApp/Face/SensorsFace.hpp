// Sensors and the temperatures the app shows: every discovered sensor, the
// device-level readings with their history, the pins, and the headline
// temperature with its source.
#pragma once

#include <array>
#include <optional>
#include <set>
#include <string>

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/DeviceSensorModel.hpp"
#include "ZephraneApp/Face/SensorListModel.hpp"
#include "shared/ControlSource.hpp"
#include "shared/CustomMode.hpp"
#include "shared/ThermalTrend.hpp"

namespace zephrane::face {

class EngineFace;

class SensorsFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(zephrane::face::SensorListModel* allSensors READ allSensorsModel CONSTANT)
    Q_PROPERTY(zephrane::face::DeviceSensorModel* deviceSensors READ deviceSensorsModel CONSTANT)
    Q_PROPERTY(bool hasDiscoveredSensors READ hasDiscoveredSensors NOTIFY hasDiscoveredSensorsChanged)
    Q_PROPERTY(bool controlSourceUnavailable READ controlSourceUnavailable NOTIFY controlSourceUnavailableChanged)
    Q_PROPERTY(double controlTemperature READ controlTemperature NOTIFY temperaturesChanged)
    Q_PROPERTY(double displayedTemperature READ displayedTemperature NOTIFY temperaturesChanged)
    Q_PROPERTY(double heroDisplayTemperature READ heroDisplayTemperature NOTIFY temperaturesChanged)
    Q_PROPERTY(QString displayedTemperatureSourceLabel READ displayedTemperatureSourceLabel NOTIFY
                   displayedTemperatureSourceLabelChanged)
    Q_PROPERTY(QStringList pinnedSensorKeys READ pinnedSensorKeyList NOTIFY pinnedSensorKeysChanged)
    Q_PROPERTY(QString thermalTrend READ thermalTrendKind NOTIFY thermalTrendChanged)
    Q_PROPERTY(bool hasThermalTrendEta READ hasThermalTrendEta NOTIFY thermalTrendChanged)
    Q_PROPERTY(double thermalTrendEtaMinutes READ thermalTrendEtaMinutes NOTIFY thermalTrendChanged)

public:
    struct State {
        bool hasDiscoveredSensors = false;
        bool controlSourceUnavailable = false;
        double controlTemperature = 0;      // °C
        double displayedTemperature = 0;    // °C, 0 or less for no reading
        double heroDisplayTemperature = 0;  // °C, its whole degrees roll the digits
        std::string displayedTemperatureSourceLabel;
        ThermalTrend thermalTrend = ThermalTrend::steady();
        // The aggregate of each control source, by the source's position.
        using SourceTemperatures = std::array<std::optional<double>, 5>;
        SourceTemperatures sourceTemperatures{};
        friend bool operator==(const State&, const State&) = default;
    };

    SensorsFace(EngineFace& face, QObject* parent);

    const State& state() const { return state_; }
    SensorListModel& allSensors() { return allSensors_; }
    const SensorListModel& allSensors() const { return allSensors_; }
    DeviceSensorModel& deviceSensors() { return deviceSensors_; }
    const DeviceSensorModel& deviceSensors() const { return deviceSensors_; }
    const std::set<std::string>& pinnedSensorKeys() const { return pinnedSensorKeys_; }

    bool hasDiscoveredSensors() const { return state_.hasDiscoveredSensors; }
    bool controlSourceUnavailable() const { return state_.controlSourceUnavailable; }
    double controlTemperature() const { return state_.controlTemperature; }
    double displayedTemperature() const { return state_.displayedTemperature; }
    double heroDisplayTemperature() const { return state_.heroDisplayTemperature; }
    QString displayedTemperatureSourceLabel() const;
    QStringList pinnedSensorKeyList() const;
    QString thermalTrendKind() const;
    bool hasThermalTrendEta() const { return state_.thermalTrend.etaMinutes().has_value(); }
    double thermalTrendEtaMinutes() const { return state_.thermalTrend.etaMinutes().value_or(0.0); }

    // The current temperature a mode's sensor names, in °C: the aggregate
    // for a source, the device reading for a sensor id; none without one.
    std::optional<double> temperature(const ModeSensor& sensor) const;
    Q_INVOKABLE bool isPinned(const QString& key) const;
    Q_INVOKABLE void togglePin(const QString& key);

    // For the face's implementation: what the engine now holds.
    void publish(State next);
    void publishPinnedSensorKeys(std::set<std::string> keys);

signals:
    void hasDiscoveredSensorsChanged();
    void controlSourceUnavailableChanged();
    void temperaturesChanged();
    void displayedTemperatureSourceLabelChanged();
    void pinnedSensorKeysChanged();
    void thermalTrendChanged();

private:
    SensorListModel* allSensorsModel() { return &allSensors_; }
    DeviceSensorModel* deviceSensorsModel() { return &deviceSensors_; }

    EngineFace& face_;
    State state_;
    std::set<std::string> pinnedSensorKeys_;
    SensorListModel allSensors_;
    DeviceSensorModel deviceSensors_;
};

}  // namespace zephrane::face
