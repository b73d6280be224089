// The main window's presenter on the scripted engine: the sections, the
// footer, the first-run sheet, the dashboard's presence and its dust-cycle
// request, and the competitor look-up with its poll, also when a look-up
// hangs, fails or answers after the window went.
#include "ZephraneApp/MainWindow/MainViewPresenter.hpp"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PresenterTesting.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ShellFace.hpp"
#include "ZephraneApp/MainWindow/ScriptedApplications.hpp"

namespace zephrane::mainwindow {
namespace {

using namespace std::chrono_literals;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::described;
using testing::ManualTimers;
using testing::settle;
using testing::settleUntil;
using testing::TimersFor;

void publishDaemon(face::ScriptedEngineFace& face, HelperState state, bool smcAvailable) {
    auto snapshot = face.daemon().state();
    snapshot.helperState = std::move(state);
    snapshot.smcAvailable = smcAvailable;
    face.daemon().publish(std::move(snapshot));
}

void publishFans(face::ScriptedEngineFace& face, int count) {
    std::map<int, FanStatus> fans;
    for (int i = 0; i < count; ++i) fans[i] = FanStatus{i, 2000, 1200, 6000, 2000, false, true};
    face.drive().fans().update(fans, {}, {});
}

struct Window {
    face::ScriptedEngineFace face;
    ScriptedApplications applications;
    ManualTimers timers;
    std::unique_ptr<MainViewPresenter> presenter = std::make_unique<MainViewPresenter>();

    explicit Window(bool smcAvailable = true) {
        publishDaemon(face, HelperState::connected(), smcAvailable);
        presenter->setTimerSource(std::make_unique<TimersFor>(timers));
        presenter->setApplications(&applications);
        presenter->setFace(&face);
    }
    void show(bool shown = true) { presenter->setWindowShown(shown); }
};

TEST(MainViewPresenterTest, ASidebarRowStoresItsSectionInLowerCase) {
    Window window;
    window.presenter->selectSection(2);
    window.presenter->selectSection(1);
    window.presenter->selectSection(-1);  // the list reports no row
    window.presenter->selectSection(9);
    window.presenter->openAllSensors();
    EXPECT_THAT(described(window.face),
                ElementsAre("SelectSection(modes)", "SelectSection(sensors)", "SelectSection(dashboard)",
                            "SelectSection(dashboard)", "SelectSection(sensors)"));
    EXPECT_EQ(window.presenter->selectedSection(), 1);
}

TEST(MainViewPresenterTest, TheArrowKeysMoveOneRowAndStopAtTheEnds) {
    Window window;
    const struct {
        int step;
        int expected;
    } presses[] = {{-1, 0}, {1, 1}, {1, 2}, {1, 3}, {1, 3}, {-1, 2}, {0, 2}};
    for (const auto& press : presses) {
        window.presenter->selectAdjacentSection(press.step);
        EXPECT_EQ(window.presenter->selectedSection(), press.expected);
    }
}

TEST(MainViewPresenterTest, SectionsAreListedWithLabelsAndSymbols) {
    Window window;
    const QVariantList rows = window.presenter->sections();
    ASSERT_EQ(rows.size(), 4);
    const char* labels[] = {"Dashboard", "Sensors", "Modes", "Settings"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(rows[i].toMap()["label"].toString(), labels[i]);
    EXPECT_EQ(rows[0].toMap()["symbol"].toString(), "gauge.with.dots.needle.67percent");
}

TEST(MainViewPresenterTest, TheFooterFollowsTheSMCAndTheDaemon) {
    Window window;
    EXPECT_EQ(window.presenter->footerText(), "Fan control active");
    EXPECT_TRUE(window.presenter->fanControlActive());
    publishDaemon(window.face, HelperState::enabled(), true);
    EXPECT_EQ(window.presenter->footerText(), "Connecting\u2026");
    EXPECT_FALSE(window.presenter->fanControlActive());
    publishDaemon(window.face, HelperState::connected(), false);
    EXPECT_EQ(window.presenter->footerText(), "Sensors unavailable");
}

TEST(MainViewPresenterTest, DismissingTheFirstRunSheetCompletesSetupOnce) {
    Window window;
    EXPECT_TRUE(window.presenter->showsFirstRunSheet());
    window.presenter->firstRunSheetDismissed();
    EXPECT_FALSE(window.presenter->showsFirstRunSheet());
    window.presenter->firstRunSheetDismissed();
    EXPECT_THAT(described(window.face), ElementsAre("ChangeSetting(hasCompletedFirstRunSetup, true)"));
}

TEST(MainViewPresenterTest, TheDashboardIsReportedWhileItShowsAndTakesUpARequest) {
    Window window;
    publishFans(window.face, 2);
    window.face.shell().requestDustCycle();
    window.face.clearCommands();

    window.show();
    EXPECT_THAT(described(window.face),
                ElementsAre("ReportDashboardVisible(true)", "ConsumeRequest(dustCycle)"));
    EXPECT_TRUE(window.presenter->showDustCycleSheet());

    window.face.clearCommands();
    window.presenter->setShowDustCycleSheet(false);
    window.presenter->selectSection(1);
    window.face.shell().requestDustCycle();  // while another screen shows: left pending
    window.presenter->selectSection(0);
    EXPECT_THAT(described(window.face),
                ElementsAre("SelectSection(sensors)", "ReportDashboardVisible(false)", "RaiseRequest(dustCycle)",
                            "SelectSection(dashboard)", "ReportDashboardVisible(true)", "ConsumeRequest(dustCycle)"));
    EXPECT_TRUE(window.presenter->showDustCycleSheet());

    window.face.clearCommands();
    window.show(false);
    EXPECT_THAT(described(window.face), ElementsAre("ReportDashboardVisible(false)"));
    window.show(true);
    window.face.clearCommands();
    window.presenter.reset();
    EXPECT_THAT(described(window.face), ElementsAre("ReportDashboardVisible(false)"));
}

TEST(MainViewPresenterTest, ARequestWhereNoCycleCanRunIsConsumedWithoutTheSheet) {
    const struct {
        const char* edge;
        int fans;
        HelperState helper;
    } cases[] = {{"no fans", 0, HelperState::connected()}, {"the daemon not connected", 2, HelperState::enabled()}};
    for (const auto& c : cases) {
        Window window;
        publishFans(window.face, c.fans);
        publishDaemon(window.face, c.helper, true);
        window.show();
        window.face.clearCommands();
        window.face.shell().requestDustCycle();
        EXPECT_THAT(described(window.face), ElementsAre("RaiseRequest(dustCycle)", "ConsumeRequest(dustCycle)"))
            << c.edge;
        EXPECT_FALSE(window.face.shell().pendingDustCycleRequest()) << c.edge;
        EXPECT_FALSE(window.presenter->showDustCycleSheet()) << c.edge;
    }
}

TEST(MainViewPresenterTest, StartingFromTheSheetStartsTheCycleThenClosesTheSheet) {
    Window window;
    window.presenter->setShowDustCycleSheet(true);
    bool startedWhileOpen = false;
    window.face.setResponder([&](const face::FaceCommand& command) {
        if (std::holds_alternative<face::command::StartDustCycle>(command))
            startedWhileOpen = window.presenter->showDustCycleSheet();
    });
    window.presenter->startDustCycleFromSheet();
    EXPECT_TRUE(startedWhileOpen);
    EXPECT_FALSE(window.presenter->showDustCycleSheet());
    EXPECT_THAT(described(window.face), ElementsAre("StartDustCycle"));
}

TEST(MainViewPresenterTest, SharedDashboardStateStartsFreshAndKeepsOnlyValidValues) {
    Window window;
    EXPECT_FALSE(window.presenter->dashboardWide());
    EXPECT_FALSE(window.presenter->dashboardHeroWide());
    window.presenter->setDashboardWidth(700);
    EXPECT_TRUE(window.presenter->dashboardHeroWide());
    EXPECT_FALSE(window.presenter->dashboardWide());
    window.presenter->setDashboardWidth(960);
    EXPECT_TRUE(window.presenter->dashboardWide());

    EXPECT_EQ(window.presenter->heatSourceModeValue(), 0);
    window.presenter->setHeatSourceMode(1);
    window.presenter->setHeatSourceMode(-1);  // no segment
    window.presenter->setHeatSourceMode(7);
    EXPECT_EQ(window.presenter->heatSourceModeValue(), 1);

    window.presenter->toggleSensor("cpu.avg");
    window.presenter->toggleSensor("TB0T");
    EXPECT_EQ(window.presenter->expandedSensorID(), "TB0T");
    window.presenter->toggleSensor("TB0T");
    EXPECT_EQ(window.presenter->expandedSensorID(), "");
    EXPECT_THAT(described(window.face), IsEmpty());
}

TEST(MainViewPresenterTest, TheCompetitorIsLookedUpOnAppearingAndNamedInTheMessage) {
    Window window;
    window.applications.setIdentifiers({"com.bjango.istatmenus", "com.crystalidea.macsfancontrol"});
    EXPECT_EQ(window.applications.identifierScans(), 0) << "not before the window shows";
    window.show();
    EXPECT_EQ(window.applications.identifierScans(), 1);
    EXPECT_EQ(window.presenter->competingFanController(), "Macs Fan Control");
    EXPECT_EQ(window.presenter->noFansDescription(), "This Mac reports no controllable fans.");
    EXPECT_EQ(window.timers.armed(), 0u) << "nothing polls while the SMC answers";

    publishDaemon(window.face, HelperState::connected(), false);
    EXPECT_EQ(window.applications.identifierScans(), 2) << "a change of reachability looks again";
    EXPECT_EQ(window.presenter->noFansDescription(),
              "SMC unavailable. Macs Fan Control is running and may be holding it. Sensors reconnect automatically "
              "once it quits.");
}

TEST(MainViewPresenterTest, WhileTheSMCIsUnreachableItLooksEveryFiveSecondsAndNoticesAQuit) {
    Window window(false);
    window.applications.setIdentifiers({"com.tunabellysoftware.TGPro"});
    window.show();
    EXPECT_EQ(window.presenter->competingFanController(), "TG Pro");

    window.applications.setIdentifiers({});  // the user quits it
    window.timers.advance(4900ms);
    EXPECT_EQ(window.presenter->competingFanController(), "TG Pro");
    window.timers.advance(100ms);
    EXPECT_EQ(window.presenter->competingFanController(), "");
    EXPECT_EQ(window.presenter->smcUnavailableMessage(), "SMC unavailable. Retrying automatically.");
    window.timers.advance(5s);
    EXPECT_EQ(window.applications.identifierScans(), 3);

    // Reachable: the loop ends; one last look.
    publishDaemon(window.face, HelperState::connected(), true);
    EXPECT_EQ(window.applications.identifierScans(), 4);
    window.timers.advance(30s);
    EXPECT_EQ(window.applications.identifierScans(), 4);
    EXPECT_EQ(window.timers.armed(), 0u);

    // Unreachable again: a new loop.
    publishDaemon(window.face, HelperState::connected(), false);
    window.timers.advance(5s);
    EXPECT_EQ(window.applications.identifierScans(), 6);
}

TEST(MainViewPresenterTest, AClosedWindowDoesNotPoll) {
    Window window(false);
    window.show();
    window.show(false);
    EXPECT_EQ(window.timers.armed(), 0u);
    publishDaemon(window.face, HelperState::enabled(), false);
    window.timers.advance(1min);
    EXPECT_EQ(window.applications.identifierScans(), 1);
    window.show();
    EXPECT_EQ(window.applications.identifierScans(), 2) << "showing again looks again";
}

TEST(MainViewPresenterTest, AHungLookUpIsNotDoubledAndIsFollowedByOneMore) {
    Window window(false);
    window.applications.hold();
    window.applications.setIdentifiers({"com.tunabellysoftware.TGPro"});
    window.show();
    window.timers.advance(5s);
    window.timers.advance(5s);
    window.timers.advance(5s);
    EXPECT_EQ(window.applications.identifierScans(), 1) << "one look-up in flight at a time";
    EXPECT_EQ(window.applications.waiting(), 1u);

    window.applications.setIdentifiers({"com.bjango.istatmenus6"});
    window.applications.release();
    ASSERT_TRUE(settleUntil([&] { return window.applications.identifierScans() == 2; }));
    ASSERT_TRUE(settleUntil([&] { return window.applications.waiting() == 1; }));
    window.applications.release();
    ASSERT_TRUE(settleUntil([&] { return window.presenter->competingFanController() == "iStat Menus"; }));
    settle();
    EXPECT_EQ(window.applications.identifierScans(), 2);
}

TEST(MainViewPresenterTest, AFailedLookUpKeepsTheNameUntilOneAnswers) {
    Window window(false);
    window.applications.setIdentifiers({"com.tunabellysoftware.TGPro"});
    window.show();
    window.applications.setFailing(true);
    window.timers.advance(5s);
    settle();
    EXPECT_EQ(window.presenter->competingFanController(), "TG Pro");
    window.applications.setFailing(false);
    window.applications.setIdentifiers({});
    window.timers.advance(5s);
    EXPECT_EQ(window.presenter->competingFanController(), "");
}

TEST(MainViewPresenterTest, ALookUpThatAnswersAfterTheWindowWentIsDropped) {
    Window window(false);
    window.applications.hold();
    window.show();
    ASSERT_EQ(window.applications.waiting(), 1u);
    window.presenter.reset();
    window.applications.setIdentifiers({"com.tunabellysoftware.TGPro"});
    window.applications.release();
    settle();
    EXPECT_EQ(window.applications.identifierScans(), 1);
}

}  // namespace
}  // namespace zephrane::mainwindow
