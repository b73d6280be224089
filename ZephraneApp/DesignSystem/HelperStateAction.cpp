#include "ZephraneApp/DesignSystem/HelperStateAction.hpp"

#include <QMetaProperty>

#include "ZephraneApp/DesignSystem/ThemeTokens.hpp"

namespace zephrane::design {
namespace {

QString text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

QMetaProperty engineProperty(const QObject* object, const char* name) {
    const QMetaObject* meta = object->metaObject();
    const int index = meta->indexOfProperty(name);
    return index < 0 ? QMetaProperty() : meta->property(index);
}

}  // namespace

HelperStateAction::HelperStateAction(QObject* parent) : HelperStateAction(ThemeTokens::shared(), parent) {}

HelperStateAction::HelperStateAction(ThemeTokens& theme, QObject* parent) : QObject(parent), theme_(theme) {
    connect(&theme_, &ThemeTokens::appearanceChanged, this, &HelperStateAction::stateChanged);
    connect(&theme_, &ThemeTokens::accentChanged, this, &HelperStateAction::stateChanged);
    reread();
}

void HelperStateAction::setEngine(QObject* engine) {
    if (engine == engine_) return;
    disconnect(stateWatch_);
    disconnect(issueWatch_);
    engine_ = engine;
    if (engine_) {
        const QMetaMethod reader = metaObject()->method(metaObject()->indexOfSlot("reread()"));
        if (const QMetaProperty p = engineProperty(engine_, "helperState"); p.hasNotifySignal())
            stateWatch_ = connect(engine_, p.notifySignal(), this, reader);
        if (const QMetaProperty p = engineProperty(engine_, "helperInstallIssue"); p.hasNotifySignal())
            issueWatch_ = connect(engine_, p.notifySignal(), this, reader);
    }
    emit engineChanged();
    reread();
}

void HelperStateAction::setShowsConnectingCaption(bool shows) {
    if (shows == showsCaption_) return;
    showsCaption_ = shows;
    emit showsConnectingCaptionChanged();
}

void HelperStateAction::reread() {
    HelperState::Kind state = HelperState::Kind::notRegistered;
    bool issue = false;
    if (engine_) {
        const QVariant s = engine_->property("helperState");
        if (s.metaType() == QMetaType::fromType<HelperState>()) state = s.value<HelperState>().kind();
        issue = !engine_->property("helperInstallIssue").toString().isEmpty();
    }
    const HelperAction action = helperAction(issue, state);
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

QColor HelperStateAction::tint() const { return helperTintColor(helperStateTint(state_), theme_.appearance()); }

QString HelperStateAction::connectingCaption() const { return text(kConnectingCaption); }

QString HelperStateAction::refreshTitle() const { return text(kRefreshTitle); }

void HelperStateAction::activate() {
    switch (action_) {
        case HelperAction::repair:
        case HelperAction::install: call("installHelper"); break;
        case HelperAction::approve: call("openHelperApproval"); break;
        case HelperAction::connecting:
        case HelperAction::none: break;
    }
}

void HelperStateAction::refresh() {
    if (!engine_ || action_ != HelperAction::connecting) return;
    if (engine_->property("isHelperInstallInFlight").toBool()) return;
    call("refreshHelperState");
}

void HelperStateAction::call(const char* method) {
    if (engine_) QMetaObject::invokeMethod(engine_, method, Qt::DirectConnection);
}

}  // namespace zephrane::design
