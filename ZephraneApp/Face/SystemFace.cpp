#include "ZephraneApp/Face/SystemFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"

namespace zephrane::face {

SystemFace::SystemFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face) {}

std::optional<std::string> SystemFace::setLaunchAtLogin(bool enabled) {
    outcome_.reset();
    face_.perform(command::SetLaunchAtLogin{enabled});
    return std::exchange(outcome_, std::nullopt);
}

void SystemFace::refreshLaunchAtLogin() { face_.perform(command::RefreshLaunchAtLogin{}); }

QCoro::Task<notifications::AuthorizationResult> SystemFace::requestNotificationAuthorization() {
    return face_.requestNotificationAuthorization();
}

void SystemFace::setActivationPolicy(command::ActivationPolicy policy) {
    face_.perform(command::SetActivationPolicy{policy});
}

void SystemFace::setActivationPolicy(Policy policy) {
    setActivationPolicy(static_cast<command::ActivationPolicy>(policy));
}

void SystemFace::publish(State next) {
    const State was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.launchAtLogin, state_.launchAtLogin, &SystemFace::launchAtLoginChanged);
    tellIfChanged(*this, was.canUseNotificationCenter, state_.canUseNotificationCenter,
                  &SystemFace::canUseNotificationCenterChanged);
    tellIfChanged(*this, was.activationPolicy, state_.activationPolicy, &SystemFace::activationPolicyChanged);
}

}  // namespace zephrane::face
