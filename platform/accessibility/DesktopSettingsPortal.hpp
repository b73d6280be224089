// The desktop's appearance and accessibility settings as the XDG settings
// portal (org.freedesktop.portal.Settings on the session bus) reports them:
// the colour-scheme preference, and what the desktop says about motion and
// contrast. Read once when made, then kept current from the portal's
// SettingChanged signal. Without a portal (no bus, none installed, an error
// or no answer within the time-out) the readings stay empty and the app
// falls back on its own preference and the palette.
#pragma once

#include <chrono>
#include <optional>

#include <QDBusConnection>
#include <QDBusVariant>
#include <QMap>
#include <QObject>
#include <QVariantMap>

#include "platform/accessibility/DisplayOptions.hpp"

namespace zephrane::accessibility {

using PortalSettingsMap = QMap<QString, QVariantMap>;  // namespace → key → value

struct PortalReadings {
    // org.freedesktop.appearance color-scheme: 0 no preference, 1 dark, 2 light.
    std::optional<int> colorScheme;
    DisplayOptionLayer options;
    friend bool operator==(const PortalReadings&, const PortalReadings&) = default;
};

// org.freedesktop.appearance's reduced-motion and contrast when they ask for
// the option; else GNOME's own keys (enable-animations, high-contrast) where
// the portal passes them on; else the freedesktop "no preference" as off.
PortalReadings interpretPortalSettings(const PortalSettingsMap& settings);

class DesktopSettingsPortal final : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds kReadTimeout{5000};

    explicit DesktopSettingsPortal(QDBusConnection bus, QObject* parent = nullptr);

    const PortalReadings& readings() const { return readings_; }
    // The first read has ended, with an answer or without.
    bool settled() const { return settled_; }

signals:
    // After the readings changed.
    void readingsChanged();
    // Once, when the first read ends.
    void settledChanged();

private slots:
    void settingChanged(const QString& nameSpace, const QString& key, const QDBusVariant& value);

private:
    void startReading();
    void apply(const PortalSettingsMap& settings);

    QDBusConnection bus_;
    PortalSettingsMap settings_;
    PortalReadings readings_;
    bool settled_ = false;
};

}  // namespace zephrane::accessibility
