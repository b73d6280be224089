// Power and load: the power source and battery, the system's draw, and the
// latest load figures.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Face/SystemLoadModel.hpp"
#include "shared/PowerTelemetry.hpp"

namespace zephrane::face {

class EngineFace;

class PowerFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(zephrane::face::SystemLoadModel* systemLoads READ systemLoadsModel CONSTANT)
    // The power telemetry, field by field.
    Q_PROPERTY(QString powerSource READ powerSource NOTIFY powerTelemetryChanged)
    Q_PROPERTY(QString chargeState READ chargeState NOTIFY powerTelemetryChanged)
    Q_PROPERTY(double systemWatts READ systemWatts NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool isCharging READ isCharging NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool isFullyCharged READ isFullyCharged NOTIFY powerTelemetryChanged)
    Q_PROPERTY(double adapterWatts READ adapterWatts NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool hasBattery READ hasBattery NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool hasBatteryLevel READ hasBatteryLevel NOTIFY powerTelemetryChanged)
    Q_PROPERTY(int batteryLevelPercent READ batteryLevelPercent NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool hasBatteryCycleCount READ hasBatteryCycleCount NOTIFY powerTelemetryChanged)
    Q_PROPERTY(int batteryCycleCount READ batteryCycleCount NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool hasBatteryHealth READ hasBatteryHealth NOTIFY powerTelemetryChanged)
    Q_PROPERTY(int batteryHealthPercent READ batteryHealthPercent NOTIFY powerTelemetryChanged)
    Q_PROPERTY(double batteryWattHours READ batteryWattHours NOTIFY powerTelemetryChanged)
    Q_PROPERTY(bool hasSystemPowerWatts READ hasSystemPowerWatts NOTIFY systemPowerWattsChanged)
    Q_PROPERTY(double systemPowerWatts READ systemPowerWattsValue NOTIFY systemPowerWattsChanged)
    Q_PROPERTY(double displayPowerWatts READ displayPowerWatts NOTIFY displayPowerWattsChanged)
    Q_PROPERTY(bool isClamshell READ isClamshell NOTIFY isClamshellChanged)

public:
    struct State {
        PowerTelemetry telemetry;
        std::optional<double> systemPowerWatts;  // W
        double displayPowerWatts = 0;            // W
        bool isClamshell = false;
        friend bool operator==(const State&, const State&) = default;
    };

    PowerFace(EngineFace& face, QObject* parent);

    const State& state() const { return state_; }
    const PowerTelemetry& telemetry() const { return state_.telemetry; }
    SystemLoadModel& systemLoads() { return systemLoads_; }
    const SystemLoadModel& systemLoads() const { return systemLoads_; }

    QString powerSource() const;
    QString chargeState() const;
    double systemWatts() const { return state_.telemetry.systemWatts; }
    bool isCharging() const { return state_.telemetry.isCharging; }
    bool isFullyCharged() const { return state_.telemetry.isFullyCharged; }
    double adapterWatts() const { return state_.telemetry.adapterWatts; }
    bool hasBattery() const { return state_.telemetry.hasBattery; }
    bool hasBatteryLevel() const { return state_.telemetry.batteryLevelPercent.has_value(); }
    int batteryLevelPercent() const { return static_cast<int>(state_.telemetry.batteryLevelPercent.value_or(0)); }
    bool hasBatteryCycleCount() const { return state_.telemetry.batteryCycleCount.has_value(); }
    int batteryCycleCount() const { return static_cast<int>(state_.telemetry.batteryCycleCount.value_or(0)); }
    bool hasBatteryHealth() const { return state_.telemetry.batteryHealthPercent.has_value(); }
    int batteryHealthPercent() const { return static_cast<int>(state_.telemetry.batteryHealthPercent.value_or(0)); }
    double batteryWattHours() const { return state_.telemetry.batteryWattHours; }
    const std::optional<double>& systemPowerWatts() const { return state_.systemPowerWatts; }
    bool hasSystemPowerWatts() const { return state_.systemPowerWatts.has_value(); }
    double systemPowerWattsValue() const { return state_.systemPowerWatts.value_or(0.0); }
    double displayPowerWatts() const { return state_.displayPowerWatts; }
    bool isClamshell() const { return state_.isClamshell; }

    // For the face's implementation: what the engine now holds.
    void publish(State next);

signals:
    void powerTelemetryChanged();
    void systemPowerWattsChanged();
    void displayPowerWattsChanged();
    void isClamshellChanged();

private:
    SystemLoadModel* systemLoadsModel() { return &systemLoads_; }

    State state_;
    SystemLoadModel systemLoads_;
};

}  // namespace zephrane::face
