#include "ZephraneApp/Settings/SettingsForm.hpp"

#include <algorithm>
#include <cmath>

#include <QGuiApplication>
#include <QQuickItem>
#include <QVariantMap>

#include "ZephraneApp/DesignSystem/Tokens/AccentColor.hpp"
#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"
#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"
#include "ZephraneApp/Settings/HelperStatusRules.hpp"
#include "ZephraneApp/Settings/RestoreDefaults.hpp"
#include "ZephraneApp/Settings/SettingsRowRules.hpp"
#include "shared/EnumCases.hpp"
#include "shared/Saturating.hpp"

namespace zephrane::settingsview {
namespace {

QString qtText(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

template <class E, class Name>
QStringList namesOf(Name name) {
    QStringList names;
    for (const E value : allCases<E>()) names << qtText(name(value));
    return names;
}

}  // namespace

SettingsForm::SettingsForm(QObject* parent) : SettingsForm(design::ThemeTokens::shared(), parent) {}

SettingsForm::SettingsForm(design::ThemeTokens& theme, QObject* parent) : QObject(parent), theme_(theme) {
    for (auto signal : {&design::ThemeTokens::appearanceChanged, &design::ThemeTokens::accentChanged}) {
        connect(&theme_, signal, this, &SettingsForm::textsChanged);
        connect(&theme_, signal, this, &SettingsForm::helperChanged);
    }
    if (auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
            if (state == Qt::ApplicationActive) refreshLaunchAtLogin();
        });
    }
}

void SettingsForm::setFace(face::EngineFace* face) {
    if (face_ == face) return;
    if (face_) {
        for (QObject* part : std::initializer_list<QObject*>{&face_->preferences(), &face_->daemon(),
                                                              &face_->sensors(), &face_->system()})
            disconnect(part, nullptr, this, nullptr);
    }
    face_ = face;
    if (face_) {
        using P = face::PreferencesFace;
        for (auto signal : {&P::acousticAlphaChanged, &P::spoolRateChanged, &P::overheatThresholdChanged,
                            &P::useFahrenheitChanged, &P::windowBackdropChanged})
            connect(&face_->preferences(), signal, this, &SettingsForm::textsChanged);
        connect(&face_->preferences(), &P::showDockIconChanged, this, &SettingsForm::followDockIcon);
        connect(&face_->sensors(), &face::SensorsFace::controlSourceUnavailableChanged, this,
                &SettingsForm::textsChanged);
        using D = face::DaemonFace;
        for (auto signal : {&D::helperStateChanged, &D::helperInstallIssueChanged, &D::lastErrorChanged})
            connect(&face_->daemon(), signal, this, &SettingsForm::helperChanged);
        connect(&face_->system(), &face::SystemFace::launchAtLoginChanged, this, &SettingsForm::launchAtLoginChanged);
        refreshLaunchAtLogin();
    }
    emit faceChanged();
    emit textsChanged();
    emit helperChanged();
    emit launchAtLoginChanged();
}

void SettingsForm::setUpdater(QObject* updater) {
    if (updater_ == updater) return;
    updater_ = updater;
    emit updaterChanged();
}

bool SettingsForm::showsUpdates() const { return updater_ && updater_->property("canCheckForUpdates").toBool(); }

void SettingsForm::checkForUpdates() {
    if (showsUpdates()) QMetaObject::invokeMethod(updater_, "checkForUpdates");
}

bool SettingsForm::launchAtLogin() const { return face_ && face_->system().launchAtLogin(); }

QString SettingsForm::loginItemError() const {
    return loginItemError_ ? QString::fromStdString(*loginItemError_) : QString();
}

void SettingsForm::setLaunchAtLogin(bool enabled) {
    if (!face_) return;
    setLoginItemError(face_->system().setLaunchAtLogin(enabled));
    refreshLaunchAtLogin();
    // The toggle flipped itself; it goes back to what the system holds
    // even when that did not change.
    emit launchAtLoginChanged();
}

void SettingsForm::refreshLaunchAtLogin() {
    if (face_) face_->system().refreshLaunchAtLogin();
}

void SettingsForm::setLoginItemError(std::optional<std::string> error) {
    if (loginItemError_ == error) return;
    loginItemError_ = std::move(error);
    emit loginItemErrorChanged();
}

void SettingsForm::followDockIcon() {
    if (!face_) return;
    face_->system().setActivationPolicy(face_->preferences().showDockIconValue() ? face::SystemFace::Regular
                                                                                 : face::SystemFace::Accessory);
}

bool SettingsForm::controlSourceUnavailable() const { return face_ && face_->sensors().controlSourceUnavailable(); }

QString SettingsForm::smoothingText() const {
    return face_ ? QString::fromStdString(settingsview::smoothingText(face_->preferences().acousticAlphaValue())) : QString();
}

QString SettingsForm::spoolRateText() const {
    return face_ ? QString::fromStdString(settingsview::spoolRateText(face_->preferences().spoolRateValue())) : QString();
}

QString SettingsForm::overheatText() const {
    if (!face_) return {};
    const auto& p = face_->preferences();
    return QString::fromStdString(thresholdText(p.overheatThresholdValue(), p.useFahrenheitValue()));
}

QColor SettingsForm::overheatColor() const {
    const double threshold = face_ ? face_->preferences().overheatThresholdValue() : 0;
    if (!thresholdTakesHeatColor(threshold)) return theme_.primary();
    return theme_.adaptiveTemperatureColor(threshold, theme_.dark());
}

int SettingsForm::selectedBackdropIndex() const {
    if (!face_) return 0;
    const auto& cases = allCases<WindowBackdrop>();
    const WindowBackdrop chosen = face_->preferences().state().windowBackdrop;
    for (std::size_t i = 0; i < cases.size(); ++i)
        if (cases[i] == chosen) return static_cast<int>(i);
    return 0;
}

QColor SettingsForm::destructiveColor() const {
    return Theme::systemColor(Theme::SystemColor::red).resolve(theme_.appearance());
}

QString SettingsForm::helperStatusText() const {
    if (!face_) return {};
    return QString::fromStdString(
        settingsHelperStatus(face_->daemon().helperState(), face_->daemon().hasHelperInstallIssue()).text);
}

QString SettingsForm::helperStatusSymbol() const {
    if (!face_) return {};
    return qtText(settingsHelperStatus(face_->daemon().helperState(), face_->daemon().hasHelperInstallIssue()).symbol);
}

QColor SettingsForm::helperStatusColor() const {
    const HelperStatus status = face_ ? settingsHelperStatus(face_->daemon().helperState(),
                                                             face_->daemon().hasHelperInstallIssue())
                                      : settingsHelperStatus(HelperState::notRegistered(), false);
    return design::helperTintColor(status.tint, theme_.appearance(), theme_.accentColor());
}

bool SettingsForm::hasHelperIssue() const { return face_ && face_->daemon().hasHelperInstallIssue(); }
QString SettingsForm::helperIssue() const { return face_ ? face_->daemon().helperInstallIssueText() : QString(); }
bool SettingsForm::showsLastError() const { return face_ && face_->daemon().hasLastError(); }
QString SettingsForm::lastError() const { return face_ ? face_->daemon().lastErrorText() : QString(); }

void SettingsForm::askToRestoreDefaults() { setConfirmingRestore(true); }

void SettingsForm::cancelRestoreDefaults() { setConfirmingRestore(false); }

void SettingsForm::confirmRestoreDefaults() {
    setConfirmingRestore(false);
    if (face_) restoreDefaults(*face_);
}

void SettingsForm::setConfirmingRestore(bool confirming) {
    if (confirmingRestore_ == confirming) return;
    confirmingRestore_ = confirming;
    emit confirmingRestoreChanged();
}

QStringList SettingsForm::controlSourceNames() {
    return namesOf<ControlSource>([](ControlSource s) { return displayName(s); });
}

QStringList SettingsForm::menuBarReadoutNames() {
    return namesOf<MenuBarReadout>([](MenuBarReadout r) { return displayName(r); });
}

QStringList SettingsForm::menuBarTempSourceNames() {
    return namesOf<MenuBarTempSource>([](MenuBarTempSource s) { return displayName(s); });
}

QStringList SettingsForm::accentNames() {
    return namesOf<Theme::AccentChoice>([](Theme::AccentChoice c) { return Theme::displayName(c); });
}

QVariantList SettingsForm::accentColors() {
    QVariantList colors;
    for (const Theme::AccentChoice choice : allCases<Theme::AccentChoice>()) colors << Theme::color(choice);
    return colors;
}

int SettingsForm::adaptiveColumns(double width, double minimumCell, double spacing) {
    if (!(minimumCell + spacing > 0) || !(width > minimumCell)) return 1;
    return std::max(1, saturatingCast<int>((width + spacing) / (minimumCell + spacing)));
}

double SettingsForm::revealedContentY(double contentY, double viewHeight, double contentHeight, double top,
                                      double height, double margin) {
    const double wantedTop = top - margin;
    const double wantedBottom = top + height + margin;
    double y = contentY;
    if (wantedTop < contentY)
        y = wantedTop;
    else if (wantedBottom > contentY + viewHeight)
        y = std::min(wantedTop, wantedBottom - viewHeight);
    return std::clamp(y, 0.0, std::max(0.0, contentHeight - viewHeight));
}

bool SettingsForm::holds(QQuickItem* ancestor, QQuickItem* item) {
    return ancestor != nullptr && item != nullptr && ancestor->isAncestorOf(item);
}

QVariantList SettingsForm::backdrops() {
    QVariantList list;
    for (const WindowBackdrop backdrop : allCases<WindowBackdrop>())
        list << QVariantMap{{"name", qtText(displayName(backdrop))},
                            {"summary", qtText(summary(backdrop))},
                            {"raw", qtText(rawValue(backdrop))},
                            {"isPhoto", isPhoto(backdrop)}};
    return list;
}

}  // namespace zephrane::settingsview
