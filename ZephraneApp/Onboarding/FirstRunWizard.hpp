// The first-run wizard as a state machine over the face: the step shown and
// the moves between steps, the daemon step's status and action, the
// notification question and the login item. Every presentation starts
// afresh (a new presenter): on the welcome step, no error, nothing asked.
//
// Finishing (Finish, or Skip Setup on any step) marks first-run setup
// complete, which the engine stores at once, and then asks the host to
// dismiss the sheet. Arriving on the daemon step, forward or back, asks the
// engine once to read the daemon's state again; the step then follows the
// engine's state as it changes. A notification answer lands whenever it
// comes, also after the user moved on; with two questions pending the later
// answer wins.
#pragma once

#include <optional>
#include <string>

#include <QColor>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/EngineFace.hpp"
#include "ZephraneApp/Onboarding/WizardSteps.hpp"

namespace zephrane::design {
class ThemeTokens;
}

namespace zephrane::onboarding {

class FirstRunWizard : public QObject {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(zephrane::face::EngineFace* face READ face WRITE setFace NOTIFY faceChanged)
    Q_PROPERTY(int step READ stepValue WRITE setStepValue NOTIFY stepChanged)
    Q_PROPERTY(QString title READ title NOTIFY stepChanged)
    Q_PROPERTY(QString subtitle READ subtitle NOTIFY stepChanged)
    Q_PROPERTY(QString symbol READ symbol NOTIFY stepChanged)
    Q_PROPERTY(QString counterText READ counterText NOTIFY stepChanged)
    Q_PROPERTY(bool showsBack READ showsBackButton NOTIFY stepChanged)
    Q_PROPERTY(bool showsSkip READ showsSkipButton NOTIFY stepChanged)
    Q_PROPERTY(bool showsForward READ showsForwardButton NOTIFY stepChanged)
    Q_PROPERTY(bool showsFinish READ showsFinishButton NOTIFY stepChanged)
    Q_PROPERTY(QString forwardTitle READ forwardTitleText NOTIFY stepChanged)

    Q_PROPERTY(QString helperStatusText READ helperStatusText NOTIFY helperChanged)
    Q_PROPERTY(QString helperStatusSymbol READ helperStatusSymbol NOTIFY helperChanged)
    Q_PROPERTY(QColor helperStatusColor READ helperStatusColor NOTIFY helperChanged)
    Q_PROPERTY(bool hasHelperIssue READ hasHelperIssue NOTIFY helperChanged)
    Q_PROPERTY(QString helperIssue READ helperIssue NOTIFY helperChanged)
    Q_PROPERTY(HelperAction helperAction READ helperAction NOTIFY helperChanged)
    Q_PROPERTY(QString helperActionTitle READ helperActionTitle NOTIFY helperChanged)
    Q_PROPERTY(QString helperReason READ helperReason NOTIFY helperChanged)

    Q_PROPERTY(bool notificationsRequested READ notificationsRequested NOTIFY notificationsChanged)
    Q_PROPERTY(bool notificationsGranted READ notificationsGranted NOTIFY notificationsChanged)
    Q_PROPERTY(QString notificationStatusText READ notificationStatusText NOTIFY notificationsChanged)
    Q_PROPERTY(QString notificationStatusSymbol READ notificationStatusSymbol NOTIFY notificationsChanged)
    Q_PROPERTY(QColor notificationStatusColor READ notificationStatusColor NOTIFY notificationsChanged)
    Q_PROPERTY(QString notificationHint READ notificationHint NOTIFY notificationsChanged)

    Q_PROPERTY(bool launchAtLogin READ launchAtLogin NOTIFY launchAtLoginChanged)
    Q_PROPERTY(bool hasLoginItemError READ hasLoginItemError NOTIFY loginItemErrorChanged)
    Q_PROPERTY(QString loginItemError READ loginItemError NOTIFY loginItemErrorChanged)

public:
    enum StepValue { Welcome, Helper, Notifications, LoginItem, Done };
    Q_ENUM(StepValue)
    enum HelperAction { NoAction, Install, Approve, TryAgain, Repair };
    Q_ENUM(HelperAction)

    explicit FirstRunWizard(QObject* parent = nullptr);
    FirstRunWizard(design::ThemeTokens& theme, QObject* parent = nullptr);

    face::EngineFace* face() const { return face_; }
    void setFace(face::EngineFace* face);

    Step step() const { return step_; }
    int stepValue() const { return static_cast<int>(step_); }
    // Shows a step straight away (a host or the gallery opening on it); a
    // value outside the steps changes nothing.
    void setStepValue(int raw);
    QString title() const;
    QString subtitle() const;
    QString symbol() const;
    QString counterText() const;
    bool showsBackButton() const { return showsBack(step_); }
    bool showsSkipButton() const { return showsSkip(step_); }
    bool showsForwardButton() const { return showsForward(step_); }
    bool showsFinishButton() const { return showsFinish(step_); }
    QString forwardTitleText() const;
    // A step's title and subtitle, for a step's body that is still leaving.
    Q_INVOKABLE static QString titleOf(int step);
    Q_INVOKABLE static QString subtitleOf(int step);

    Q_INVOKABLE void forward();
    Q_INVOKABLE void back();
    // Finish and Skip Setup.
    Q_INVOKABLE void finish();

    QString helperStatusText() const;
    QString helperStatusSymbol() const;
    QColor helperStatusColor() const;
    bool hasHelperIssue() const;
    QString helperIssue() const;
    HelperAction helperAction() const;
    QString helperActionTitle() const;
    QString helperReason() const;
    // The daemon step's button: install, open the approval, or try again.
    Q_INVOKABLE void performHelperAction();

    bool notificationsRequested() const { return notificationsRequested_; }
    bool notificationsGranted() const { return notificationsGranted_; }
    QString notificationStatusText() const;
    QString notificationStatusSymbol() const;
    QColor notificationStatusColor() const;
    QString notificationHint() const;
    // "Enable Notifications": asks the system only when the app runs under
    // its own identity; otherwise answered at once as not granted.
    Q_INVOKABLE void requestNotifications();

    bool launchAtLogin() const;
    bool hasLoginItemError() const { return loginItemError_.has_value(); }
    QString loginItemError() const;
    Q_INVOKABLE void setLaunchAtLogin(bool enabled);

signals:
    void faceChanged();
    void stepChanged();
    void helperChanged();
    void notificationsChanged();
    void launchAtLoginChanged();
    void loginItemErrorChanged();
    // Finished or skipped: the host closes the sheet.
    void dismissRequested();

private:
    void moveTo(Step step);
    void arrived();
    void answerNotifications(bool granted);
    static QCoro::Task<> askForNotifications(QPointer<FirstRunWizard> wizard, QPointer<face::EngineFace> face);

    design::ThemeTokens& theme_;
    QPointer<face::EngineFace> face_;
    Step step_ = Step::welcome;
    bool notificationsRequested_ = false;
    bool notificationsGranted_ = false;
    std::optional<std::string> loginItemError_;
};

}  // namespace zephrane::onboarding
