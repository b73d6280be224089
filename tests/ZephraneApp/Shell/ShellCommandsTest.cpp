// The menus the command table feeds: a tick that only moves the fans'
// speeds must leave an open menu alone, while what the menus show (the fans
// being there, the daemon link, the preset that is on) still reaches them.
// The main window's menus in their order, with shortcuts that act while
// every menu is closed. And the power-history export the File menu starts.
#include <coroutine>
#include <variant>

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QQmlApplicationEngine>
#include <QQmlContext>
#include <QQmlExpression>
#include <QtQml/qqmlextensionplugin.h>
#include <QQuickWindow>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include "ZephraneApp/Face/AlertsFace.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/ZephraneEngineFace.hpp"
#include "ZephraneApp/Shell/AppCommands.hpp"
#include "ZephraneApp/Shell/ShellCommands.hpp"
#include "platform/updater/Updater.hpp"
#include "tests/ZephraneApp/Engine/EngineHarness.hpp"

Q_IMPORT_QML_PLUGIN(Zephrane_FacePlugin)
Q_IMPORT_QML_PLUGIN(Zephrane_ShellPlugin)

namespace zephrane::enginetest {
namespace {

QMenu* fansMenu(QMenu& tray) {
    for (QAction* action : tray.actions())
        if (action->menu() != nullptr && action->text() == "Fans") return action->menu();
    return nullptr;
}

QString checkedPreset(QMenu& fans) {
    for (QAction* action : fans.actions())
        if (action->isChecked()) return action->text();
    return {};
}

// A save panel the test answers when it likes; the export waits meanwhile.
class HeldSavePanel final : public SavePanel {
public:
    QCoro::Task<std::optional<QString>> chooseSavePath(SavePanelRequest request) override {
        requests.push_back(std::move(request));
        co_await Held{this};
        co_return answer_;
    }
    bool isOpen() const { return static_cast<bool>(waiting_); }
    void answer(std::optional<QString> path) {
        answer_ = std::move(path);
        std::exchange(waiting_, {}).resume();
    }

    std::vector<SavePanelRequest> requests;

private:
    struct Held {
        HeldSavePanel* panel;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> handle) const noexcept { panel->waiting_ = handle; }
        void await_resume() const noexcept {}
    };
    std::coroutine_handle<> waiting_;
    std::optional<QString> answer_;
};

class ShellCommandsMenus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(config.isValid());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        QObject::connect(&commands, &ShellCommands::menusChanged, [this] { ++changes; });
    }

    QTemporaryDir config;
    EngineHarness h;
    ZephraneEngine& engine = h.make();
    face::ZephraneEngineFace face{engine};
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater{updaterController, QString()};
    HeldSavePanel* panel = new HeldSavePanel;
    ShellCommands commands{face, updater, [](const QString&) {}, [] {}, nullptr,
                           std::unique_ptr<SavePanel>(panel)};
    int changes = 0;
};

class PowerHistoryExport : public ShellCommandsMenus {
protected:
    void SetUp() override {
        ShellCommandsMenus::SetUp();
        ASSERT_TRUE(destination.isValid());
        QObject::connect(&commands, &ShellCommands::exportFinished,
                         [this](const PowerExportOutcome& outcome) { finished.push_back(outcome); });
    }
    void exportNow() { commands.trigger(ShellCommands::ExportPowerHistory); }

    QTemporaryDir destination;
    std::vector<PowerExportOutcome> finished;
};

TEST_F(PowerHistoryExport, TheChosenPlaceGetsTheHistoryFile) {
    exportNow();
    ASSERT_TRUE(testfakes::eventually([&] { return panel->isOpen(); }));
    ASSERT_EQ(panel->requests.size(), 1u);
    EXPECT_EQ(panel->requests[0].title, "Export Power History");
    EXPECT_TRUE(panel->requests[0].suggestedName.startsWith("Brumalune-History-")) << panel->requests[0].suggestedName.toStdString();
    EXPECT_TRUE(panel->requests[0].suggestedName.endsWith(".csv"));

    // A second command while the panel is up opens no second panel.
    exportNow();
    EXPECT_EQ(panel->requests.size(), 1u);
    EXPECT_TRUE(commands.isExporting());

    const QString target = destination.filePath("history.csv");
    panel->answer(target);
    ASSERT_TRUE(testfakes::eventually([&] { return !finished.empty(); }));
    EXPECT_EQ(finished[0].kind, PowerExportOutcome::Kind::saved) << finished[0].error.toStdString();
    QFile file(target);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().startsWith("timestamp,maxTempC,fanRPM,systemWatts,fanWatts"));
    EXPECT_FALSE(commands.isExporting());
}

TEST_F(PowerHistoryExport, CancellingWritesNothingAndTheNextExportAsksAgain) {
    exportNow();
    ASSERT_TRUE(testfakes::eventually([&] { return panel->isOpen(); }));
    panel->answer(std::nullopt);
    ASSERT_TRUE(testfakes::eventually([&] { return !finished.empty(); }));
    EXPECT_EQ(finished[0].kind, PowerExportOutcome::Kind::cancelled);
    EXPECT_TRUE(QDir(destination.path()).isEmpty());

    exportNow();
    ASSERT_TRUE(testfakes::eventually([&] { return panel->isOpen(); }));
    EXPECT_EQ(panel->requests.size(), 2u);
    // A place that cannot be written is a failure, told, not a save.
    panel->answer(destination.filePath("no/such/folder/history.csv"));
    ASSERT_TRUE(testfakes::eventually([&] { return finished.size() == 2; }));
    EXPECT_EQ(finished[1].kind, PowerExportOutcome::Kind::failed);
    EXPECT_FALSE(finished[1].error.isEmpty());
}

TEST_F(ShellCommandsMenus, SpeedsAloneNeitherNotifyNorRefillAnOpenMenu) {
    std::unique_ptr<QMenu> tray(commands.trayMenu());
    QMenu* fans = fansMenu(*tray);
    ASSERT_NE(fans, nullptr);
    EXPECT_TRUE(fans->actions().isEmpty()) << "no fans yet, no presets";

    engine.publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    EXPECT_EQ(changes, 1) << "the fans appeared";
    const QList<QAction*> entries = fans->actions();
    ASSERT_EQ(entries.size(), 6) << "four presets, a separator, the dust cycle";
    EXPECT_EQ(checkedPreset(*fans), "Automatic");

    // A user on "Max" in the open menu, while the fans speed up tick by tick.
    fans->setActiveAction(entries[3]);
    for (int rpm = 2100; rpm <= 4100; rpm += 500) {
        h.clock->advance(std::chrono::seconds(2));
        engine.publishFansIfChanged(pollOf({fan(0, rpm), fan(1, rpm + 100)}, {}, false));
    }
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(fans->actions(), entries) << "the menu was refilled under the pointer";
    EXPECT_EQ(fans->activeAction(), entries[3]);

    // What the menu shows still changes it.
    engine.applyProfile(FanProfile::maxThermalBlast());
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(checkedPreset(*fans), "Max");
    engine.publishFansIfChanged(pollOf({}, {}, false));
    EXPECT_EQ(changes, 3) << "the fans went";
    EXPECT_TRUE(fans->actions().isEmpty());
}

TEST_F(ShellCommandsMenus, APresetFromTheMenuLeavesNoPresetBehindToComeBackLater) {
    engine.publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    engine.selectPreset(FanPreset::quiet);
    ASSERT_EQ(engine.activePreset(), FanPreset::quiet);

    commands.choosePreset(3);  // "Max"
    EXPECT_EQ(engine.activePreset(), std::nullopt);
    ASSERT_TRUE(engine.activeProfile().has_value());
    EXPECT_EQ(engine.activeProfile()->id, FanProfile::maxThermalBlast().id);
    EXPECT_EQ(engine.controlSourceCaption(), "Max cooling");

    // An edit of the quiet preset's cap re-applies the active preset, if
    // there is one: Max must stay.
    engine.setPresetCap(FanPreset::quiet, 0.4, std::nullopt);
    EXPECT_EQ(engine.activeProfile()->id, FanProfile::maxThermalBlast().id);
}

// A dust cycle hands back the drive it interrupted when it ends. A preset
// chosen from the menu meanwhile is the user's new drive: the cycle stops
// there, or its end would put the old preset back over the new choice.
TEST_F(ShellCommandsMenus, APresetFromTheMenuEndsARunningDustCycleRatherThanBeUndoneByIt) {
    engine.publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    engine.selectPreset(FanPreset::quiet);
    engine.startDustCycle();
    ASSERT_TRUE(std::holds_alternative<DustCycleUIState::Running>(engine.dustCycleState().state));

    commands.choosePreset(3);  // "Max"
    engine.cancelDustCycle();  // what the cycle's end, or its cancel button, does
    EXPECT_EQ(engine.activePreset(), std::nullopt);
    ASSERT_TRUE(engine.activeProfile().has_value());
    EXPECT_EQ(engine.activeProfile()->id, FanProfile::maxThermalBlast().id);
    EXPECT_EQ(engine.controlSourceCaption(), "Max cooling");
}

// The commands on a scripted face: what each asks of the engine, in what
// order, and which window it opens.
class ShellCommandsOnAScript : public ::testing::Test {
protected:
    void SetUp() override {
        face::DriveFace::State drive = face.drive().state();
        drive.activeProfile = FanProfile::appleAuto();
        face.drive().publish(drive);
        face.drive().fans().update({{0, fan(0, 2000)}}, {}, {});
        face.clearCommands();
    }

    face::ScriptedEngineFace face;
    updater::OfflineUpdaterController updaterController;
    updater::UpdaterViewModel updater{updaterController, QString()};
    std::vector<QString> opened;
    ShellCommands commands{face, updater, [this](const QString& id) { opened.push_back(id); }, [] {}};
};

TEST_F(ShellCommandsOnAScript, EachCommandWritesTheSectionThenRaisesItsRequestThenOpensTheWindow) {
    using namespace face::command;
    struct Case {
        ShellCommands::Command command;
        std::vector<face::FaceCommand> asked;
        bool opensMain;
    };
    const Case cases[] = {
        {ShellCommands::NewCustomMode,
         {SelectSection{Section::modes}, RaiseRequest{Request::modeCreation, std::nullopt}}, true},
        {ShellCommands::Dashboard, {SelectSection{Section::dashboard}}, true},
        {ShellCommands::Sensors, {SelectSection{Section::sensors}}, true},
        {ShellCommands::Settings, {SelectSection{Section::settings}}, true},
        {ShellCommands::OpenMainWindow, {}, true},
        // The dust cycle asks for nothing while the daemon is not connected.
        {ShellCommands::StartDustCycle, {}, false},
        {ShellCommands::CheckForUpdates, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.command));
        face.clearCommands();
        opened.clear();
        commands.trigger(c.command);
        EXPECT_EQ(face.commands(), c.asked);
        EXPECT_EQ(opened, c.opensMain ? std::vector<QString>{"main"} : std::vector<QString>{});
    }

    auto daemon = face.daemon().state();
    daemon.helperState = HelperState::connected();
    face.daemon().publish(daemon);
    face.clearCommands();
    commands.trigger(ShellCommands::StartDustCycle);
    EXPECT_EQ(face.commands(), (std::vector<face::FaceCommand>{SelectSection{Section::dashboard},
                                                                RaiseRequest{Request::dustCycle, std::nullopt}}));
}

TEST_F(ShellCommandsOnAScript, APresetIsChosenAsTheEnginesOwnStepsDoAndTheOneOnChangesNothing) {
    using namespace face::command;
    commands.choosePreset(0);  // "Automatic", already on
    EXPECT_TRUE(face.commands().empty());

    auto drive = face.drive().state();
    drive.activePreset = FanPreset::quiet;
    face.drive().publish(drive);
    face.modes().publishActiveCustomModeID(Uuid::random());
    commands.choosePreset(3);
    EXPECT_EQ(face.commands(), (std::vector<face::FaceCommand>{SelectProfile{FanProfile::maxThermalBlast()}}));
    EXPECT_EQ(face.drive().activePreset(), std::nullopt);
    EXPECT_EQ(face.modes().activeCustomModeID(), std::nullopt);
    EXPECT_TRUE(commands.fanPresets()->index(3).data(ShellMenuModel::CheckedRole).toBool());
}

TEST_F(ShellCommandsOnAScript, TheMenusShowWhatTheFaceHolds) {
    const auto titles = [](ShellMenuModel* model) {
        std::vector<std::string> all;
        for (int row = 0; row < model->rowCount(); ++row)
            all.push_back(model->index(row).data(ShellMenuModel::TitleRole).toString().toStdString());
        return all;
    };
    EXPECT_EQ(titles(commands.appMenu()),
              (std::vector<std::string>{"Open Brumalune", "Settings\u2026", "Quit Brumalune"}))
        << "no feed, no update check";
    const QModelIndex exportEntry = commands.fileMenu()->index(1);
    EXPECT_FALSE(exportEntry.data(ShellMenuModel::EnabledRole).toBool()) << "no history to export yet";
    EXPECT_EQ(commands.fanPresets()->rowCount(), 4);
    EXPECT_FALSE(commands.dustCycleEnabled());

    face.alerts().publish({.isOverheating = false, .inAppAlert = std::nullopt, .hasHistory = true});
    EXPECT_TRUE(commands.fileMenu()->index(1).data(ShellMenuModel::EnabledRole).toBool());
    face.drive().fans().update({}, {}, {});
    EXPECT_EQ(commands.fanPresets()->rowCount(), 0) << "no fans, no presets";
    EXPECT_FALSE(commands.showsDustCycle());
}

// Every warning while a window's QML is loaded and used: a binding loop or
// an undefined property shows up here.
QStringList& qmlWarnings() {
    static QStringList warnings;
    return warnings;
}

void collectWarnings(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type != QtDebugMsg && type != QtInfoMsg) qmlWarnings().append(message);
}

class MainWindowMenus : public ShellCommandsMenus {
protected:
    void SetUp() override {
        ShellCommandsMenus::SetUp();
        qmlWarnings().clear();
        previousHandler = qInstallMessageHandler(collectWarnings);
        qml.addImportPath("qrc:/");
        face::EngineFace::provide(qml, &face);
        ShellCommands::provide(qml, &commands);
        qml.load(QUrl("qrc:/Zephrane/Shell/Main.qml"));
        ASSERT_EQ(qml.rootObjects().size(), 1);
        window = qobject_cast<QQuickWindow*>(qml.rootObjects().first());
        ASSERT_NE(window, nullptr);
        window->requestActivate();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    }
    void TearDown() override { qInstallMessageHandler(previousHandler); }

    // The titles of the menu bar's menu at `index`, "-" for a separator:
    // what it shows when open.
    std::vector<std::string> entries(int index) {
        QQmlExpression expression(qmlContext(window), window, QString(R"((function() {
            const menu = menuBar.menuAt(%1)
            menu.open()
            const titles = []
            for (let i = 0; i < menu.count; ++i) {
                const item = menu.itemAt(i)
                if (item.visible) titles.push(item.text === undefined ? "-" : item.text)
            }
            menu.close()
            return titles
        })())").arg(index));
        std::vector<std::string> titles;
        for (const QString& title : expression.evaluate().toStringList()) titles.push_back(title.toStdString());
        return titles;
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(window, key, modifiers);
        QCoreApplication::processEvents();
    }

    QQmlApplicationEngine qml;
    QQuickWindow* window = nullptr;
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(MainWindowMenus, TheFansMenuKeepsItsOrderOnceTheFansAppear) {
    using Titles = std::vector<std::string>;
    EXPECT_EQ(entries(3), Titles()) << "no fans, an empty Fans menu";
    EXPECT_EQ(entries(2), (Titles{"Dashboard", "Sensors", "Modes", "Settings"}));

    engine.publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    EXPECT_EQ(entries(3), (Titles{"Automatic", "Quiet", "Balanced", "Max", "-", "Start Dust Cycle\u2026"}));
    engine.applyProfile(FanProfile::maxThermalBlast());
    EXPECT_EQ(entries(3).front(), "Automatic") << "a refill keeps the order";
    EXPECT_EQ(entries(3).size(), 6);
    EXPECT_TRUE(qmlWarnings().isEmpty()) << qmlWarnings().join('\n').toStdString();
}

TEST_F(MainWindowMenus, ShortcutsActWithEveryMenuClosed) {
    engine.publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    // Control-Command-4 of the Mac is Ctrl+Meta+4.
    press(Qt::Key_4, Qt::ControlModifier | Qt::MetaModifier);
    ASSERT_TRUE(engine.activeProfile().has_value());
    EXPECT_EQ(engine.activeProfile()->id, FanProfile::maxThermalBlast().id);
    press(Qt::Key_2, Qt::ControlModifier | Qt::MetaModifier);
    EXPECT_EQ(engine.activeProfile()->id, FanProfile::silentStealth().id);

    press(Qt::Key_4, Qt::ControlModifier);
    EXPECT_EQ(commands.section().toStdString(), "settings");
    press(Qt::Key_2, Qt::ControlModifier);
    EXPECT_EQ(commands.section().toStdString(), "sensors");
    press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(commands.section().toStdString(), "modes");
    EXPECT_TRUE(qmlWarnings().isEmpty()) << qmlWarnings().join('\n').toStdString();
}

}  // namespace
}  // namespace zephrane::enginetest

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
