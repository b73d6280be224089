// The portal reader against a portal of our own on a private session bus:
// a first read, changes signalled later, and a portal that fails, is
// missing, or never answers.
#include "platform/accessibility/DesktopSettingsPortal.hpp"

#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "PrivateSessionBus.hpp"

namespace zephrane::accessibility {

class FakeSettingsPortal : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    enum class Mode { answer, fail, hold };
    Mode mode = Mode::answer;
    PortalSettingsMap settings;
    int reads = 0;
    QDBusMessage held;  // the call left unanswered in `hold` mode

public slots:
    PortalSettingsMap ReadAll(const QStringList& namespaces) {
        ++reads;
        if (mode == Mode::fail) sendErrorReply(QStringLiteral("org.freedesktop.portal.Error.NotFound"), "nothing here");
        if (mode == Mode::hold) {
            setDelayedReply(true);
            held = message();
        }
        PortalSettingsMap asked;
        for (const QString& space : namespaces)
            if (settings.contains(space)) asked.insert(space, settings.value(space));
        return asked;
    }
};

namespace {

const QString kAppearance = QStringLiteral("org.freedesktop.appearance");
const QString kGnome = QStringLiteral("org.gnome.desktop.interface");
const QString kGnomeA11y = QStringLiteral("org.gnome.desktop.a11y.interface");

PortalSettingsMap settings(std::initializer_list<std::tuple<QString, QString, QVariant>> entries) {
    PortalSettingsMap map;
    for (const auto& [space, key, value] : entries) map[space][key] = value;
    return map;
}

TEST(PortalInterpretationTest, FreedesktopKeysThenTheDesktopsOwn) {
    struct Row {
        const char* name;
        PortalSettingsMap settings;
        PortalReadings expected;
    };
    const auto readings = [](std::optional<int> scheme, std::optional<bool> motion, std::optional<bool> contrast) {
        PortalReadings r;
        r.colorScheme = scheme;
        r.options.reduceMotion = motion;
        r.options.increaseContrast = contrast;
        return r;
    };
    const Row rows[] = {
        {"nothing said", {}, readings(std::nullopt, std::nullopt, std::nullopt)},
        {"dark, reduced motion, high contrast",
         settings({{kAppearance, "color-scheme", 1u}, {kAppearance, "reduced-motion", 1u}, {kAppearance, "contrast", 1u}}),
         readings(1, true, true)},
        {"no preference is off", settings({{kAppearance, "color-scheme", 0u}, {kAppearance, "contrast", 0u}}),
         readings(0, std::nullopt, false)},
        {"no preference yields to GNOME's keys",
         settings({{kAppearance, "reduced-motion", 0u}, {kGnome, "enable-animations", false},
                   {kAppearance, "contrast", 0u}, {kGnomeA11y, "high-contrast", true}}),
         readings(std::nullopt, true, true)},
        {"GNOME alone", settings({{kGnome, "enable-animations", true}, {kGnomeA11y, "high-contrast", false}}),
         readings(std::nullopt, false, false)},
        {"wrong types and values say nothing",
         settings({{kAppearance, "color-scheme", QStringLiteral("dark")}, {kAppearance, "contrast", 7u},
                   {kGnome, "enable-animations", 0u}}),
         readings(std::nullopt, std::nullopt, std::nullopt)},
        {"an unknown scheme is ignored", settings({{kAppearance, "color-scheme", 3u}}),
         readings(std::nullopt, std::nullopt, std::nullopt)},
        {"wrapped in a D-Bus variant",
         settings({{kAppearance, "color-scheme", QVariant::fromValue(QDBusVariant(2u))}}),
         readings(2, std::nullopt, std::nullopt)},
    };
    for (const Row& row : rows) EXPECT_EQ(interpretPortalSettings(row.settings), row.expected) << row.name;
}

class DesktopSettingsPortalTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::testApplication();
        qDBusRegisterMetaType<PortalSettingsMap>();
        ASSERT_FALSE(bus_.start().isEmpty());
        server_ = bus_.connect(connectionName("server"));
        client_ = bus_.connect(connectionName("client"));
        ASSERT_TRUE(server_.isConnected() && client_.isConnected());
    }
    void TearDown() override {
        QDBusConnection::disconnectFromBus(connectionName("server"));
        QDBusConnection::disconnectFromBus(connectionName("client"));
    }

    static QString connectionName(const char* role) {
        return QString::fromLatin1(role) +
               QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name());
    }

    void servePortal() {
        ASSERT_TRUE(server_.registerObject("/org/freedesktop/portal/desktop", &portal_,
                                           QDBusConnection::ExportAllSlots));
        ASSERT_TRUE(server_.registerService("org.freedesktop.portal.Desktop"));
    }

    void signalChange(const QString& space, const QString& key, const QVariant& value) {
        auto signal = QDBusMessage::createSignal("/org/freedesktop/portal/desktop", "org.freedesktop.portal.Settings",
                                                 "SettingChanged");
        signal << space << key << QVariant::fromValue(QDBusVariant(value));
        ASSERT_TRUE(server_.send(signal));
    }

    static void waitUntilSettled(DesktopSettingsPortal& reader) {
        QSignalSpy settled(&reader, &DesktopSettingsPortal::settledChanged);
        if (!reader.settled()) {
            ASSERT_TRUE(settled.wait(10'000));
        }
        ASSERT_TRUE(reader.settled());
    }

    testing::PrivateSessionBus bus_;
    QDBusConnection server_{QString()};
    QDBusConnection client_{QString()};
    FakeSettingsPortal portal_;
};

TEST_F(DesktopSettingsPortalTest, FirstReadThenSignalledChanges) {
    portal_.settings = settings({{kAppearance, "color-scheme", 1u}, {kGnome, "enable-animations", true}});
    servePortal();
    DesktopSettingsPortal reader(client_);
    waitUntilSettled(reader);
    EXPECT_EQ(reader.readings().colorScheme, 1);
    EXPECT_EQ(reader.readings().options.reduceMotion, false);

    QSignalSpy changed(&reader, &DesktopSettingsPortal::readingsChanged);
    signalChange(kAppearance, "color-scheme", 2u);
    ASSERT_TRUE(changed.wait(10'000));
    EXPECT_EQ(reader.readings().colorScheme, 2);
    signalChange(kGnome, "enable-animations", false);
    ASSERT_TRUE(changed.wait(10'000));
    EXPECT_EQ(reader.readings().options.reduceMotion, true);

    // A change that changes nothing the app reads is not passed on.
    signalChange(kGnome, "font-name", QStringLiteral("Sans 11"));
    signalChange(kAppearance, "contrast", 1u);
    ASSERT_TRUE(changed.wait(10'000));
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(reader.readings().options.increaseContrast, true);
}

TEST_F(DesktopSettingsPortalTest, AFailingPortalLeavesTheReadingsEmpty) {
    portal_.mode = FakeSettingsPortal::Mode::fail;
    portal_.settings = settings({{kAppearance, "color-scheme", 1u}});
    servePortal();
    DesktopSettingsPortal reader(client_);
    waitUntilSettled(reader);
    EXPECT_EQ(portal_.reads, 1);
    EXPECT_EQ(reader.readings(), PortalReadings{});
}

TEST_F(DesktopSettingsPortalTest, NoPortalOnTheBusOrNoBusAtAll) {
    DesktopSettingsPortal reader(client_);
    waitUntilSettled(reader);
    EXPECT_EQ(reader.readings(), PortalReadings{});

    DesktopSettingsPortal unconnected(QDBusConnection(QStringLiteral("never connected")));
    EXPECT_TRUE(unconnected.settled());
}

TEST_F(DesktopSettingsPortalTest, AReaderGoneBeforeTheAnswerIsNeverReached) {
    portal_.mode = FakeSettingsPortal::Mode::hold;
    servePortal();
    portal_.settings = settings({{kAppearance, "color-scheme", 1u}});
    auto* reader = new DesktopSettingsPortal(client_);
    ASSERT_TRUE(QTest::qWaitFor([&] { return portal_.reads == 1; }, 10'000));
    delete reader;

    // The answer comes after all; then a second reader's read, answered on
    // the same connection, so the first answer has been delivered (to
    // nobody) by the time the second reader settles.
    server_.send(portal_.held.createReply(QVariant::fromValue(portal_.settings)));
    portal_.mode = FakeSettingsPortal::Mode::answer;
    DesktopSettingsPortal second(client_);
    waitUntilSettled(second);
    EXPECT_EQ(second.readings().colorScheme, 1);
}

}  // namespace
}  // namespace zephrane::accessibility

#include "DesktopSettingsPortalTest.moc"
