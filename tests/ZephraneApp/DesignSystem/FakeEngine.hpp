// A scripted face for the design module's scenes written in QML: each one
// made in QML is a face of its own, so a scene can show one control in
// several daemon states side by side. Its daemon part goes to a control's
// `daemon`; the commands the controls asked for read back as `calls`.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"

namespace zephrane::design::testing {

class FakeEngine : public QObject {
    Q_OBJECT
    Q_PROPERTY(zephrane::face::DaemonFace* daemon READ daemon CONSTANT)
    // The state by its case's position (unavailable 0, notRegistered 1,
    // requiresApproval 2, enabled 3, connected 4).
    Q_PROPERTY(int helperStateKind READ helperStateKind WRITE setHelperStateKind NOTIFY scriptChanged)
    Q_PROPERTY(QString helperInstallIssue READ helperInstallIssue WRITE setHelperInstallIssue NOTIFY scriptChanged)
    Q_PROPERTY(bool isHelperInstallInFlight READ isHelperInstallInFlight WRITE setHelperInstallInFlight NOTIFY
                   scriptChanged)
    // What the controls asked for: "installHelper", "openHelperApproval",
    // "refreshHelperState", ... (written to clear).
    Q_PROPERTY(QStringList calls READ calls WRITE setCalls NOTIFY callsChanged)

public:
    explicit FakeEngine(QObject* parent = nullptr) : QObject(parent) {
        face_.setResponder([this](const face::FaceCommand& command) {
            using namespace face::command;
            if (std::holds_alternative<InstallHelper>(command)) calls_ << QStringLiteral("installHelper");
            else if (std::holds_alternative<OpenHelperApproval>(command)) calls_ << QStringLiteral("openHelperApproval");
            else if (std::holds_alternative<RefreshHelperState>(command)) calls_ << QStringLiteral("refreshHelperState");
            else calls_ << QString::fromStdString(face::describe(command));
            emit callsChanged();
        });
    }

    face::ScriptedEngineFace& face() { return face_; }
    face::DaemonFace* daemon() { return &face_.daemon(); }

    void setHelperState(HelperState state) {
        auto s = face_.daemon().state();
        s.helperState = std::move(state);
        publish(std::move(s));
    }
    int helperStateKind() const { return static_cast<int>(face_.daemon().helperState().kind()); }
    void setHelperStateKind(int kind) {
        switch (kind) {
            case 0: setHelperState(HelperState::unavailable("no daemon")); break;
            case 1: setHelperState(HelperState::notRegistered()); break;
            case 2: setHelperState(HelperState::requiresApproval()); break;
            case 3: setHelperState(HelperState::enabled()); break;
            default: setHelperState(HelperState::connected()); break;
        }
    }
    QString helperInstallIssue() const { return face_.daemon().helperInstallIssueText(); }
    void setHelperInstallIssue(const QString& issue) {
        auto s = face_.daemon().state();
        s.helperInstallIssue = issue.isEmpty() ? std::nullopt : std::optional<std::string>(issue.toStdString());
        publish(std::move(s));
    }
    bool isHelperInstallInFlight() const { return face_.daemon().isHelperInstallInFlight(); }
    void setHelperInstallInFlight(bool inFlight) {
        auto s = face_.daemon().state();
        s.isHelperInstallInFlight = inFlight;
        publish(std::move(s));
    }
    QStringList calls() const { return calls_; }
    void setCalls(const QStringList& calls) {
        calls_ = calls;
        emit callsChanged();
    }

signals:
    void scriptChanged();
    void callsChanged();

private:
    void publish(face::DaemonFace::Snapshot state) {
        face_.daemon().publish(std::move(state));
        emit scriptChanged();
    }

    face::ScriptedEngineFace face_;
    QStringList calls_;
};

}  // namespace zephrane::design::testing
