// The settings form's presenter on the scripted face: the restore's 22
// steps in order, the login item's toggle and its error, the Dock icon's
// activation policy, the daemon's status row, the optional sections, and
// the form's scrolling and grid arithmetic.
#include "ZephraneApp/Settings/SettingsForm.hpp"

#include <QGuiApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/ThemeTokens.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SystemFace.hpp"

namespace zephrane::settingsview {
namespace {

// The updater view model as the form sees it.
class Updater : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates MEMBER canCheck CONSTANT)
public:
    explicit Updater(bool configured) : canCheck(configured) {}
    Q_INVOKABLE void checkForUpdates() { ++checks; }
    bool canCheck;
    int checks = 0;
};

class SettingsFormTest : public ::testing::Test {
protected:
    SettingsFormTest() {
        form.setFace(&face);
        face.clearCommands();
    }
    std::vector<std::string> commands() const {
        std::vector<std::string> described;
        for (const face::FaceCommand& c : face.commands()) described.push_back(face::describe(c));
        return described;
    }
    void publishDaemon(HelperState state, std::optional<std::string> issue = std::nullopt,
                       std::optional<std::string> lastError = std::nullopt) {
        auto d = face.daemon().state();
        d.helperState = std::move(state);
        d.helperInstallIssue = std::move(issue);
        d.lastError = std::move(lastError);
        face.daemon().publish(d);
    }

    design::ThemeTokens theme{nullptr, nullptr};
    face::ScriptedEngineFace face;
    SettingsForm form{theme};
};

TEST_F(SettingsFormTest, RestoringRunsTheTwentyTwoSettersInTheirOrderAndOnlyWhenConfirmed) {
    form.askToRestoreDefaults();
    EXPECT_TRUE(form.confirmingRestore());
    form.cancelRestoreDefaults();
    EXPECT_FALSE(form.confirmingRestore());
    EXPECT_TRUE(commands().empty()) << "Cancel changes nothing";

    form.askToRestoreDefaults();
    form.confirmRestoreDefaults();
    EXPECT_FALSE(form.confirmingRestore());
    const std::vector<std::string> steps{
        "ChangeSetting(acousticAlpha, 0.350000)",
        "ChangeSetting(spoolRate, 900.000000)",
        "ChangeSetting(autoSwitchOnBattery, true)",
        "ChangeSetting(overheatThreshold, 90.000000)",
        "ChangeSetting(useFahrenheit, false)",
        "ChangeSetting(preciseTemperatures, true)",
        "ChangeSetting(accentChoice, system)",
        "ChangeSetting(windowBackdrop, system)",
        "ResetPresetPowerCaps",
        "ResetAlertRules",
        "ChangeSetting(quietHoursEnabled, false)",
        "ChangeSetting(quietHoursStart, 1320)",
        "ChangeSetting(quietHoursEnd, 480)",
        "ChangeSetting(preSpoolEnabled, false)",
        "ChangeSetting(meetingQuietEnabled, false)",
        "ChangeSetting(controlSource, hottest)",
        "ChangeSetting(showDockIcon, true)",
        "ChangeSetting(fanHealthWarningsEnabled, true)",
        "ChangeSetting(menuBarReadout, controlTemperature)",
        "ChangeSetting(menuBarTempSource, control)",
        "ChangeSetting(menuBarIconAnimated, true)",
        "SetSummonShortcut(\u2325\u21e7F)",
    };
    // showDockIcon was true already: no change, so no policy follows.
    EXPECT_EQ(commands(), steps);
}

TEST_F(SettingsFormTest, RestoringWhileTheDockIconIsHiddenBringsItBackAtOnce) {
    face.preferences().setShowDockIcon(false);
    face.preferences().clearSummonShortcut();
    face.clearCommands();
    form.confirmRestoreDefaults();
    const auto all = commands();
    const auto dock = std::find(all.begin(), all.end(), "ChangeSetting(showDockIcon, true)");
    ASSERT_NE(dock, all.end());
    EXPECT_EQ(*std::next(dock), "SetActivationPolicy(regular)");
    EXPECT_EQ(face.preferences().summonShortcut(), GlobalShortcut::defaultSummon())
        << "a cleared shortcut is back to Option-Shift-F";
}

TEST_F(SettingsFormTest, TheDockToggleSetsThePolicyOnEachChangeWhileShown) {
    face.preferences().setShowDockIcon(false);
    face.preferences().setShowDockIcon(false);
    face.preferences().setShowDockIcon(true);
    EXPECT_EQ(commands(), (std::vector<std::string>{"ChangeSetting(showDockIcon, false)", "SetActivationPolicy(accessory)",
                                                    "ChangeSetting(showDockIcon, false)",
                                                    "ChangeSetting(showDockIcon, true)", "SetActivationPolicy(regular)"}));
    face.clearCommands();
    SettingsForm another{theme};
    another.setFace(&face);
    EXPECT_EQ(commands(), std::vector<std::string>{"RefreshLaunchAtLogin"}) << "appearing sets no policy";
}

TEST_F(SettingsFormTest, TheLoginToggleShowsWhatTheSystemHoldsAndTheFailureUnderIt) {
    QSignalSpy shown(&form, &SettingsForm::launchAtLoginChanged);
    face.setLoginItemFailure("Operation not permitted");
    form.setLaunchAtLogin(true);
    EXPECT_FALSE(form.launchAtLogin()) << "it springs back";
    EXPECT_EQ(form.loginItemError(), "Operation not permitted");
    EXPECT_GE(shown.count(), 1) << "the switch is told to show the system's state again";
    face.setLoginItemFailure(std::nullopt);
    form.setLaunchAtLogin(true);
    EXPECT_TRUE(form.launchAtLogin());
    EXPECT_FALSE(form.hasLoginItemError()) << "a later success clears the error";

    // Changed in the system's own settings: shown when the app is active again.
    face.setLoginItemRegistered(false);
    emit qGuiApp->applicationStateChanged(Qt::ApplicationInactive);
    EXPECT_TRUE(form.launchAtLogin());
    emit qGuiApp->applicationStateChanged(Qt::ApplicationActive);
    EXPECT_FALSE(form.launchAtLogin());
}

TEST_F(SettingsFormTest, TheStatusRowNamesTheIssueFirstThenTheState) {
    struct Case {
        const char* edge;
        HelperState state;
        std::optional<std::string> issue;
        const char* text;
        const char* symbol;
    };
    const Case cases[] = {
        {"not installed", HelperState::notRegistered(), {}, "Not Installed", "circle.dashed"},
        {"needs approval", HelperState::requiresApproval(), {}, "Needs Approval", "exclamationmark.triangle.fill"},
        {"enabled", HelperState::enabled(), {}, "Enabled", "bolt.badge.checkmark"},
        {"connected", HelperState::connected(), {}, "Connected", "checkmark.seal.fill"},
        {"unavailable reads its reason", HelperState::unavailable("socket refused"), {}, "socket refused",
         "xmark.octagon.fill"},
        {"an issue outranks any state", HelperState::connected(), "Older helper found.", "Setup Needs Attention",
         "exclamationmark.triangle.fill"},
    };
    for (const Case& c : cases) {
        publishDaemon(c.state, c.issue);
        EXPECT_EQ(form.helperStatusText(), c.text) << c.edge;
        EXPECT_EQ(form.helperStatusSymbol(), c.symbol) << c.edge;
        EXPECT_EQ(form.hasHelperIssue(), c.issue.has_value()) << c.edge;
    }
    EXPECT_EQ(form.helperStatusColor(), Theme::statusOrange().light);
    publishDaemon(HelperState::connected());
    EXPECT_EQ(form.helperStatusColor(), Theme::statusGreen().light);
}

TEST_F(SettingsFormTest, TheLastErrorShowsWhileOneIsSetEvenAnEmptyOne) {
    EXPECT_FALSE(form.showsLastError());
    publishDaemon(HelperState::connected(), std::nullopt, std::string());
    EXPECT_TRUE(form.showsLastError());
    EXPECT_EQ(form.lastError(), "");
    publishDaemon(HelperState::connected(), std::nullopt, "write failed: refused");
    EXPECT_EQ(form.lastError(), "write failed: refused");
}

TEST_F(SettingsFormTest, UpdatesShowAndCheckOnlyWhenConfigured) {
    EXPECT_FALSE(form.showsUpdates()) << "no updater";
    Updater unconfigured(false);
    form.setUpdater(&unconfigured);
    EXPECT_FALSE(form.showsUpdates());
    form.checkForUpdates();
    EXPECT_EQ(unconfigured.checks, 0);
    Updater configured(true);
    form.setUpdater(&configured);
    EXPECT_TRUE(form.showsUpdates());
    form.checkForUpdates();
    EXPECT_EQ(configured.checks, 1);
}

TEST_F(SettingsFormTest, RowTextsFollowTheEngine) {
    EXPECT_EQ(form.smoothingText(), "0.35");
    EXPECT_EQ(form.spoolRateText(), "900 RPM/s");
    EXPECT_EQ(form.overheatText(), "90\u00b0C");
    face.preferences().setOverheatThreshold(71);
    EXPECT_EQ(form.overheatColor(), theme.primary()) << "below 72 the primary style";
    face.preferences().setOverheatThreshold(72);
    EXPECT_EQ(form.overheatColor(), theme.adaptiveTemperatureColor(72, false));
    face.preferences().setUseFahrenheit(true);
    face.preferences().setOverheatThreshold(90);
    EXPECT_EQ(form.overheatText(), "194\u00b0F");
    face.preferences().setWindowBackdrop(WindowBackdrop::nebula);
    EXPECT_EQ(form.backdrops().at(form.selectedBackdropIndex()).toMap().value("raw"), "nebula");
    EXPECT_EQ(SettingsForm::accentNames(),
              (QStringList{"System", "Sky", "Teal", "Indigo", "Violet", "Graphite"}));
    EXPECT_EQ(SettingsForm::controlSourceNames().first(), "Hottest Sensor");
    EXPECT_EQ(SettingsForm::menuBarReadoutNames(),
              (QStringList{"Off", "Temperature", "Fan speed", "Temperature & fan speed", "Hottest Sensor"}));
    EXPECT_EQ(SettingsForm::menuBarTempSourceNames(),
              (QStringList{"Control temperature", "Hottest Sensor", "CPU Core Average", "CPU Performance",
                           "CPU Efficiency", "GPU Average"}));
}

TEST(SettingsFormGeometry, TheBackdropGridFitsAsManyCellsAsItCan) {
    EXPECT_EQ(SettingsForm::adaptiveColumns(672, 78, 12), 7);
    EXPECT_EQ(SettingsForm::adaptiveColumns(78, 78, 12), 1);
    EXPECT_EQ(SettingsForm::adaptiveColumns(167, 78, 12), 1);
    EXPECT_EQ(SettingsForm::adaptiveColumns(168, 78, 12), 2);
    EXPECT_EQ(SettingsForm::adaptiveColumns(0, 78, 12), 1);
}

TEST(SettingsFormGeometry, TheFocusedControlComesIntoViewMovingAsLittleAsItCan) {
    struct Case {
        const char* edge;
        double contentY, top, height, expected;
    };
    // A view 500 high over 2000 of content, a margin of 12.
    const Case cases[] = {
        {"in view already", 100, 300, 30, 100},
        {"below: its bottom edge shows", 0, 600, 30, 142},
        {"above: its top edge shows", 800, 500, 30, 488},
        {"taller than the view: its top", 0, 600, 700, 588},
        {"never past the end", 0, 1990, 30, 1500},
        {"never before the start", 300, 5, 30, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(SettingsForm::revealedContentY(c.contentY, 500, 2000, c.top, c.height, 12), c.expected) << c.edge;
}

}  // namespace
}  // namespace zephrane::settingsview

#include "SettingsFormTest.moc"
