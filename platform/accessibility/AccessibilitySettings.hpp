// The display options on the desktop: the environment's overrides, our own
// preference file, and the settings portal, in that order (DisplayOptions.hpp
// has the rule).
//
// The preference file is an INI file, by default
// $XDG_CONFIG_HOME/zephrane/accessibility.conf:
//
//   [Display]
//   reduceMotion=true
//   increaseContrast=false
//
// A key that is missing or unreadable says nothing. The file is watched, so
// an edit (by the user or another process) takes effect at once.
#pragma once

#include <QFileSystemWatcher>
#include <QPointer>
#include <QString>

#include "platform/accessibility/DesktopSettingsPortal.hpp"
#include "platform/accessibility/DisplayOptions.hpp"

namespace zephrane::accessibility {

class AccessibilitySettings final : public DisplayOptionsSource {
    Q_OBJECT
public:
    // `portal` may be null (no desktop layer) and may go away first.
    AccessibilitySettings(DisplayOptionLayer environment, QString preferenceFile, DesktopSettingsPortal* portal,
                          QObject* parent = nullptr);

    static QString defaultPreferenceFile();
    // The preference file's layer; a file that is missing says nothing.
    static DisplayOptionLayer readPreference(const QString& file);

    DisplayOptions options() const override { return options_; }

private:
    void watch();
    void reconsider();

    DisplayOptionLayer environment_;
    QString preferenceFile_;
    QPointer<DesktopSettingsPortal> portal_;
    QFileSystemWatcher watcher_;
    DisplayOptions options_;
};

}  // namespace zephrane::accessibility
