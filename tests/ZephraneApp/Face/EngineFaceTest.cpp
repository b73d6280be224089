// The face over the real engine (on the engine harness's fakes): each
// command is the engine's operation of the same name, each change of the
// engine shows on the face once, and QML finds the face provided to its
// engine. And the scripted face: it stores what a view writes as the
// engine would, and records everything asked.
#include <filesystem>

#include <QFileInfo>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QTemporaryDir>
#include <QtQml/qqmlextensionplugin.h>

#include <gtest/gtest.h>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/PowerFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"
#include "ZephraneApp/Face/ZephraneEngineFace.hpp"
#include "ZephraneApp/Services/Install/LaunchAtLogin.hpp"
#include "platform/notifications/FakeNotificationCenter.hpp"
#include "tests/ZephraneApp/Concurrency/AwaitTask.hpp"
#include "tests/ZephraneApp/Engine/EngineHarness.hpp"

Q_IMPORT_QML_PLUGIN(Zephrane_FacePlugin)

namespace zephrane::enginetest {
namespace {

using namespace face;

class FaceOverEngine : public ::testing::Test {
protected:
    EngineHarness h;
    ZephraneEngine& engine = h.make();
    ZephraneEngineFace face{engine};
};

TEST_F(FaceOverEngine, WhatAViewAsksReachesTheEngine) {
    face.drive().selectPreset(DriveFace::Quiet);
    EXPECT_EQ(engine.activePreset(), FanPreset::quiet);
    EXPECT_EQ(face.drive().activePresetValue(), DriveFace::Quiet);
    EXPECT_EQ(face.drive().activeBuiltInProfile(), DriveFace::SilentStealth);
    face.drive().clearActivePreset();
    EXPECT_EQ(engine.activePreset(), std::nullopt);
    face.drive().applyBuiltInProfile(DriveFace::AppleAuto);
    EXPECT_EQ(engine.activeProfile()->id, FanProfile::appleAuto().id);
    face.drive().selectPreset(DriveFace::Quiet);
    face.drive().selectProfile(FanProfile::maxThermalBlast());
    EXPECT_EQ(engine.activePreset(), std::nullopt);
    EXPECT_EQ(face.drive().activeBuiltInProfile(), DriveFace::MaxThermalBlast);

    face.preferences().setUseFahrenheit(true);
    face.preferences().setAccentChoice(PreferencesFace::Teal);
    face.preferences().setQuietHoursStart(60);
    face.preferences().setSpoolRate(1800);
    face.preferences().setControlSource(PreferencesFace::GpuAverage);
    face.preferences().setWindowBackdrop(QStringLiteral("nebula"));
    face.preferences().setPresetCap(FanPreset::quiet, 0.5, std::nullopt);
    EXPECT_TRUE(engine.useFahrenheit());
    EXPECT_EQ(engine.accentChoice(), Theme::AccentChoice::teal);
    EXPECT_EQ(engine.quietHoursStart(), 60);
    EXPECT_EQ(engine.spoolRate(), 1800);
    EXPECT_EQ(engine.controlSource(), ControlSource::gpuAverage);
    EXPECT_EQ(engine.windowBackdrop(), WindowBackdrop::nebula);
    EXPECT_EQ(engine.presetPowerCaps().at(FanPreset::quiet).ac, 0.5);
    // And it shows back on the face, in QML's types.
    EXPECT_TRUE(face.preferences().useFahrenheitValue());
    EXPECT_EQ(face.preferences().accentChoiceValue(), PreferencesFace::Teal);
    EXPECT_EQ(face.preferences().windowBackdropValue(), "nebula");
    EXPECT_EQ(face.preferences().presetCaps(FanPreset::quiet).ac, 0.5);

    face.shell().setSelectedSection(ShellFace::Modes);
    EXPECT_EQ(engine.selectedSection(), Section::modes);
    EXPECT_EQ(h.settings->value(settings::key::selectedSection).toString(), "modes");
    face.sensors().togglePin(QStringLiteral("TC0P"));
    EXPECT_TRUE(engine.pinnedSensorKeys().contains("TC0P"));
    EXPECT_TRUE(face.sensors().isPinned(QStringLiteral("TC0P")));
}

TEST_F(FaceOverEngine, AChangeOfTheEngineIsToldOnceAndOnlyWhenItChanges) {
    int told = 0;
    QObject::connect(&face.preferences(), &PreferencesFace::useFahrenheitChanged, [&told] { ++told; });
    engine.setUseFahrenheit(true);
    engine.setUseFahrenheit(true);  // written through again, the same value
    engine.setPreciseTemperatures(false);
    EXPECT_EQ(told, 1);

    int fans = 0;
    QObject::connect(&face.drive(), &DriveFace::hasFansChanged, [&fans] { ++fans; });
    engine.publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    EXPECT_TRUE(face.drive().hasFans());
    EXPECT_EQ(face.drive().fans().count(), 2);
    h.clock->advance(std::chrono::seconds(2));
    engine.publishFansIfChanged(pollOf({fan(0, 2600), fan(1, 2700)}, {}, false));
    EXPECT_EQ(fans, 1) << "speeds move, the fans stay";
    EXPECT_EQ(face.drive().manualTarget(1), 2700) << "no manual target: its speed";
}

TEST_F(FaceOverEngine, EveryAssignmentOfTheShortcutIsToldForTheHotKeyToFollow) {
    int assigned = 0;
    QObject::connect(&face.preferences(), &PreferencesFace::summonShortcutAssigned, [&assigned] { ++assigned; });
    const auto chord = GlobalShortcut{3, GlobalShortcut::controlKey | GlobalShortcut::optionKey};
    face.preferences().setSummonShortcut(chord);
    face.preferences().setSummonShortcut(chord);
    EXPECT_EQ(assigned, 2);
    EXPECT_EQ(face.preferences().summonShortcut(), chord);
    face.preferences().clearSummonShortcut();
    EXPECT_FALSE(face.preferences().hasSummonShortcut());
    EXPECT_EQ(assigned, 3);
}

TEST_F(FaceOverEngine, AnEqualShortcutIsStoredAndAssignedAgainButNotToldAsAChange) {
    int assigned = 0;
    int changed = 0;
    QObject::connect(&face.preferences(), &PreferencesFace::summonShortcutAssigned, [&assigned] { ++assigned; });
    QObject::connect(&face.preferences(), &PreferencesFace::summonShortcutChanged, [&changed] { ++changed; });
    const auto chord = GlobalShortcut{12, GlobalShortcut::commandKey};
    face.preferences().setSummonShortcut(chord);
    // The stored key lost behind the app's back: the same chord writes it
    // again, and the hot key is registered again, with no change told.
    h.settings->remove(settings::key::summonShortcut);
    face.preferences().setSummonShortcut(chord);
    EXPECT_EQ(h.settings->dataValue(settings::key::summonShortcut), QByteArray(R"({"keyCode":12,"carbonModifiers":256})"));
    EXPECT_EQ(assigned, 2);
    EXPECT_EQ(changed, 1);
}

TEST_F(FaceOverEngine, WithoutTheDesktopsServicesTheSystemPartAnswersAsADesktopWithoutThem) {
    EXPECT_FALSE(face.system().launchAtLogin());
    EXPECT_FALSE(face.system().canUseNotificationCenter());
    EXPECT_EQ(face.system().setLaunchAtLogin(true), "Launch at login is not available.");
    const auto answer = testfakes::awaitResult(face.system().requestNotificationAuthorization());
    EXPECT_FALSE(answer.granted);
    EXPECT_TRUE(answer.error.has_value());
    face.system().setActivationPolicy(SystemFace::Accessory);
    EXPECT_EQ(face.system().activationPolicyValue(), SystemFace::Accessory);
}

TEST_F(FaceOverEngine, TheLoginItemTheNotificationCentreAndThePolicyAreTheDesktopsOwn) {
    QTemporaryDir autostart;
    const servicemanagement::LoginItem item(autostart.path().toStdString(), "/opt/Brumalune");
    auto center = std::make_shared<notifications::FakeNotificationCenter>();
    center->answer = {false, std::nullopt};
    std::vector<command::ActivationPolicy> policies;
    face.setSystemServices(
        {.launchAtLogin = [&item] { return item.status() == servicemanagement::Status::enabled; },
         .setLaunchAtLogin = [&item](bool on) { return setLaunchAtLogin(on, item); },
         .notifications = center,
         .setActivationPolicy = [&policies](command::ActivationPolicy p) { policies.push_back(p); }});
    EXPECT_TRUE(face.system().canUseNotificationCenter());

    EXPECT_EQ(face.system().setLaunchAtLogin(true), std::nullopt);
    EXPECT_TRUE(face.system().launchAtLogin());
    EXPECT_TRUE(QFileInfo::exists(QString::fromStdString(item.entryPath().string())));
    // Removed outside the app: shown once read again.
    std::filesystem::remove(item.entryPath());
    EXPECT_TRUE(face.system().launchAtLogin());
    face.system().refreshLaunchAtLogin();
    EXPECT_FALSE(face.system().launchAtLogin());
    const auto failure = face.system().setLaunchAtLogin(false);
    ASSERT_TRUE(failure.has_value()) << "there is no entry to remove";
    EXPECT_FALSE(face.system().launchAtLogin());

    EXPECT_FALSE(testfakes::awaitResult(face.system().requestNotificationAuthorization()).granted);
    EXPECT_EQ(center->authorizationRequests(), 1);

    face.system().setActivationPolicy(SystemFace::Accessory);
    face.system().setActivationPolicy(SystemFace::Regular);
    EXPECT_EQ(policies, (std::vector{command::ActivationPolicy::accessory, command::ActivationPolicy::regular}));

    center->identifier = "org.example.other";
    face.setSystemServices({.notifications = center});
    EXPECT_FALSE(face.system().canUseNotificationCenter()) << "another identity may not ask";
}

TEST_F(FaceOverEngine, RequestsAreRaisedAndTakenUpThroughTheEngine) {
    CustomMode mode = CustomMode::gamingTemplate();
    engine.addCustomMode(mode);
    ASSERT_EQ(face.modes().customModes().count(), 1);
    face.shell().requestModeEditor(mode.id());
    EXPECT_EQ(engine.pendingModeEditorID(), mode.id());
    EXPECT_EQ(face.shell().pendingModeEditorIDText(), QString::fromStdString(mode.id().uuidString()));
    const auto taken = face.shell().consumePendingModeEditorID();
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->id(), mode.id());
    EXPECT_EQ(engine.pendingModeEditorID(), std::nullopt);
    EXPECT_EQ(face.shell().consumePendingModeEditorID(), std::nullopt) << "taken once";

    face.shell().requestDustCycle();
    EXPECT_TRUE(engine.pendingDustCycleRequest());
    EXPECT_TRUE(face.shell().consumePendingDustCycleRequest());
    EXPECT_FALSE(engine.pendingDustCycleRequest());
    EXPECT_FALSE(face.shell().consumePendingDustCycleRequest());
}

TEST_F(FaceOverEngine, TheInAppAlertShowsAndIsDismissedThroughTheAlertsService) {
    h.services->alerts->showInApp("CPU Proximity is at 96 °C");
    EXPECT_TRUE(face.alerts().hasInAppAlert());
    EXPECT_EQ(face.alerts().inAppAlertText(), QString::fromUtf8("CPU Proximity is at 96 °C"));
    face.alerts().dismissInAppAlert();
    EXPECT_FALSE(face.alerts().hasInAppAlert());
    EXPECT_EQ(h.services->alerts->shownInApp, std::nullopt);
}

TEST_F(FaceOverEngine, QmlReadsTheFaceProvidedToItsEngineAndWritesThroughIt) {
    QQmlEngine qml;
    qml.addImportPath(QStringLiteral("qrc:/"));
    EngineFace::provide(qml, &face);
    QQmlComponent component(&qml);
    component.setData(R"(
        import QtQuick
        import Zephrane.Face
        Item {
            property bool fahrenheit: Face.preferences.useFahrenheit
            property string section: Face.shell.selectedSection === ShellFace.Sensors ? "sensors" : "other"
            property int fans: Face.drive.fans.count
            function chooseMax() { Face.drive.selectPreset(DriveFace.Max) }
        })",
                      QUrl(QStringLiteral("qrc:/test/FaceReader.qml")));
    std::unique_ptr<QObject> reader(component.create());
    ASSERT_NE(reader, nullptr) << component.errorString().toStdString();
    EXPECT_TRUE(component.errors().isEmpty());
    EXPECT_FALSE(reader->property("fahrenheit").toBool());
    engine.setUseFahrenheit(true);
    engine.setSelectedSection(Section::sensors);
    EXPECT_TRUE(reader->property("fahrenheit").toBool());
    EXPECT_EQ(reader->property("section").toString(), "sensors");
    QMetaObject::invokeMethod(reader.get(), "chooseMax");
    EXPECT_EQ(engine.activePreset(), FanPreset::max);
}

TEST(ScriptedFace, StoresWhatAViewWritesAndRecordsEveryCommand) {
    ScriptedEngineFace face;
    int accents = 0;
    QObject::connect(&face.preferences(), &PreferencesFace::accentChoiceChanged, [&accents] { ++accents; });
    face.preferences().setAccentChoice(PreferencesFace::Violet);
    face.preferences().setPresetCap(FanPreset::max, std::nullopt, 2.0);
    face.preferences().setPresetCap(FanPreset::max, 0.25, std::nullopt);
    face.preferences().setPresetCap(FanPreset::max, std::nan(""), std::nullopt);
    face.shell().requestModeCreation();
    face.daemon().installHelper();
    EXPECT_EQ(face.preferences().state().accentChoice, Theme::AccentChoice::violet);
    EXPECT_EQ(accents, 1);
    EXPECT_EQ(face.preferences().presetCaps(FanPreset::max).battery, 1.0) << "clamped to the range";
    EXPECT_EQ(face.preferences().presetCaps(FanPreset::max).ac, 0.25) << "not a number keeps the cap";
    EXPECT_TRUE(face.shell().pendingModeCreationRequest());
    using namespace command;
    ASSERT_EQ(face.commands().size(), 6u);
    EXPECT_EQ(face.commands()[0], FaceCommand(ChangeSetting{Setting::accentChoice, Theme::AccentChoice::violet}));
    EXPECT_EQ(face.commands()[1], FaceCommand(SetPresetCap{FanPreset::max, std::nullopt, 2.0}));
    EXPECT_EQ(face.commands()[4], FaceCommand(RaiseRequest{Request::modeCreation, std::nullopt}));
    EXPECT_EQ(face.commands()[5], FaceCommand(InstallHelper{}));
}

TEST(ScriptedFace, PlaysTheDesktopAsATestTellsIt) {
    ScriptedEngineFace face;
    face.setLoginItemFailure("The operation couldn\u2019t be completed.");
    EXPECT_EQ(face.system().setLaunchAtLogin(true), "The operation couldn\u2019t be completed.");
    EXPECT_FALSE(face.system().launchAtLogin());
    face.setLoginItemFailure(std::nullopt);
    EXPECT_EQ(face.system().setLaunchAtLogin(true), std::nullopt);
    EXPECT_TRUE(face.system().launchAtLogin());
    face.setLoginItemRegistered(false);
    EXPECT_TRUE(face.system().launchAtLogin()) << "not read again yet";
    face.system().refreshLaunchAtLogin();
    EXPECT_FALSE(face.system().launchAtLogin());

    face.holdNotificationRequests(true);
    std::vector<bool> answers;
    const auto ask = [&]() -> QCoro::Task<> {
        answers.push_back((co_await face.system().requestNotificationAuthorization()).granted);
    };
    ask();
    ask();
    ASSERT_EQ(face.heldNotificationRequests(), 2u);
    face.answerHeldNotificationRequest(1, {true, std::nullopt});
    face.answerHeldNotificationRequest(0, {false, std::nullopt});
    ASSERT_TRUE(testfakes::eventually([&] { return answers.size() == 2; }));
    EXPECT_EQ(answers, (std::vector{true, false})) << "in the order answered";

    std::vector<std::string> described;
    for (const FaceCommand& c : face.commands()) described.push_back(describe(c));
    EXPECT_EQ(described, (std::vector<std::string>{"SetLaunchAtLogin(true)", "SetLaunchAtLogin(true)",
                                                   "RefreshLaunchAtLogin", "RequestNotificationAuthorization",
                                                   "RequestNotificationAuthorization"}));
}

// QCoro's co_return moves from a named value it is given: the scripted
// answers must survive being asked for twice.
TEST(ScriptedFace, ItsAnswersAreTheSameEveryTime) {
    ScriptedEngineFace face;
    face.setExportResult(QStringLiteral("/tmp/history.csv"));
    face.setNotificationAnswer({false, "The notification server is gone."});
    for (int ask = 0; ask < 2; ++ask) {
        EXPECT_EQ(QCoro::waitFor(face.exportHistoryCSV()), QStringLiteral("/tmp/history.csv")) << ask;
        const auto answer = QCoro::waitFor(face.requestNotificationAuthorization());
        EXPECT_FALSE(answer.granted) << ask;
        EXPECT_EQ(answer.error, "The notification server is gone.") << ask;
    }
}

TEST(ScriptedFace, AWithdrawnOrVanishedFaceIsNoneToQml) {
    QQmlEngine qml;
    {
        ScriptedEngineFace face;
        EngineFace::provide(qml, &face);
        EXPECT_EQ(EngineFace::create(&qml, nullptr), &face);
    }
    EXPECT_EQ(EngineFace::create(&qml, nullptr), nullptr);
}

}  // namespace
}  // namespace zephrane::enginetest
