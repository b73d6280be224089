#include "ZephraneApp/Services/Records/AlertsManager.hpp"

#include <utility>

#include <QCoroTimer>
#include <QUuid>

#include "platform/oslog/OSLog.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane {
namespace {

const oslog::Logger& log() { return oslog::logger("com.zephrane.app", "alerts"); }

std::string overheatBody(const std::string& sensorName, double celsius, bool fahrenheit) {
    return sensorName + " is running hot at " + TemperatureFormat::display(celsius, fahrenheit, /*precise=*/false);
}

}  // namespace

AlertsManager::AlertsManager(std::shared_ptr<notifications::NotificationCenter> center, Clock clock, QObject* parent)
    : QObject(parent), center_(std::move(center)), clock_(std::move(clock)) {}

AlertsManager::~AlertsManager() = default;

bool AlertsManager::canUseNotificationCenter() const {
    const auto identifier = center_->applicationIdentifier();
    return identifier && *identifier == kApplicationIdentifier;
}

void AlertsManager::setInAppAlert(std::optional<std::string> alert) {
    if (alert == inAppAlert_) return;
    inAppAlert_ = std::move(alert);
    emit inAppAlertChanged();
}

void AlertsManager::update(bool isOverheating, const std::string& hottestSensorName, double hottestTemp) {
    if (isOverheating && !wasOverheating_) {
        gate(Alarm{std::nullopt, "Brumalune: Overheating", {}, std::pair{hottestSensorName, hottestTemp}});
    }
    wasOverheating_ = isOverheating;
}

void AlertsManager::updateRule(const std::string& key, bool isTriggered, const std::string& title,
                               const std::string& message) {
    bool& wasTriggered = ruleWasTriggered_[key];
    if (isTriggered && !wasTriggered) gate(Alarm{key, title, message, std::nullopt});
    wasTriggered = isTriggered;
}

void AlertsManager::gate(Alarm alarm) {
    if (!authorizationRequested_) {
        authorizationRequested_ = true;
        if (!canUseNotificationCenter()) {
            deliver(alarm);  // ends as an in-app alert
            return;
        }
        authorizationStarted_ = true;
        authorizationPending_ = true;
        waitingForAuthorization_.push_back(std::move(alarm));
        requestAuthorization(alive_, this, center_);
        return;
    }
    if (authorizationPending_) {
        waitingForAuthorization_.push_back(std::move(alarm));
    } else if (authorizationStarted_) {
        deferDelivery(std::move(alarm));
    } else {
        deliver(alarm);
    }
}

void AlertsManager::deferDelivery(Alarm alarm) {
    QMetaObject::invokeMethod(this, [this, alarm = std::move(alarm)] { deliver(alarm); }, Qt::QueuedConnection);
}

QCoro::Task<> AlertsManager::requestAuthorization(std::weak_ptr<Liveness> alive, AlertsManager* manager,
                                                  std::shared_ptr<notifications::NotificationCenter> center) {
    // Always answers on a later turn of the event loop, like a reply would.
    co_await QCoro::sleepFor(std::chrono::milliseconds(0));
    if (alive.expired()) co_return;
    notifications::AuthorizationResult result = co_await center->requestAuthorization();
    if (alive.expired()) co_return;
    manager->authorizationFinished(std::move(result));
}

void AlertsManager::authorizationFinished(notifications::AuthorizationResult result) {
    notificationsAuthorized_ = result.granted && !result.error;
    if (result.error) log().error("notification authorization request failed: " + *result.error);
    authorizationPending_ = false;
    const std::vector<Alarm> waiting = std::exchange(waitingForAuthorization_, {});
    for (const Alarm& alarm : waiting) deliver(alarm);
}

bool AlertsManager::passesThrottle(const std::optional<std::string>& key) {
    const auto now = clock_();
    std::optional<std::chrono::system_clock::time_point> last = lastNotificationDate_;
    if (key) {
        const auto found = ruleLastNotificationDate_.find(*key);
        last = found == ruleLastNotificationDate_.end() ? std::nullopt : std::optional(found->second);
    }
    if (last && now < *last + kMinInterval) return false;
    // Taken before the alarm goes out, whichever way it goes.
    if (key) {
        ruleLastNotificationDate_[*key] = now;
    } else {
        lastNotificationDate_ = now;
    }
    return true;
}

void AlertsManager::deliver(const Alarm& alarm) {
    if (!passesThrottle(alarm.key)) return;
    const std::string body =
        alarm.hot ? overheatBody(alarm.hot->first, alarm.hot->second, useFahrenheit_) : alarm.body;

    if (canUseNotificationCenter() && notificationsAuthorized_) {
        notifications::NotificationRequest request{QUuid::createUuid().toString(QUuid::WithoutBraces).toStdString(),
                                                   alarm.title, body, true};
        post(alive_, this, center_, std::move(request), alarm.key.has_value());
    } else {
        setInAppAlert(body);
    }
}

QCoro::Task<> AlertsManager::post(std::weak_ptr<Liveness> alive, AlertsManager* manager,
                                  std::shared_ptr<notifications::NotificationCenter> center,
                                  notifications::NotificationRequest request, bool keyed) {
    std::string body = request.body;
    const std::optional<std::string> error = co_await center->add(std::move(request));
    if (!error || alive.expired()) co_return;
    manager->setInAppAlert(std::move(body));
    log().error(std::string(keyed ? "rule notification" : "notification") + " post failed: " + *error);
}

}  // namespace zephrane
