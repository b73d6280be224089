// The hardware link as the user sees it: the fan-control daemon's state and
// its installation, the app's own SMC read connection, and the engine's
// last user-visible failure.
#pragma once

#include <optional>
#include <string>

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::face {

class EngineFace;

class DaemonFace final : public QObject {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("part of Face")
    Q_PROPERTY(State helperState READ helperStateValue NOTIFY helperStateChanged)
    Q_PROPERTY(QString helperStateReason READ helperStateReason NOTIFY helperStateChanged)
    Q_PROPERTY(bool hasHelperInstallIssue READ hasHelperInstallIssue NOTIFY helperInstallIssueChanged)
    Q_PROPERTY(QString helperInstallIssue READ helperInstallIssueText NOTIFY helperInstallIssueChanged)
    Q_PROPERTY(bool isHelperInstallInFlight READ isHelperInstallInFlight NOTIFY isHelperInstallInFlightChanged)
    Q_PROPERTY(bool legacyHelperRepairPending READ legacyHelperRepairPending NOTIFY legacyHelperRepairPendingChanged)
    Q_PROPERTY(bool smcAvailable READ smcAvailable NOTIFY smcAvailableChanged)
    Q_PROPERTY(bool hasLastError READ hasLastError NOTIFY lastErrorChanged)
    Q_PROPERTY(QString lastError READ lastErrorText NOTIFY lastErrorChanged)

public:
    // In the order of HelperState::Kind.
    enum State { Unavailable, NotRegistered, RequiresApproval, Enabled, Connected };
    Q_ENUM(State)

    struct Snapshot {
        HelperState helperState;
        std::optional<std::string> helperInstallIssue;
        bool isHelperInstallInFlight = false;
        bool legacyHelperRepairPending = false;
        bool smcAvailable = false;
        std::optional<std::string> lastError;
        friend bool operator==(const Snapshot&, const Snapshot&) = default;
    };

    DaemonFace(EngineFace& face, QObject* parent);

    const Snapshot& state() const { return state_; }
    const HelperState& helperState() const { return state_.helperState; }
    State helperStateValue() const { return static_cast<State>(state_.helperState.kind()); }
    QString helperStateReason() const;
    bool hasHelperInstallIssue() const { return state_.helperInstallIssue.has_value(); }
    QString helperInstallIssueText() const;
    bool isHelperInstallInFlight() const { return state_.isHelperInstallInFlight; }
    bool legacyHelperRepairPending() const { return state_.legacyHelperRepairPending; }
    bool smcAvailable() const { return state_.smcAvailable; }
    bool hasLastError() const { return state_.lastError.has_value(); }
    QString lastErrorText() const;

    Q_INVOKABLE void installHelper();
    Q_INVOKABLE void refreshHelperState();
    Q_INVOKABLE void openHelperApproval();
    Q_INVOKABLE void uninstallHelper();

    // For the face's implementation: what the engine now holds.
    void publish(Snapshot next);

signals:
    void helperStateChanged();
    void helperInstallIssueChanged();
    void isHelperInstallInFlightChanged();
    void legacyHelperRepairPendingChanged();
    void smcAvailableChanged();
    void lastErrorChanged();

private:
    EngineFace& face_;
    Snapshot state_;
};

}  // namespace zephrane::face
