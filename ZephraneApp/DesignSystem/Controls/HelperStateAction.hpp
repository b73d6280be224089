// What HelperStateActionView.qml shows for the daemon's state, and what its
// buttons ask of the engine, through the face's daemon part. Without one
// (none given yet, or gone) it shows what is known before anything was
// asked: not registered, no issue, no install in flight.
#pragma once

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/Controls/HelperStateRules.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"

namespace zephrane::design {

class ThemeTokens;

class HelperStateAction : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::DaemonFace* daemon READ daemon WRITE setDaemon NOTIFY daemonChanged)
    Q_PROPERTY(bool showsConnectingCaption READ showsConnectingCaption WRITE setShowsConnectingCaption NOTIFY
                   showsConnectingCaptionChanged)

    Q_PROPERTY(Action action READ action NOTIFY stateChanged)
    Q_PROPERTY(bool showsButton READ showsButton NOTIFY stateChanged)
    Q_PROPERTY(QString buttonTitle READ buttonTitle NOTIFY stateChanged)
    Q_PROPERTY(bool connecting READ connecting NOTIFY stateChanged)
    Q_PROPERTY(QColor tint READ tint NOTIFY stateChanged)
    Q_PROPERTY(QString connectingCaption READ connectingCaption CONSTANT)
    Q_PROPERTY(QString refreshTitle READ refreshTitle CONSTANT)
    Q_PROPERTY(double rowSpacing READ rowSpacing NOTIFY showsConnectingCaptionChanged)

public:
    enum Action { None, Repair, Install, Approve, Connecting };
    Q_ENUM(Action)

    explicit HelperStateAction(QObject* parent = nullptr);
    HelperStateAction(ThemeTokens& theme, QObject* parent = nullptr);

    face::DaemonFace* daemon() const { return daemon_; }
    void setDaemon(face::DaemonFace* daemon);
    bool showsConnectingCaption() const { return showsCaption_; }
    void setShowsConnectingCaption(bool shows);

    Action action() const;
    bool showsButton() const;
    QString buttonTitle() const;
    bool connecting() const { return action_ == HelperAction::connecting; }
    QColor tint() const;
    QString connectingCaption() const;
    QString refreshTitle() const;
    double rowSpacing() const { return connectingRowSpacing(showsCaption_); }

    // The action button: install or repair, or open the approval.
    Q_INVOKABLE void activate();
    // The connecting row's "Refresh": nothing while an install runs.
    Q_INVOKABLE void refresh();

signals:
    void daemonChanged();
    void showsConnectingCaptionChanged();
    void stateChanged();

private:
    void reread();

    ThemeTokens& theme_;
    QPointer<face::DaemonFace> daemon_;
    bool showsCaption_ = false;
    HelperState::Kind state_ = HelperState::Kind::notRegistered;
    HelperAction action_ = HelperAction::install;
};

}  // namespace zephrane::design
