// The app's life cycle around the event loop: the appearance forced on the
// command line, SIGTERM (and Ctrl-C) turned into an orderly quit, the run
// marker that tells the next launch whether this one ended in order, and
// the launch and terminate log lines.
//
// Termination has one path: requestTerminate() (the Quit command, a signal)
// logs, quits the event loop, and the application's aboutToQuit runs
// willTerminate(), which removes the marker before main returns, so the
// daemon link's exit hook hands the fans back after it.
#pragma once

#include <memory>
#include <optional>

#include <QObject>
#include <QString>
#include <QStringList>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

class QSocketNotifier;
class QThreadPool;

namespace zephrane {

class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // `runMarker` is the marker file's path; empty for none (no check, no
    // write, no removal).
    explicit AppDelegate(QString runMarker = defaultRunMarker(), QObject* parent = nullptr);
    ~AppDelegate() override;

    // "Zephrane/run.marker" under the user's XDG data directory; empty when
    // there is none.
    static QString defaultRunMarker();

    // The first "--appearance=VALUE" wins; else the value after the first
    // "--appearance". Only "light" and "dark", exactly, force anything.
    static std::optional<Theme::Appearance> appearanceOverride(const QStringList& arguments);

    // Launch finished: logs "launched", catches SIGTERM and SIGINT, and
    // queues the marker check and rewrite. The caller applies the
    // appearance (the theme is not ours).
    void didFinishLaunching();
    // The Quit command and the signals.
    void requestTerminate();
    // Removes the marker, waiting for any marker work still queued.
    void willTerminate();

    // Waits until queued marker work has run (tests).
    void waitForMarkerWork();

signals:
    void terminateRequested();

private:
    void installSignalHandlers();
    void readSignals();

    QString runMarker_;
    std::unique_ptr<QThreadPool> markerQueue_;
    std::unique_ptr<QSocketNotifier> signalNotifier_;
    bool terminated_ = false;
};

}  // namespace zephrane
