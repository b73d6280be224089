// The views' face over the app's one engine. It only translates: each of
// the engine's change signals republishes what that change touched, and
// each command is the engine call of the same name. It decides nothing.
#pragma once

#include <optional>

#include <QString>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"

namespace zephrane {

class ZephraneEngine;

namespace face {

class ZephraneEngineFace final : public EngineFace {
    Q_OBJECT
    QML_ANONYMOUS

public:
    // Takes over the engine's summon-shortcut hook; the face's preferences
    // tell summonShortcutAssigned() in its place.
    explicit ZephraneEngineFace(ZephraneEngine& engine, QObject* parent = nullptr);
    ~ZephraneEngineFace() override;

    void perform(FaceCommand command) override;
    QCoro::Task<std::optional<QString>> exportHistoryCSV() override;

private:
    void refreshSensors();
    void refreshSourceTemperatures();
    void refreshSensorList();
    void refreshDeviceSensors();
    void refreshDrive();
    void refreshFans();
    void refreshPower();
    void refreshModes();
    void refreshAlerts();
    void refreshDaemon();
    void refreshPreferences();
    void refreshShell();

    ZephraneEngine& engine_;
    SensorsFace::State::SourceTemperatures sourceTemperatures_{};
};

}  // namespace face
}  // namespace zephrane
