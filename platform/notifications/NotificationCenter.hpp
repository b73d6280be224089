// User notifications: ask once whether the app may notify, then post
// notifications that go out at once. On Linux the desktop's notification
// server (org.freedesktop.Notifications on the session bus) stands in for the
// system's notification centre; tests use FakeNotificationCenter.
//
// Both operations are asynchronous and resume on the caller's thread. They
// report failures as values, never as exceptions, so a caller's detached
// task cannot lose one.
#pragma once

#include <optional>
#include <string>

#include <QCoroTask>

namespace zephrane::notifications {

struct NotificationRequest {
    std::string identifier;  // unique per request
    std::string title;
    std::string body;
    bool defaultSound = true;

    friend bool operator==(const NotificationRequest&, const NotificationRequest&) = default;
};

struct AuthorizationResult {
    bool granted = false;
    // The localized description of the failure when the request itself
    // failed (then `granted` is false).
    std::optional<std::string> error;

    friend bool operator==(const AuthorizationResult&, const AuthorizationResult&) = default;
};

class NotificationCenter {
public:
    virtual ~NotificationCenter() = default;

    // The identity the app runs under; none when it has none.
    virtual std::optional<std::string> applicationIdentifier() const = 0;
    // Permission for alerts with sound.
    virtual QCoro::Task<AuthorizationResult> requestAuthorization() = 0;
    // None when the notification was handed over, else the failure's
    // localized description.
    virtual QCoro::Task<std::optional<std::string>> add(NotificationRequest request) = 0;
};

}  // namespace zephrane::notifications
