// An engine for the design module's views: the properties and operations
// the views read and call, by the engine's names, and a record of the calls.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "ZephraneApp/Services/Daemon/HelperState.hpp"

namespace zephrane::design::testing {

class FakeEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(zephrane::HelperState helperState READ helperState WRITE setHelperState NOTIFY helperStateChanged)
    Q_PROPERTY(QString helperInstallIssue READ helperInstallIssue WRITE setHelperInstallIssue NOTIFY
                   helperInstallIssueChanged)
    Q_PROPERTY(bool isHelperInstallInFlight MEMBER isHelperInstallInFlight NOTIFY inFlightChanged)
    Q_PROPERTY(bool mainWindowVisible MEMBER mainWindowVisible NOTIFY mainWindowVisibleChanged)
    // For scenes written in QML: the state by its case's position
    // (unavailable 0, notRegistered 1, requiresApproval 2, enabled 3,
    // connected 4).
    Q_PROPERTY(int helperStateKind READ helperStateKind WRITE setHelperStateKind NOTIFY helperStateChanged)
    Q_PROPERTY(QStringList calls MEMBER calls NOTIFY callsChanged)

public:
    using QObject::QObject;

    HelperState helperState() const { return state_; }
    void setHelperState(const HelperState& state) {
        if (state == state_) return;
        state_ = state;
        emit helperStateChanged();
    }
    int helperStateKind() const { return static_cast<int>(state_.kind()); }
    void setHelperStateKind(int kind) {
        switch (kind) {
            case 0: setHelperState(HelperState::unavailable("no daemon")); break;
            case 1: setHelperState(HelperState::notRegistered()); break;
            case 2: setHelperState(HelperState::requiresApproval()); break;
            case 3: setHelperState(HelperState::enabled()); break;
            default: setHelperState(HelperState::connected()); break;
        }
    }
    QString helperInstallIssue() const { return issue_; }
    void setHelperInstallIssue(const QString& issue) {
        if (issue == issue_) return;
        issue_ = issue;
        emit helperInstallIssueChanged();
    }

    Q_INVOKABLE void installHelper() { record("installHelper"); }
    Q_INVOKABLE void refreshHelperState() { record("refreshHelperState"); }
    Q_INVOKABLE void openHelperApproval() { record("openHelperApproval"); }

    bool isHelperInstallInFlight = false;
    bool mainWindowVisible = true;
    QStringList calls;

signals:
    void helperStateChanged();
    void helperInstallIssueChanged();
    void inFlightChanged();
    void mainWindowVisibleChanged();
    void callsChanged();

private:
    void record(const char* call) {
        calls << QString::fromLatin1(call);
        emit callsChanged();
    }

    HelperState state_;
    QString issue_;
};

}  // namespace zephrane::design::testing
