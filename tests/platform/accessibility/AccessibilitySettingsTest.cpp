// The three layers together, with the preference file in a temporary
// directory and edited while the settings watch it.
#include "platform/accessibility/AccessibilitySettings.hpp"

#include <QSettings>
#include <QSignalSpy>
#include <QTest>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "PrivateSessionBus.hpp"

namespace zephrane::accessibility {
namespace {

class AccessibilitySettingsTest : public ::testing::Test {
protected:
    void SetUp() override { testing::testApplication(); }

    QString preferenceFile() const { return dir_.filePath("zephrane/accessibility.conf"); }

    // As another process would: a QSettings object of its own.
    void writePreference(const QString& key, const QVariant& value) {
        QSettings file(preferenceFile(), QSettings::IniFormat);
        file.setValue("Display/" + key, value);
        file.sync();
    }

    QTemporaryDir dir_;
};

TEST_F(AccessibilitySettingsTest, EnvironmentBeatsThePreferenceFile) {
    writePreference("reduceMotion", true);
    writePreference("increaseContrast", "on");
    writePreference("reduceTransparency", "sometimes");
    DisplayOptionLayer environment;
    environment.increaseContrast = false;
    AccessibilitySettings settings(environment, preferenceFile(), nullptr);
    EXPECT_EQ(settings.options(), (DisplayOptions{true, false, false}));
}

TEST_F(AccessibilitySettingsTest, EditsOfThePreferenceFileTakeEffectAtOnce) {
    writePreference("reduceMotion", false);
    AccessibilitySettings settings({}, preferenceFile(), nullptr);
    QSignalSpy changed(&settings, &DisplayOptionsSource::optionsChanged);
    EXPECT_FALSE(settings.options().reduceMotion);

    writePreference("reduceMotion", true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.options().reduceMotion; }, 10'000));
    writePreference("reduceTransparency", true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.options().reduceTransparency; }, 10'000));

    ASSERT_TRUE(QFile::remove(preferenceFile()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.options() == DisplayOptions{}; }, 10'000));
    EXPECT_EQ(changed.count(), 3);
}

TEST_F(AccessibilitySettingsTest, APreferenceFileMadeLaterIsNoticed) {
    ASSERT_TRUE(QDir(dir_.path()).mkpath("zephrane"));
    AccessibilitySettings settings({}, preferenceFile(), nullptr);
    writePreference("increaseContrast", true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.options().increaseContrast; }, 10'000));
}

TEST_F(AccessibilitySettingsTest, TheDesktopDecidesWhatNobodyElseSays) {
    testing::PrivateSessionBus bus;
    ASSERT_FALSE(bus.start().isEmpty());
    {
        // No portal on this bus: the desktop layer says nothing.
        QDBusConnection client = bus.connect("desktop-layer-client");
        DesktopSettingsPortal portal(client);
        writePreference("reduceMotion", true);
        AccessibilitySettings settings({}, preferenceFile(), &portal);
        QSignalSpy settled(&portal, &DesktopSettingsPortal::settledChanged);
        ASSERT_TRUE(portal.settled() || settled.wait(10'000));
        EXPECT_EQ(settings.options(), (DisplayOptions{true, false, false}));
    }
    QDBusConnection::disconnectFromBus("desktop-layer-client");
}

TEST_F(AccessibilitySettingsTest, APortalGoneFirstLeavesTheOtherLayers) {
    auto* portal = new DesktopSettingsPortal(QDBusConnection(QStringLiteral("unconnected")));
    writePreference("increaseContrast", true);
    AccessibilitySettings settings({}, preferenceFile(), portal);
    delete portal;
    writePreference("reduceMotion", true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return settings.options().reduceMotion; }, 10'000));
    EXPECT_TRUE(settings.options().increaseContrast);
}

}  // namespace
}  // namespace zephrane::accessibility
