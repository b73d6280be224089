// The views' face over the app's one engine. It only translates: each of
// the engine's change signals republishes what that change touched, and
// each command is the engine call of the same name. It decides nothing.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include <QString>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"

namespace zephrane {

class ZephraneEngine;

namespace face {

// What the face carries out on the desktop rather than on the engine, as
// the app provides it. A part left out answers as a desktop without it
// would: no login item (never registered, every change fails), no
// notification centre, and an activation policy that changes nothing.
struct SystemServices {
    std::function<bool()> launchAtLogin = {};
    // None on success, else the failure's description.
    std::function<std::optional<std::string>(bool)> setLaunchAtLogin = {};
    std::shared_ptr<notifications::NotificationCenter> notifications = {};
    std::function<void(command::ActivationPolicy)> setActivationPolicy = {};
};

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
    QCoro::Task<notifications::AuthorizationResult> requestNotificationAuthorization() override;

    void setSystemServices(SystemServices services);

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
    void refreshSystem();
    void performOnSystem(const FaceCommand& command);

    ZephraneEngine& engine_;
    SensorsFace::State::SourceTemperatures sourceTemperatures_{};
    SystemServices system_;
    command::ActivationPolicy activationPolicy_ = command::ActivationPolicy::regular;
};

}  // namespace face
}  // namespace zephrane
