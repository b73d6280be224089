#include "ZephraneApp/Face/DaemonFace.hpp"

#include <utility>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Face/QtText.hpp"

namespace zephrane::face {

DaemonFace::DaemonFace(EngineFace& face, QObject* parent) : QObject(parent), face_(face) {}

QString DaemonFace::helperStateReason() const { return qtText(state_.helperState.reason()); }

QString DaemonFace::helperInstallIssueText() const {
    return state_.helperInstallIssue ? qtText(*state_.helperInstallIssue) : QString();
}

QString DaemonFace::lastErrorText() const { return state_.lastError ? qtText(*state_.lastError) : QString(); }

void DaemonFace::installHelper() { face_.perform(command::InstallHelper{}); }

void DaemonFace::refreshHelperState() { face_.perform(command::RefreshHelperState{}); }

void DaemonFace::openHelperApproval() { face_.perform(command::OpenHelperApproval{}); }

void DaemonFace::uninstallHelper() { face_.perform(command::UninstallHelper{}); }

void DaemonFace::publish(Snapshot next) {
    const Snapshot was = std::exchange(state_, std::move(next));
    tellIfChanged(*this, was.helperState, state_.helperState, &DaemonFace::helperStateChanged);
    tellIfChanged(*this, was.helperInstallIssue, state_.helperInstallIssue, &DaemonFace::helperInstallIssueChanged);
    tellIfChanged(*this, was.isHelperInstallInFlight, state_.isHelperInstallInFlight,
                  &DaemonFace::isHelperInstallInFlightChanged);
    tellIfChanged(*this, was.legacyHelperRepairPending, state_.legacyHelperRepairPending,
                  &DaemonFace::legacyHelperRepairPendingChanged);
    tellIfChanged(*this, was.smcAvailable, state_.smcAvailable, &DaemonFace::smcAvailableChanged);
    tellIfChanged(*this, was.lastError, state_.lastError, &DaemonFace::lastErrorChanged);
}

}  // namespace zephrane::face
