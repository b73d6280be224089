// What HelperStateActionView.qml shows for the daemon's state, and the
// engine calls its buttons make. It reads the engine by the names the
// engine publishes, so any object with them will do (the engine, or a fake
// in tests):
//
//   helperState              zephrane::HelperState   (NOTIFY)
//   helperInstallIssue       QString, empty for none (NOTIFY)
//   isHelperInstallInFlight  bool
//   installHelper(), refreshHelperState(), openHelperApproval()   invokable
//
// A missing property reads as its default (notRegistered, no issue, no
// install in flight).
#pragma once

#include <QColor>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>

#include "ZephraneApp/DesignSystem/HelperStateRules.hpp"

namespace zephrane::design {

class ThemeTokens;

class HelperStateAction : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(QObject* engine READ engine WRITE setEngine NOTIFY engineChanged)
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

    QObject* engine() const { return engine_; }
    void setEngine(QObject* engine);
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
    void engineChanged();
    void showsConnectingCaptionChanged();
    void stateChanged();

private slots:
    void reread();

private:
    void call(const char* method);

    ThemeTokens& theme_;
    QPointer<QObject> engine_;
    QMetaObject::Connection stateWatch_;
    QMetaObject::Connection issueWatch_;
    bool showsCaption_ = false;
    HelperState::Kind state_ = HelperState::Kind::notRegistered;
    HelperAction action_ = HelperAction::install;
};

}  // namespace zephrane::design
