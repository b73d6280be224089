// The update-check gate. Updates are possible only when the build names a
// usable feed (ZEPHRANE_UPDATE_FEED, empty by default); without one the
// updater is never started and nothing touches the network. The preference
// to check automatically is published for the settings screen either way.
#pragma once

#include <QObject>
#include <QString>

namespace zephrane::updater {

// The update framework's controller, created without starting.
class UpdaterController {
public:
    virtual ~UpdaterController() = default;
    virtual void startUpdater() = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    virtual void checkForUpdates() = 0;
};

// A URL with a non-empty host that does not end in ".invalid" (any case).
bool feedIsConfigured(const QString& feed);

// The feed this build was configured with; empty unless the build set one.
QString builtInFeed();

class UpdaterViewModel final : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates CONSTANT)
    Q_PROPERTY(bool automaticallyChecksForUpdates READ automaticallyChecksForUpdates WRITE
                   setAutomaticallyChecksForUpdates NOTIFY automaticallyChecksForUpdatesChanged)
public:
    // Decides once: starts `controller` only for a configured feed.
    UpdaterViewModel(UpdaterController& controller, const QString& feed, QObject* parent = nullptr);

    bool canCheckForUpdates() const { return canCheck_; }
    bool automaticallyChecksForUpdates() const { return automatic_; }
    // Without a feed the value changes here only; the updater is left alone.
    void setAutomaticallyChecksForUpdates(bool on);
    // The "Check for Updates…" command: nothing without a feed.
    Q_INVOKABLE void checkForUpdates();

signals:
    void automaticallyChecksForUpdatesChanged();

private:
    UpdaterController& controller_;
    bool canCheck_ = false;
    bool automatic_ = false;
};

// The controller of a build without an update framework: it never reaches
// the network, and says so when asked to check.
class OfflineUpdaterController final : public UpdaterController {
public:
    void startUpdater() override {}
    bool automaticallyChecksForUpdates() const override { return automatic_; }
    void setAutomaticallyChecksForUpdates(bool on) override { automatic_ = on; }
    void checkForUpdates() override;

private:
    bool automatic_ = false;
};

}  // namespace zephrane::updater
