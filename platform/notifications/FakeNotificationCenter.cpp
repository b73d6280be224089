#include "platform/notifications/FakeNotificationCenter.hpp"

#include <QCoroSignal>

namespace zephrane::notifications {

QCoro::Task<AuthorizationResult> FakeNotificationCenter::requestAuthorization() {
    ++authorizationRequests_;
    if (held_) co_await qCoro(gate_.get(), &FakeNotificationGate::opened);
    co_return AuthorizationResult(answer);  // a copy: QCoro moves from a returned lvalue
}

QCoro::Task<std::optional<std::string>> FakeNotificationCenter::add(NotificationRequest request) {
    if (postError) co_return std::optional<std::string>(postError);
    posted_.push_back(std::move(request));
    co_return std::nullopt;
}

}  // namespace zephrane::notifications
