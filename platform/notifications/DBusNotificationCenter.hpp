#pragma once

#include <QDBusConnection>
#include <QString>

#include "platform/notifications/NotificationCenter.hpp"

namespace zephrane::notifications {

// Notifications through the desktop's notification server. Permission is
// granted when a server owns org.freedesktop.Notifications or the bus can
// start one; there is no per-app permission prompt on the desktop.
class DBusNotificationCenter final : public NotificationCenter {
public:
    // `appName` is shown by the server as the sender.
    DBusNotificationCenter(QDBusConnection bus, std::optional<std::string> applicationIdentifier,
                           QString appName = QStringLiteral("Brumalune"));

    // The identifier embedded in this process's executable, if any.
    static std::optional<std::string> runningApplicationIdentifier();

    std::optional<std::string> applicationIdentifier() const override { return applicationIdentifier_; }
    QCoro::Task<AuthorizationResult> requestAuthorization() override;
    QCoro::Task<std::optional<std::string>> add(NotificationRequest request) override;

private:
    QDBusConnection bus_;
    std::optional<std::string> applicationIdentifier_;
    QString appName_;
};

}  // namespace zephrane::notifications
