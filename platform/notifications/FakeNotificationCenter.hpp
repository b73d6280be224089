// A notification centre in memory for tests: it answers the permission
// request as told (at once, or when released), records every notification
// added, and can fail posts.
#pragma once

#include <memory>
#include <vector>

#include <QObject>

#include "platform/notifications/NotificationCenter.hpp"

namespace zephrane::notifications {

class FakeNotificationGate : public QObject {
    Q_OBJECT
signals:
    void opened();
};

class FakeNotificationCenter final : public NotificationCenter {
public:
    std::optional<std::string> identifier = std::string("com.zephrane.app");
    AuthorizationResult answer{true, std::nullopt};
    std::optional<std::string> postError;  // set: every add fails with it

    // Keeps permission requests pending until releaseAuthorization().
    void holdAuthorization() { held_ = true; }
    void releaseAuthorization() {
        held_ = false;
        emit gate_->opened();
    }

    int authorizationRequests() const { return authorizationRequests_; }
    const std::vector<NotificationRequest>& posted() const { return posted_; }

    std::optional<std::string> applicationIdentifier() const override { return identifier; }
    QCoro::Task<AuthorizationResult> requestAuthorization() override;
    QCoro::Task<std::optional<std::string>> add(NotificationRequest request) override;

private:
    std::unique_ptr<FakeNotificationGate> gate_ = std::make_unique<FakeNotificationGate>();
    bool held_ = false;
    int authorizationRequests_ = 0;
    std::vector<NotificationRequest> posted_;
};

}  // namespace zephrane::notifications
