// The D-Bus notification centre against a private bus daemon and a small
// notification server of our own on it.
#include "platform/notifications/DBusNotificationCenter.hpp"

#include <QCoreApplication>
#include <QDBusContext>
#include <QDBusError>
#include <QProcess>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

namespace zephrane::notifications {

class NotificationServer : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    struct Call {
        QString appName, summary, body;
        QVariantMap hints;
        int expireTimeout = 0;
    };
    std::vector<Call> calls;
    QString refuseWith;  // set: every Notify fails with this message

public slots:
    uint Notify(const QString& appName, uint /*replacesId*/, const QString& /*icon*/, const QString& summary,
                const QString& body, const QStringList& /*actions*/, const QVariantMap& hints, int expireTimeout) {
        if (!refuseWith.isEmpty()) {
            sendErrorReply(QDBusError::Failed, refuseWith);
            return 0;
        }
        calls.push_back({appName, summary, body, hints, expireTimeout});
        return static_cast<uint>(calls.size());
    }
};

namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "platform_NotificationsTest";
    static char* argv[] = {name, nullptr};
    static auto* app = new QCoreApplication(argc, argv);  // immortal, like the app's own
    return *app;
}

// A bus daemon of our own that knows no activatable services.
class PrivateBus : public ::testing::Test {
protected:
    void SetUp() override {
        application();
        QFile config(dir_.filePath("bus.conf"));
        ASSERT_TRUE(config.open(QIODevice::WriteOnly));
        config.write(("<busconfig><type>session</type><listen>unix:dir=" + dir_.path().toUtf8() +
                      "</listen><auth>EXTERNAL</auth><policy context=\"default\"><allow user=\"*\"/>"
                      "<allow send_destination=\"*\"/><allow receive_sender=\"*\"/><allow own=\"*\"/>"
                      "</policy></busconfig>"));
        config.close();
        daemon_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        daemon_.start("dbus-daemon", {"--config-file=" + config.fileName(), "--nofork", "--print-address=1"});
        ASSERT_TRUE(daemon_.waitForStarted(10'000));
        while (!daemon_.canReadLine()) ASSERT_TRUE(daemon_.waitForReadyRead(10'000)) << "no bus address";
        address_ = QString::fromUtf8(daemon_.readLine()).trimmed();
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(name("server"));
        QDBusConnection::disconnectFromBus(name("client"));
        daemon_.kill();
        daemon_.waitForFinished(10'000);
    }

    QString name(const char* role) const {
        return QString::fromLatin1(role) + QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }
    QDBusConnection client() { return QDBusConnection::connectToBus(address_, name("client")); }
    void startServer() {
        auto bus = QDBusConnection::connectToBus(address_, name("server"));
        ASSERT_TRUE(bus.registerObject("/org/freedesktop/Notifications", &server_, QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(bus.registerService("org.freedesktop.Notifications"));
    }

    QTemporaryDir dir_;
    QProcess daemon_;
    QString address_;
    NotificationServer server_;
};

TEST_F(PrivateBus, PermissionFollowsThePresenceOfAServer) {
    DBusNotificationCenter center(client(), "com.zephrane.app");
    EXPECT_EQ(QCoro::waitFor(center.requestAuthorization()), (AuthorizationResult{false, std::nullopt}));
    startServer();
    EXPECT_EQ(QCoro::waitFor(center.requestAuthorization()), (AuthorizationResult{true, std::nullopt}));
    EXPECT_EQ(center.applicationIdentifier(), "com.zephrane.app");
}

TEST_F(PrivateBus, PostsTitleBodyAndDefaultSound) {
    startServer();
    DBusNotificationCenter center(client(), "com.zephrane.app");
    EXPECT_EQ(QCoro::waitFor(center.add({"id-1", "Brumalune: Overheating", "CPU is running hot at 99°C", true})),
              std::nullopt);
    ASSERT_EQ(server_.calls.size(), 1u);
    EXPECT_EQ(server_.calls[0].appName, "Brumalune");
    EXPECT_EQ(server_.calls[0].summary, "Brumalune: Overheating");
    EXPECT_EQ(server_.calls[0].body, "CPU is running hot at 99°C");
    EXPECT_EQ(server_.calls[0].hints.value("sound-name").toString(), "message-new-instant");
    EXPECT_EQ(server_.calls[0].expireTimeout, -1);
}

TEST_F(PrivateBus, RefusedOrUndeliverablePostsReportTheError) {
    DBusNotificationCenter center(client(), "com.zephrane.app");
    EXPECT_TRUE(QCoro::waitFor(center.add({"id-1", "t", "b", true})).has_value()) << "no server on the bus";
    startServer();
    server_.refuseWith = "too many notifications";
    EXPECT_EQ(QCoro::waitFor(center.add({"id-2", "t", "b", true})), "too many notifications");
}

TEST_F(PrivateBus, LostBusFailsBothRequests) {
    DBusNotificationCenter center(QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "client"), std::nullopt);
    const auto authorization = QCoro::waitFor(center.requestAuthorization());
    EXPECT_FALSE(authorization.granted);
    EXPECT_TRUE(authorization.error.has_value());
    EXPECT_TRUE(QCoro::waitFor(center.add({"id", "t", "b", true})).has_value());
}

TEST(DBusNotificationCenterTest, ExecutableWithoutEmbeddedIdentityHasNoIdentifier) {
    EXPECT_EQ(DBusNotificationCenter::runningApplicationIdentifier(), std::nullopt);
}

}  // namespace
}  // namespace zephrane::notifications

// Debian's Qt and libdbus are not built with ThreadSanitizer, so the locks
// they take between QtDBus's connection thread and ours are invisible to it,
// and every hand-over of a message or posted event reads as a race. Only
// races inside those libraries are waived; ours are still reported.
extern "C" const char* __tsan_default_suppressions();
extern "C" const char* __tsan_default_suppressions() {
    return "race:libQt6Core.so\nrace:libQt6DBus.so\nrace:libdbus-1.so\n";
}

#include "DBusNotificationCenterTest.moc"
