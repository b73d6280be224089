// What views ask of the desktop around the app rather than of the engine:
// the app's own login item (launch at login), the permission to post
// notifications, and the activation policy (whether the app shows among
// the running applications; on the desktop, whether the main window is in
// the task bar). The face's implementation carries each out on the
// system; the scripted one records them and answers as a test tells it.
#pragma once

#include <optional>
#include <string>

#include <QObject>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/FaceCommand.hpp"
#include "platform/notifications/NotificationCenter.hpp"

namespace zephrane::face {

class EngineFace;

class SystemFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool canUseNotificationCenter READ canUseNotificationCenter NOTIFY canUseNotificationCenterChanged)
    Q_PROPERTY(Policy activationPolicy READ activationPolicyValue NOTIFY activationPolicyChanged)

public:
    // In the order of command::ActivationPolicy.
    enum Policy { Regular, Accessory };
    Q_ENUM(Policy)

    struct State {
        // The login item is registered, as the system last answered.
        bool launchAtLogin = false;
        // The app runs under its own identity, so the system's notification
        // centre may be asked at all.
        bool canUseNotificationCenter = false;
        command::ActivationPolicy activationPolicy = command::ActivationPolicy::regular;
        friend bool operator==(const State&, const State&) = default;
    };

    SystemFace(EngineFace& face, QObject* parent);

    const State& state() const { return state_; }
    bool launchAtLogin() const { return state_.launchAtLogin; }
    bool canUseNotificationCenter() const { return state_.canUseNotificationCenter; }
    Policy activationPolicyValue() const { return static_cast<Policy>(state_.activationPolicy); }

    // Registers (true) or unregisters (false) the login item; none on
    // success, else the failure's description. The registration is read
    // again afterwards, whatever the outcome.
    std::optional<std::string> setLaunchAtLogin(bool enabled);
    // Reads the registration again (the user may have changed it outside).
    Q_INVOKABLE void refreshLaunchAtLogin();
    // Asks for permission to post alerts with sound; the answer, or the
    // failure as a refusal with its description.
    QCoro::Task<notifications::AuthorizationResult> requestNotificationAuthorization();
    void setActivationPolicy(command::ActivationPolicy policy);
    Q_INVOKABLE void setActivationPolicy(Policy policy);

    // For the face's implementation: what the system now holds, and the
    // outcome of the login-item change being performed.
    void publish(State next);
    void tellLaunchAtLoginOutcome(std::optional<std::string> failure) { outcome_ = std::move(failure); }

signals:
    void launchAtLoginChanged();
    void canUseNotificationCenterChanged();
    void activationPolicyChanged();

private:
    EngineFace& face_;
    State state_;
    std::optional<std::string> outcome_;
};

}  // namespace zephrane::face
