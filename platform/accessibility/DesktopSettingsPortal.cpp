#include "platform/accessibility/DesktopSettingsPortal.hpp"

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>

namespace zephrane::accessibility {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kPath = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kInterface = QStringLiteral("org.freedesktop.portal.Settings");
const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kGnomeInterface = QStringLiteral("org.gnome.desktop.interface");
const QString kGnomeAccessibility = QStringLiteral("org.gnome.desktop.a11y.interface");

// A value of the settings map, unwrapped from a D-Bus variant if need be.
QVariant valueAt(const PortalSettingsMap& settings, const QString& nameSpace, const QString& key) {
    QVariant v = settings.value(nameSpace).value(key);
    if (v.userType() == qMetaTypeId<QDBusVariant>()) v = qvariant_cast<QDBusVariant>(v).variant();
    return v;
}

std::optional<unsigned> unsignedAt(const PortalSettingsMap& settings, const QString& nameSpace, const QString& key) {
    const QVariant v = valueAt(settings, nameSpace, key);
    const auto type = v.typeId();
    if (type != QMetaType::UInt && type != QMetaType::Int && type != QMetaType::UShort && type != QMetaType::UChar)
        return std::nullopt;
    bool ok = false;
    const unsigned u = v.toUInt(&ok);
    return ok ? std::optional<unsigned>(u) : std::nullopt;
}

std::optional<bool> boolAt(const PortalSettingsMap& settings, const QString& nameSpace, const QString& key) {
    const QVariant v = valueAt(settings, nameSpace, key);
    if (v.typeId() != QMetaType::Bool) return std::nullopt;
    return v.toBool();
}

// 1 asks for the option; 0 is "no preference", which a desktop-specific
// key may still override; anything else says nothing.
std::optional<bool> decide(std::optional<unsigned> freedesktop, std::optional<bool> desktopSpecific) {
    if (freedesktop == 1u) return true;
    if (desktopSpecific) return desktopSpecific;
    if (freedesktop == 0u) return false;
    return std::nullopt;
}

}  // namespace

PortalReadings interpretPortalSettings(const PortalSettingsMap& settings) {
    PortalReadings readings;
    if (const auto scheme = unsignedAt(settings, kAppearance, QStringLiteral("color-scheme")); scheme && *scheme <= 2)
        readings.colorScheme = static_cast<int>(*scheme);
    const auto animations = boolAt(settings, kGnomeInterface, QStringLiteral("enable-animations"));
    readings.options.reduceMotion =
        decide(unsignedAt(settings, kAppearance, QStringLiteral("reduced-motion")),
               animations ? std::optional<bool>(!*animations) : std::nullopt);
    readings.options.increaseContrast = decide(unsignedAt(settings, kAppearance, QStringLiteral("contrast")),
                                               boolAt(settings, kGnomeAccessibility, QStringLiteral("high-contrast")));
    return readings;
}

DesktopSettingsPortal::DesktopSettingsPortal(QDBusConnection bus, QObject* parent)
    : QObject(parent), bus_(std::move(bus)) {
    qDBusRegisterMetaType<PortalSettingsMap>();
    // QtDBus finds the slot's argument types by name, and Qt registers a
    // type's name only on its first use: without this the subscription
    // fails in a process that has not used QDBusVariant yet.
    qRegisterMetaType<QDBusVariant>();
    if (!bus_.isConnected()) {
        settled_ = true;
        return;
    }
    bus_.connect(kService, kPath, kInterface, QStringLiteral("SettingChanged"), this,
                 SLOT(settingChanged(QString,QString,QDBusVariant)));
    startReading();
}

void DesktopSettingsPortal::startReading() {
    auto call = QDBusMessage::createMethodCall(kService, kPath, kInterface, QStringLiteral("ReadAll"));
    call << QStringList{kAppearance, kGnomeInterface, kGnomeAccessibility};
    // The watcher is this object's child: a reply that comes after the
    // portal reader is gone has nobody to reach.
    auto* watcher = new QDBusPendingCallWatcher(bus_.asyncCall(call, static_cast<int>(kReadTimeout.count())), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        const QDBusPendingReply<PortalSettingsMap> reply = *finished;
        if (!reply.isError()) {
            // Changes that arrived while the read was under way are newer.
            PortalSettingsMap merged = reply.value();
            for (auto space = settings_.cbegin(); space != settings_.cend(); ++space)
                for (auto key = space->cbegin(); key != space->cend(); ++key) merged[space.key()][key.key()] = key.value();
            apply(merged);
        }
        settled_ = true;
        emit settledChanged();
    });
}

void DesktopSettingsPortal::settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value) {
    PortalSettingsMap changed = settings_;
    changed[nameSpace][key] = value.variant();
    apply(changed);
}

void DesktopSettingsPortal::apply(const PortalSettingsMap& settings) {
    settings_ = settings;
    const PortalReadings readings = interpretPortalSettings(settings_);
    if (readings == readings_) return;
    readings_ = readings;
    emit readingsChanged();
}

}  // namespace zephrane::accessibility
