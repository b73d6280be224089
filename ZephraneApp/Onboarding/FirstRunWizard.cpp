#include "ZephraneApp/Onboarding/FirstRunWizard.hpp"

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"

namespace zephrane::onboarding {
namespace {

QString qtText(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

FirstRunWizard::FirstRunWizard(QObject* parent) : FirstRunWizard(design::ThemeTokens::shared(), parent) {}

FirstRunWizard::FirstRunWizard(design::ThemeTokens& theme, QObject* parent) : QObject(parent), theme_(theme) {
    connect(&theme_, &design::ThemeTokens::appearanceChanged, this, &FirstRunWizard::helperChanged);
    connect(&theme_, &design::ThemeTokens::accentChanged, this, &FirstRunWizard::helperChanged);
    connect(&theme_, &design::ThemeTokens::appearanceChanged, this, &FirstRunWizard::notificationsChanged);
}

void FirstRunWizard::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    if (face_) {
        disconnect(&face_->daemon(), nullptr, this, nullptr);
        disconnect(&face_->system(), nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        connect(&face_->daemon(), &face::DaemonFace::helperStateChanged, this, &FirstRunWizard::helperChanged);
        connect(&face_->daemon(), &face::DaemonFace::helperInstallIssueChanged, this, &FirstRunWizard::helperChanged);
        connect(&face_->system(), &face::SystemFace::launchAtLoginChanged, this, &FirstRunWizard::launchAtLoginChanged);
        arrived();
    }
    emit faceChanged();
    emit helperChanged();
    emit launchAtLoginChanged();
}

void FirstRunWizard::setStepValue(int raw) {
    if (const auto step = stepFromRawValue(raw)) moveTo(*step);
}

void FirstRunWizard::forward() { moveTo(nextStep(step_)); }
void FirstRunWizard::back() { moveTo(previousStep(step_)); }

void FirstRunWizard::moveTo(Step step) {
    if (step == step_) return;
    step_ = step;
    emit stepChanged();
    arrived();
}

// What a step's content does each time it comes on screen.
void FirstRunWizard::arrived() {
    if (!face_) return;
    if (step_ == Step::helper) face_->daemon().refreshHelperState();
    if (step_ == Step::loginItem) face_->system().refreshLaunchAtLogin();
}

void FirstRunWizard::finish() {
    if (face_) face_->preferences().setHasCompletedFirstRunSetup(true);
    emit dismissRequested();
}

QString FirstRunWizard::title() const { return qtText(stepTitle(step_)); }
QString FirstRunWizard::subtitle() const { return qtText(stepSubtitle(step_)); }
QString FirstRunWizard::symbol() const { return qtText(stepSymbol(step_)); }
QString FirstRunWizard::counterText() const { return QString::fromStdString(stepCounterText(step_)); }
QString FirstRunWizard::titleOf(int step) {
    const auto s = stepFromRawValue(step);
    return s ? qtText(stepTitle(*s)) : QString();
}

QString FirstRunWizard::subtitleOf(int step) {
    const auto s = stepFromRawValue(step);
    return s ? qtText(stepSubtitle(*s)) : QString();
}

QString FirstRunWizard::forwardTitleText() const { return qtText(forwardTitle(step_)); }

namespace {

HelperState::Kind stateOf(const face::EngineFace* face) {
    return face ? face->daemon().helperState().kind() : HelperState::Kind::notRegistered;
}

}  // namespace

QString FirstRunWizard::helperStatusText() const { return qtText(helperStatusLine(stateOf(face_), hasHelperIssue()).text); }

QString FirstRunWizard::helperStatusSymbol() const {
    return qtText(helperStatusLine(stateOf(face_), hasHelperIssue()).symbol);
}

QColor FirstRunWizard::helperStatusColor() const {
    return design::helperTintColor(helperStatusLine(stateOf(face_), hasHelperIssue()).tint, theme_.appearance(),
                                   theme_.accentColor());
}

bool FirstRunWizard::hasHelperIssue() const { return face_ && face_->daemon().hasHelperInstallIssue(); }
QString FirstRunWizard::helperIssue() const { return face_ ? face_->daemon().helperInstallIssueText() : QString(); }

FirstRunWizard::HelperAction FirstRunWizard::helperAction() const {
    if (hasHelperIssue()) return Repair;
    switch (helperStepAction(stateOf(face_))) {
        case HelperStepAction::install: return Install;
        case HelperStepAction::approve: return Approve;
        case HelperStepAction::tryAgain: return TryAgain;
        case HelperStepAction::none: break;
    }
    return NoAction;
}

QString FirstRunWizard::helperActionTitle() const {
    if (hasHelperIssue()) return {};
    return qtText(helperStepActionTitle(helperStepAction(stateOf(face_))));
}

QString FirstRunWizard::helperReason() const { return face_ ? face_->daemon().helperStateReason() : QString(); }

void FirstRunWizard::performHelperAction() {
    if (!face_) return;
    switch (helperAction()) {
        case Install:
        case TryAgain:
        case Repair: face_->daemon().installHelper(); break;
        case Approve: face_->daemon().openHelperApproval(); break;
        case NoAction: break;
    }
}

void FirstRunWizard::requestNotifications() {
    if (!face_) return;
    if (!face_->system().canUseNotificationCenter()) {
        notificationsRequested_ = true;
        notificationsGranted_ = false;
        emit notificationsChanged();
        return;
    }
    askForNotifications(this, face_);
}

QCoro::Task<> FirstRunWizard::askForNotifications(QPointer<FirstRunWizard> wizard, QPointer<face::EngineFace> face) {
    const notifications::AuthorizationResult result = co_await face->system().requestNotificationAuthorization();
    if (!wizard) co_return;
    wizard->answerNotifications(result.granted && !result.error);
}

void FirstRunWizard::answerNotifications(bool granted) {
    notificationsGranted_ = granted;
    notificationsRequested_ = true;
    emit notificationsChanged();
}

QString FirstRunWizard::notificationStatusText() const { return qtText(notificationAnswer(notificationsGranted_).text); }

QString FirstRunWizard::notificationStatusSymbol() const {
    return qtText(notificationAnswer(notificationsGranted_).symbol);
}

QColor FirstRunWizard::notificationStatusColor() const {
    return notificationAnswer(notificationsGranted_).green ? theme_.statusGreen() : theme_.secondary();
}

QString FirstRunWizard::notificationHint() const { return qtText(notificationAnswer(notificationsGranted_).hint); }

bool FirstRunWizard::launchAtLogin() const { return face_ && face_->system().launchAtLogin(); }

QString FirstRunWizard::loginItemError() const {
    return loginItemError_ ? QString::fromStdString(*loginItemError_) : QString();
}

void FirstRunWizard::setLaunchAtLogin(bool enabled) {
    if (!face_) return;
    std::optional<std::string> error = face_->system().setLaunchAtLogin(enabled);
    if (error != loginItemError_) {
        loginItemError_ = std::move(error);
        emit loginItemErrorChanged();
    }
    // The toggle shows what the system holds, also when that did not change.
    emit launchAtLoginChanged();
}

}  // namespace zephrane::onboarding
