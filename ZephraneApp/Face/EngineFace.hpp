// The views' face: everything a view reads of the engine and everything it
// asks of it, in QML's types, cut by concern into a few objects. A view and
// its presenter reach the engine only through this; they never name the
// engine's own properties or methods.
//
// What the face shows, it holds: each concern keeps the engine's state as
// the implementation last published it, with a change signal per property,
// emitted only on a real change, and list models that update their rows in
// place. What a view asks for goes to perform() as one command value. Two
// implementations exist: one over the real engine, which translates and
// decides nothing, and a scripted one for presenter tests and the gallery,
// which records the commands.
//
// In QML the face is the singleton `Face` of the module Zephrane.Face,
// provided per QML engine by whoever made the engine.
#pragma once

#include <optional>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/FaceCommand.hpp"
#include "platform/notifications/NotificationCenter.hpp"

class QQmlEngine;
class QJSEngine;

namespace zephrane::face {

class AlertsFace;
class DaemonFace;
class DriveFace;
class ModesFace;
class PowerFace;
class PreferencesFace;
class SensorsFace;
class ShellFace;
class SystemFace;

class EngineFace : public QObject {
    Q_OBJECT
    Q_MOC_INCLUDE("ZephraneApp/Face/AlertsFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/DaemonFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/DriveFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/ModesFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/PowerFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/PreferencesFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/SensorsFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/ShellFace.hpp")
    Q_MOC_INCLUDE("ZephraneApp/Face/SystemFace.hpp")
    QML_NAMED_ELEMENT(Face)
    QML_SINGLETON
    Q_PROPERTY(zephrane::face::SensorsFace* sensors READ sensorsObject CONSTANT)
    Q_PROPERTY(zephrane::face::DriveFace* drive READ driveObject CONSTANT)
    Q_PROPERTY(zephrane::face::PowerFace* power READ powerObject CONSTANT)
    Q_PROPERTY(zephrane::face::ModesFace* modes READ modesObject CONSTANT)
    Q_PROPERTY(zephrane::face::AlertsFace* alerts READ alertsObject CONSTANT)
    Q_PROPERTY(zephrane::face::DaemonFace* daemon READ daemonObject CONSTANT)
    Q_PROPERTY(zephrane::face::PreferencesFace* preferences READ preferencesObject CONSTANT)
    Q_PROPERTY(zephrane::face::ShellFace* shell READ shellObject CONSTANT)
    Q_PROPERTY(zephrane::face::SystemFace* system READ systemObject CONSTANT)

public:
    ~EngineFace() override;

    SensorsFace& sensors() const { return *sensors_; }
    DriveFace& drive() const { return *drive_; }
    PowerFace& power() const { return *power_; }
    ModesFace& modes() const { return *modes_; }
    AlertsFace& alerts() const { return *alerts_; }
    DaemonFace& daemon() const { return *daemon_; }
    PreferencesFace& preferences() const { return *preferences_; }
    ShellFace& shell() const { return *shell_; }
    SystemFace& system() const { return *system_; }

    // Carries out what a view asked for. The engine's answer, if any, comes
    // back as a change of the state shown.
    virtual void perform(FaceCommand command) = 0;
    // Writes the power history's CSV file to the temporary folder; its path,
    // or none when it failed (the engine then holds the reason in lastError).
    virtual QCoro::Task<std::optional<QString>> exportHistoryCSV() = 0;
    // Asks the system whether the app may post alerts with sound.
    virtual QCoro::Task<notifications::AuthorizationResult> requestNotificationAuthorization() = 0;

    // The face the QML engine `qml` gives its views as `Face`; set it before
    // the first QML that imports Zephrane.Face loads, and withdraw it (null)
    // before the face goes. One face per QML engine.
    static void provide(QQmlEngine& qml, EngineFace* face);
    static EngineFace* create(QQmlEngine* qml, QJSEngine* js);

protected:
    explicit EngineFace(QObject* parent = nullptr);

private:
    SensorsFace* sensorsObject() const { return sensors_; }
    DriveFace* driveObject() const { return drive_; }
    PowerFace* powerObject() const { return power_; }
    ModesFace* modesObject() const { return modes_; }
    AlertsFace* alertsObject() const { return alerts_; }
    DaemonFace* daemonObject() const { return daemon_; }
    PreferencesFace* preferencesObject() const { return preferences_; }
    ShellFace* shellObject() const { return shell_; }
    SystemFace* systemObject() const { return system_; }

    // Children of the face, made in its constructor.
    SensorsFace* sensors_;
    DriveFace* drive_;
    PowerFace* power_;
    ModesFace* modes_;
    AlertsFace* alerts_;
    DaemonFace* daemon_;
    PreferencesFace* preferences_;
    ShellFace* shell_;
    SystemFace* system_;
};

// For a concern's publish(), once its whole new state is in place: emits
// `changed` when the part went from `was` to something else.
template <class Owner, class T>
void tellIfChanged(Owner& owner, const T& was, const T& now, void (Owner::*changed)()) {
    if (!(was == now)) (owner.*changed)();
}

}  // namespace zephrane::face
