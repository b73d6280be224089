#include "ZephraneApp/DesignSystem/Controls/HelperStateAction.hpp"

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"

namespace zephrane::design {
namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

}  // namespace

HelperStateAction::HelperStateAction(QObject* parent) : HelperStateAction(ThemeTokens::shared(), parent) {}

HelperStateAction::HelperStateAction(ThemeTokens& theme, QObject* parent) : QObject(parent), theme_(theme) {
    connect(&theme_, &ThemeTokens::appearanceChanged, this, &HelperStateAction::stateChanged);
    connect(&theme_, &ThemeTokens::accentChanged, this, &HelperStateAction::stateChanged);
    reread();
}

void HelperStateAction::setDaemon(face::DaemonFace* daemon) {
    if (daemon == daemon_) return;
    if (daemon_) disconnect(daemon_, nullptr, this, nullptr);
    daemon_ = daemon;
    if (daemon_) {
        connect(daemon_, &face::DaemonFace::helperStateChanged, this, &HelperStateAction::reread);
        connect(daemon_, &face::DaemonFace::helperInstallIssueChanged, this, &HelperStateAction::reread);
        // A daemon part that goes reads as none.
        connect(daemon_, &QObject::destroyed, this, &HelperStateAction::reread);
    }
    emit daemonChanged();
    reread();
}

void HelperStateAction::setShowsConnectingCaption(bool shows) {
    if (shows == showsCaption_) return;
    showsCaption_ = shows;
    emit showsConnectingCaptionChanged();
}

void HelperStateAction::reread() {
    const HelperState::Kind state = daemon_ ? daemon_->helperState().kind() : HelperState::Kind::notRegistered;
    const HelperAction action = helperAction(daemon_ && daemon_->hasHelperInstallIssue(), state);
    if (state == state_ && action == action_) return;
    state_ = state;
    action_ = action;
    emit stateChanged();
}

HelperStateAction::Action HelperStateAction::action() const {
    switch (action_) {
        case HelperAction::none: return None;
        case HelperAction::repair: return Repair;
        case HelperAction::install: return Install;
        case HelperAction::approve: return Approve;
        case HelperAction::connecting: return Connecting;
    }
    return None;
}

bool HelperStateAction::showsButton() const {
    return action_ == HelperAction::repair || action_ == HelperAction::install || action_ == HelperAction::approve;
}

QString HelperStateAction::buttonTitle() const { return text(helperActionTitle(action_)); }

QColor HelperStateAction::tint() const { return helperTintColor(helperStateTint(state_), theme_.appearance(), theme_.accentColor()); }

QString HelperStateAction::connectingCaption() const { return text(kConnectingCaption); }

QString HelperStateAction::refreshTitle() const { return text(kRefreshTitle); }

void HelperStateAction::activate() {
    if (!daemon_) return;
    switch (action_) {
        case HelperAction::repair:
        case HelperAction::install: daemon_->installHelper(); break;
        case HelperAction::approve: daemon_->openHelperApproval(); break;
        case HelperAction::connecting:
        case HelperAction::none: break;
    }
}

void HelperStateAction::refresh() {
    if (!daemon_ || action_ != HelperAction::connecting) return;
    if (daemon_->isHelperInstallInFlight()) return;
    daemon_->refreshHelperState();
}

}  // namespace zephrane::design
