#include "platform/updater/Updater.hpp"

#include <QUrl>

#include "platform/oslog/OSLog.hpp"

namespace zephrane::updater {

bool feedIsConfigured(const QString& feed) {
    const QUrl url(feed, QUrl::StrictMode);
    if (feed.isEmpty() || !url.isValid()) return false;
    const QString host = url.host();
    return !host.isEmpty() && !host.toLower().endsWith(".invalid");
}

QString builtInFeed() { return QStringLiteral(ZEPHRANE_UPDATE_FEED); }

UpdaterViewModel::UpdaterViewModel(UpdaterController& controller, const QString& feed, QObject* parent)
    : QObject(parent), controller_(controller), canCheck_(feedIsConfigured(feed)) {
    if (canCheck_) {
        controller_.startUpdater();
        automatic_ = controller_.automaticallyChecksForUpdates();
    } else {
        controller_.setAutomaticallyChecksForUpdates(false);
        automatic_ = false;
    }
}

void UpdaterViewModel::setAutomaticallyChecksForUpdates(bool on) {
    if (canCheck_) controller_.setAutomaticallyChecksForUpdates(on);
    if (automatic_ == on) return;
    automatic_ = on;
    emit automaticallyChecksForUpdatesChanged();
}

void UpdaterViewModel::checkForUpdates() {
    if (canCheck_) controller_.checkForUpdates();
}

void OfflineUpdaterController::checkForUpdates() {
    oslog::logger("com.zephrane.app", "updates").info("this build has no update framework; nothing was checked");
}

}  // namespace zephrane::updater
