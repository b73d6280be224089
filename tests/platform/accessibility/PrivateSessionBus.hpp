// A session bus of the test's own: a dbus-daemon on a socket in a temporary
// directory, with no service files, so nothing on the machine can answer
// for a name the test does not own itself.
#pragma once

#include <sys/prctl.h>

#include <csignal>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace zephrane::testing {

class PrivateSessionBus {
public:
    // Empty when the daemon did not start.
    QString start() {
        const QString config = dir_.filePath("session.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly)) return {};
        file.write("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\" "
                   "\"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n<busconfig>\n"
                   "  <type>session</type>\n  <listen>unix:dir=" +
                   dir_.path().toUtf8() +
                   "</listen>\n  <auth>EXTERNAL</auth>\n"
                   "  <policy context=\"default\">\n    <allow send_destination=\"*\"/>\n"
                   "    <allow receive_sender=\"*\"/>\n    <allow own=\"*\"/>\n  </policy>\n</busconfig>\n");
        file.close();
        daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test killed halfway (a time-out) must not leave its bus behind,
        // holding CTest's output pipe open.
        daemon_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        daemon_.start(QStringLiteral("dbus-daemon"), {"--config-file=" + config, "--nofork", "--print-address=1"});
        if (!daemon_.waitForStarted(10'000)) return {};
        while (!daemon_.canReadLine())
            if (!daemon_.waitForReadyRead(10'000)) return {};
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
        return address_;
    }

    QDBusConnection connect(const QString& name) { return QDBusConnection::connectToBus(address_, name); }

    ~PrivateSessionBus() {
        daemon_.kill();
        daemon_.waitForFinished(10'000);
    }

private:
    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
};

// The process's one application object, made on first use and never
// destroyed, as the app's own.
inline QCoreApplication& testApplication() {
    static int argc = 1;
    static char name[] = "platform_accessibility_test";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);
    return *app;
}

}  // namespace zephrane::testing
