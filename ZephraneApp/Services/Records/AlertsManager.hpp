// Turns the app's alarm conditions (overheating, per-category alert rules,
// fan-health events) into user notifications: one per rising edge of a
// condition, at most one per minute per condition, and an in-app alert in
// their place whenever notifications cannot be used (the app does not run
// under its own identity, permission was refused, or posting failed).
//
// Permission is asked once, on the first alarm, never at start-up. Alarms
// that arrive while the answer is pending wait for it and are then delivered
// in order; every delivery happens later on the event loop, and the throttle
// is applied when it runs. Lives on the GUI thread.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QObject>

#include "platform/notifications/NotificationCenter.hpp"

namespace zephrane {

class AlertsManager : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::system_clock::time_point()>;

    static constexpr auto kMinInterval = std::chrono::seconds(60);
    static constexpr const char* kApplicationIdentifier = "com.zephrane.app";

    explicit AlertsManager(std::shared_ptr<notifications::NotificationCenter> center,
                           Clock clock = &std::chrono::system_clock::now, QObject* parent = nullptr);
    ~AlertsManager() override;

    // Overheat input, every control tick. `hottestTemp` in °C.
    void update(bool isOverheating, const std::string& hottestSensorName, double hottestTemp);
    // One keyed condition; the texts go out unchanged.
    void updateRule(const std::string& key, bool isTriggered, const std::string& title, const std::string& message);

    const std::optional<std::string>& inAppAlert() const { return inAppAlert_; }
    void setInAppAlert(std::optional<std::string> alert);
    void dismissInAppAlert() { setInAppAlert(std::nullopt); }

    // Unit of the overheat text, read when the alarm is delivered.
    bool useFahrenheit() const { return useFahrenheit_; }
    void setUseFahrenheit(bool fahrenheit) { useFahrenheit_ = fahrenheit; }

    // The app runs under its own identity, so it may use the system's
    // notifications at all.
    bool canUseNotificationCenter() const;

signals:
    void inAppAlertChanged();

private:
    struct Alarm {
        std::optional<std::string> key;  // none: the overheat alarm
        std::string title;
        std::string body;                                   // keyed alarms
        std::optional<std::pair<std::string, double>> hot;  // overheat: sensor name, °C
    };
    struct Liveness {};

    void gate(Alarm alarm);
    void deferDelivery(Alarm alarm);
    void deliver(const Alarm& alarm);
    void authorizationFinished(notifications::AuthorizationResult result);
    bool passesThrottle(const std::optional<std::string>& key);

    static QCoro::Task<> requestAuthorization(std::weak_ptr<Liveness> alive, AlertsManager* manager,
                                              std::shared_ptr<notifications::NotificationCenter> center);
    static QCoro::Task<> post(std::weak_ptr<Liveness> alive, AlertsManager* manager,
                              std::shared_ptr<notifications::NotificationCenter> center,
                              notifications::NotificationRequest request, bool keyed);

    std::shared_ptr<notifications::NotificationCenter> center_;
    Clock clock_;
    std::shared_ptr<Liveness> alive_ = std::make_shared<Liveness>();

    std::optional<std::string> inAppAlert_;
    bool wasOverheating_ = false;
    std::optional<std::chrono::system_clock::time_point> lastNotificationDate_;
    bool authorizationRequested_ = false;
    bool notificationsAuthorized_ = false;
    bool authorizationStarted_ = false;  // the request exists, finished or not
    bool authorizationPending_ = false;
    std::vector<Alarm> waitingForAuthorization_;
    bool useFahrenheit_ = false;
    std::map<std::string, bool> ruleWasTriggered_;
    std::map<std::string, std::chrono::system_clock::time_point> ruleLastNotificationDate_;
};

}  // namespace zephrane
