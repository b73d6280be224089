#include "platform/accessibility/AccessibilitySettings.hpp"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace zephrane::accessibility {
namespace {

const QString kGroup = QStringLiteral("Display");

}  // namespace

AccessibilitySettings::AccessibilitySettings(DisplayOptionLayer environment, QString preferenceFile,
                                             DesktopSettingsPortal* portal, QObject* parent)
    : DisplayOptionsSource(parent),
      environment_(environment),
      preferenceFile_(std::move(preferenceFile)),
      portal_(portal) {
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &AccessibilitySettings::reconsider);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &AccessibilitySettings::reconsider);
    if (portal_) connect(portal_, &DesktopSettingsPortal::readingsChanged, this, &AccessibilitySettings::reconsider);
    watch();
    options_ = resolveDisplayOptions(environment_, readPreference(preferenceFile_),
                                     portal_ ? portal_->readings().options : DisplayOptionLayer{});
}

QString AccessibilitySettings::defaultPreferenceFile() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/zephrane/accessibility.conf");
}

DisplayOptionLayer AccessibilitySettings::readPreference(const QString& file) {
    DisplayOptionLayer layer;
    if (file.isEmpty() || !QFileInfo(file).isFile()) return layer;
    QSettings settings(file, QSettings::IniFormat);
    settings.beginGroup(kGroup);
    for (DisplayOption option : kAllDisplayOptions) {
        const QVariant value = settings.value(QString::fromUtf8(preferenceKey(option).data()));
        if (value.isValid()) layer.set(option, parseSwitch(value.toString().toStdString()));
    }
    return layer;
}

// The file and the folder that holds it: editors and QSettings replace the
// file by renaming a new one over it, which a watch on the file alone loses.
void AccessibilitySettings::watch() {
    if (preferenceFile_.isEmpty()) return;
    const QFileInfo info(preferenceFile_);
    if (info.dir().exists() && !watcher_.directories().contains(info.absolutePath()))
        watcher_.addPath(info.absolutePath());
    if (info.isFile() && !watcher_.files().contains(info.absoluteFilePath())) watcher_.addPath(info.absoluteFilePath());
}

void AccessibilitySettings::reconsider() {
    watch();
    const DisplayOptions options = resolveDisplayOptions(environment_, readPreference(preferenceFile_),
                                                         portal_ ? portal_->readings().options : DisplayOptionLayer{});
    if (options == options_) return;
    options_ = options;
    emit optionsChanged();
}

}  // namespace zephrane::accessibility
