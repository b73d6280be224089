// The daemon's life cycle: generations, refresh, connection loss, the
// version probe and its one relaunch, install with its checks and the repair
// of an older installation, uninstall, and what each leaves in the state the
// views show.
#include <gtest/gtest.h>

#include "EngineHarness.hpp"
#include "ZephraneApp/Services/Install/LegacyHelperInstall.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane::enginetest {
namespace {

using Problem = HelperInstallPreflight::Problem;

const std::string kLegacyIssue =
    "An older fan-control helper is still installed. Repair helper setup to replace it with Brumalune\u2019s managed "
    "helper.";
const std::string kLocationIssue =
    "Brumalune is running from a temporary or externally mounted location. Move it to Applications, reopen it "
    "there, then install the fan-control helper again.";
const std::string kIncompleteIssue =
    "This copy of Brumalune does not contain a complete fan-control helper. Download a fresh copy, move it to "
    "Applications, and try again.";

std::vector<std::string> engineLines(const oslog::CaptureSink& sink) {
    std::vector<std::string> lines;
    for (const auto& record : sink.records("com.zephrane.app", "engine")) lines.push_back(record.message);
    return lines;
}

Journal only(const Journal& journal, std::initializer_list<std::string_view> names) {
    Journal picked;
    for (const auto& entry : journal)
        for (const auto name : names)
            if (entry == name) picked.push_back(entry);
    return picked;
}

// An engine whose daemon is connected and which drives two fans at full
// speed through the Max profile, spooling instantly.
struct ControllingRig {
    ControllingRig() : engine(h.make(FanProfile::maxThermalBlast())) {
        engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
        engine.setSpoolRate(ZephraneEngine::spoolRateInstant);
        h.driver->bounds = {{0, {1200, 5000}}, {1, {1200, 5000}}};
        h.poller().results = {pollOf({fan(0, 2000), fan(1, 2000)})};
        tick();
        h.driver->writes.clear();
        h.takeJournal();
    }
    void tick() { ASSERT_TRUE(engine.tickOnce().isReady()); }
    EngineHarness h;
    ZephraneEngine& engine;
};

TEST(HelperLifecycle, OfTwoRefreshesOnlyTheSecondIsAppliedWhicheverAnswersFirst) {
    for (const bool secondAnswersFirst : {false, true}) {
        SCOPED_TRACE(secondAnswersFirst ? "second answers first" : "first answers first");
        EngineHarness h;
        auto& engine = h.make();
        h.driver->connectAnswer = hold;
        engine.refreshHelperState();
        engine.refreshHelperState();
        ASSERT_EQ(h.driver->connects.size(), 2u);
        auto& first = *h.driver->connects[0];
        auto& second = *h.driver->connects[1];
        if (secondAnswersFirst) {
            second.resolve(HelperState::requiresApproval());
            first.resolve(HelperState::enabled());
        } else {
            first.resolve(HelperState::enabled());
            second.resolve(HelperState::requiresApproval());
        }
        EXPECT_EQ(engine.helperState(), HelperState::requiresApproval());
        EXPECT_EQ(engine.helperStateGeneration(), 2);
    }
}

TEST(HelperLifecycle, ConnectionLossIsActedOnAtMostEveryTwoSecondsAndNeverDuringAnInstall) {
    oslog::CaptureSink sink;
    EngineHarness h;
    auto& engine = h.make();
    const std::string line = "helper XPC connection lost \u2014 refreshing helper state";
    const auto lossAfter = [&](std::chrono::milliseconds wait) {
        h.clock->advance(wait);
        engine.handleConnectionLossFromDriver();
        return h.driver->connects.size();
    };
    EXPECT_EQ(lossAfter(0ms), 1u);
    EXPECT_EQ(lossAfter(1900ms), 1u) << "1.9 s after the last one handled";
    EXPECT_EQ(lossAfter(100ms), 2u) << "2.0 s after";
    EXPECT_EQ(engineLines(sink), (std::vector<std::string>{line, line}));

    h.driver->installAnswer = hold;
    engine.installHelper();
    EXPECT_EQ(lossAfter(5s), 2u) << "an install is running";
    EXPECT_EQ(engineLines(sink).size(), 2u);
}

TEST(HelperLifecycle, ADaemonOfAnotherBuildIsRelaunchedOnceAndNotAskedAgain) {
    oslog::CaptureSink sink;
    EngineHarness h;
    auto& engine = h.make();
    h.driver->versionAnswer = std::string("1.0.9");
    h.driver->connectAnswer = HelperState::connected();
    engine.refreshHelperState();
    EXPECT_EQ(only(h.takeJournal(), {"connect", "version", "reload"}),
              (Journal{"connect", "version", "reload", "connect"}))
        << "the relaunch is followed by a refresh, which asks no version";
    EXPECT_EQ(engineLines(sink), (std::vector<std::string>{
                                     "resident helper 1.0.9 \u2260 app 1.2.2 \u2014 relaunching daemon to load the "
                                     "updated binary"}));
    EXPECT_EQ(engine.helperState(), HelperState::connected());
    EXPECT_TRUE(engine.helperBounceAttempted());

    // Connected again later in the run: no second probe, no second relaunch.
    engine.applyHelperState(HelperState::enabled(), engine.bumpHelperStateGeneration());
    engine.refreshHelperState();
    EXPECT_EQ(only(h.takeJournal(), {"connect", "version", "reload"}), Journal{"connect"});
    EXPECT_EQ(engineLines(sink).size(), 1u);
}

TEST(HelperLifecycle, AVersionCallThatFailsIsRetriedOnTheNextConnectAndRelaunchesNothing) {
    oslog::CaptureSink sink;
    EngineHarness h;
    auto& engine = h.make();
    h.driver->versionAnswer = timedOut();
    engine.refreshHelperState();
    EXPECT_FALSE(engine.helperVersionChecked());
    EXPECT_TRUE(h.driver->reloads.empty());
    EXPECT_EQ(engineLines(sink),
              (std::vector<std::string>{"helper version probe failed \u2014 will retry on the next connect"}));

    h.driver->versionAnswer = std::string(helperBuildVersion);
    engine.refreshHelperState();
    EXPECT_EQ(h.driver->versions.size(), 2u);
    EXPECT_TRUE(engine.helperVersionChecked());
    EXPECT_TRUE(h.driver->reloads.empty()) << "same build";
    EXPECT_EQ(engineLines(sink).size(), 1u) << "a matching version logs nothing";
}

TEST(HelperLifecycle, AnOlderInstallationFoundOnConnectStopsTheProbeAndWaitsForRepair) {
    oslog::CaptureSink sink;
    EngineHarness h;
    auto& engine = h.make();
    h.services->installer->legacyPresent = true;
    engine.refreshHelperState();
    EXPECT_TRUE(h.driver->versions.empty());
    EXPECT_TRUE(engine.legacyHelperRepairPending());
    EXPECT_EQ(engine.helperInstallIssue(), kLegacyIssue);
    EXPECT_EQ(engine.helperInstallIssue(), kLegacyIssue);
    EXPECT_EQ(engineLines(sink), (std::vector<std::string>{
                                     "legacy helper installation detected \u2014 waiting for explicit repair "
                                     "approval"}));
    // A settled state leaves the text while the older installation waits.
    engine.refreshHelperState();
    EXPECT_EQ(engine.helperInstallIssue(), kLegacyIssue);
    EXPECT_TRUE(h.driver->versions.empty()) << "not asked again in this run";
}

TEST(HelperLifecycle, AProblemFoundBeforeInstallingShowsOnlyWhileTheDaemonIsNotSettled) {
    struct Case {
        const char* edge;
        Problem problem;
        HelperState state;
        OptionalText issue;
    };
    const Case cases[] = {
        {"translocated, daemon connected", Problem::unsupportedLocation(), HelperState::connected(), std::nullopt},
        {"translocated, not registered", Problem::unsupportedLocation(), HelperState::notRegistered(),
         kLocationIssue},
        {"files missing, unavailable", Problem::missingResources({HelperInstallPreflight::EmbeddedResource::helperExecutable}),
         HelperState::unavailable("cannot open AppleSMC"), kIncompleteIssue},
        {"files missing, requires approval",
         Problem::missingResources({HelperInstallPreflight::EmbeddedResource::daemonPropertyList}),
         HelperState::requiresApproval(), std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        auto& engine = h.make();
        engine.applyHelperState(c.state, engine.bumpHelperStateGeneration());
        h.services->installer->problem = c.problem;
        engine.installHelper();
        EXPECT_EQ(engine.helperInstallIssue(), c.issue);
        EXPECT_EQ(engine.helperState(), c.state);
        EXPECT_FALSE(engine.isHelperInstallInFlight());
        EXPECT_TRUE(h.driver->installs.empty());
    }
}

TEST(HelperLifecycle, AnInstallEndsWithItsStateAndOpensTheApprovalOnlyWhenOneIsNeeded) {
    struct Case {
        const char* edge;
        HelperState installed;
        OptionalText issue;
        int approvals;
    };
    const Case cases[] = {
        {"connected", HelperState::connected(), std::nullopt, 0},
        {"needs approval", HelperState::requiresApproval(), std::nullopt, 1},
        {"unavailable", HelperState::unavailable("register failed: no bundle"), "register failed: no bundle", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        auto& engine = h.make();
        h.driver->installAnswer = hold;
        engine.installHelper();
        EXPECT_TRUE(engine.isHelperInstallInFlight());
        h.driver->installs.at(0)->resolve(c.installed);
        EXPECT_EQ(engine.helperState(), c.installed);
        EXPECT_EQ(engine.helperInstallIssue(), c.issue);
        EXPECT_EQ(h.driver->approvalsOpened, c.approvals);
        EXPECT_FALSE(engine.isHelperInstallInFlight());
    }
    EngineHarness h;
    auto& engine = h.make();
    h.driver->connectAnswer = HelperState::requiresApproval();
    engine.refreshHelperState();
    EXPECT_EQ(h.driver->approvalsOpened, 0) << "a refresh never opens the approval";
}

TEST(HelperLifecycle, WhileAnInstallRunsRefreshLossUninstallAndASecondInstallDoNothing) {
    EngineHarness h;
    auto& engine = h.make();
    h.driver->installAnswer = hold;
    engine.installHelper();
    h.takeJournal();
    engine.refreshHelperState();
    engine.handleConnectionLossFromDriver();
    engine.uninstallHelper();
    engine.installHelper();
    engine.requestTickHelperRefresh();
    EXPECT_EQ(only(h.takeJournal(), {"connect", "install", "uninstall", "restore"}), Journal{});
    EXPECT_EQ(h.driver->installs.size(), 1u);

    // A refresh that began before the install is dropped when it answers.
    h.driver->installs[0]->resolve(HelperState::requiresApproval());
    EXPECT_FALSE(engine.isHelperInstallInFlight());
    engine.refreshHelperState();
    EXPECT_EQ(h.driver->connects.size(), 1u);
}

TEST(HelperLifecycle, ARepairHandsTheFansBackRemovesTheOlderInstallationAndThenInstalls) {
    ControllingRig rig;
    ASSERT_TRUE(rig.engine.isControlling());
    rig.h.services->installer->legacyPresent = true;
    rig.engine.installHelper();
    EXPECT_EQ(only(rig.h.takeJournal(), {"restore", "hasConnection", "teardown", "removeLegacy", "install"}),
              (Journal{"restore", "teardown", "removeLegacy", "install"}));
    EXPECT_FALSE(rig.engine.legacyHelperRepairPending());
    EXPECT_EQ(rig.engine.helperState(), HelperState::connected());
    EXPECT_FALSE(rig.engine.helperInstallIssue());
    EXPECT_FALSE(rig.engine.isHelperInstallInFlight());
    EXPECT_TRUE(rig.engine.rampedTargets().empty());
}

TEST(HelperLifecycle, ACancelledRepairShowsWhyAndKeepsTheOlderInstallationPending) {
    const std::string cancelled = LegacyHelperInstall::CleanupError::cancelled().localizedDescription();
    struct Case {
        const char* edge;
        Answer<Nothing> restore;
        std::string issue;
    };
    const Case cases[] = {
        {"restore confirmed", Nothing{}, cancelled},
        {"restore timed out", timedOut(),
         "Brumalune could not confirm Apple automatic fan control before the cleanup prompt: The operation "
         "couldn\u2019t be completed. (SMCDriverActor.DriverError error 1.). " +
             cancelled},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        oslog::CaptureSink sink;
        ControllingRig rig;
        rig.h.driver->restoreAnswer = c.restore;
        rig.h.driver->connectAnswer = HelperState::enabled();
        rig.h.services->installer->legacyPresent = true;
        rig.h.services->installer->removalAnswer =
            std::make_exception_ptr(LegacyHelperInstall::CleanupError::cancelled());
        rig.engine.installHelper();
        EXPECT_EQ(rig.engine.helperInstallIssue(), c.issue);
        EXPECT_TRUE(rig.engine.legacyHelperRepairPending());
        EXPECT_EQ(rig.engine.helperState(), HelperState::enabled()) << "a fresh state is applied";
        EXPECT_TRUE(rig.h.driver->installs.empty()) << "no registration is attempted";
        EXPECT_FALSE(rig.engine.isControlling());
        EXPECT_TRUE(rig.engine.rampedTargets().empty());
        EXPECT_FALSE(rig.engine.isHelperInstallInFlight());
        const bool restoreLogged = sink.contains(
            oslog::Level::error,
            "legacy helper pre-cleanup restore failed: The operation couldn\u2019t be completed. "
            "(SMCDriverActor.DriverError error 1.)");
        EXPECT_EQ(restoreLogged, std::holds_alternative<std::exception_ptr>(c.restore));
    }
}

TEST(HelperLifecycle, ARepairMakesNoRestoreCallWhenNothingHoldsTheFans) {
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "a link is open" : "no link");
        EngineHarness h;
        auto& engine = h.make();
        engine.applyHelperState(HelperState::requiresApproval(), engine.bumpHelperStateGeneration());
        h.driver->linked = linked;
        h.services->installer->legacyPresent = true;
        engine.installHelper();
        EXPECT_EQ(h.driver->restores.size(), linked ? 1u : 0u);
        EXPECT_EQ(h.driver->installs.size(), 1u);
    }
}

// Without the block, the tick after the restore engaged manual mode again on
// a daemon about to be unregistered.
TEST(HelperLifecycle, NoTickWritesAFanWhileAnUninstallRuns) {
    ControllingRig rig;
    rig.h.driver->restoreAnswer = hold;
    rig.h.driver->uninstallAnswer = hold;
    rig.engine.uninstallHelper();
    ASSERT_EQ(rig.h.driver->restores.size(), 1u);

    rig.tick();
    rig.h.driver->restores[0]->resolve(Nothing{});
    EXPECT_FALSE(rig.engine.isControlling());
    ASSERT_EQ(rig.h.driver->uninstalls.size(), 1u) << "unregistered once the fans are back";
    rig.tick();
    rig.tick();
    EXPECT_TRUE(rig.h.driver->writes.empty()) << "between the restore and the unregister";
    EXPECT_EQ(rig.h.driver->restores.size(), 1u);

    rig.h.driver->uninstalls[0]->resolve(HelperState::notRegistered());
    EXPECT_EQ(rig.engine.helperState(), HelperState::notRegistered());
    EXPECT_FALSE(rig.engine.isHelperUninstallInFlight());
    rig.tick();
    EXPECT_TRUE(rig.h.driver->writes.empty()) << "the daemon is gone";
}

TEST(HelperLifecycle, AnUninstallWithTheFansInAutomaticControlGoesStraightToTheUnregister) {
    EngineHarness h;
    auto& engine = h.make();
    engine.applyHelperState(HelperState::connected(), engine.bumpHelperStateGeneration());
    engine.uninstallHelper();
    EXPECT_EQ(only(h.takeJournal(), {"restore", "uninstall"}), Journal{"uninstall"});
    EXPECT_EQ(engine.helperState(), HelperState::notRegistered());
}

TEST(HelperLifecycle, TheApprovalIsOpenedOnRequestWithoutTouchingTheState) {
    EngineHarness h;
    auto& engine = h.make();
    const auto generation = engine.helperStateGeneration();
    engine.openHelperApproval();
    EXPECT_EQ(h.driver->approvalsOpened, 1);
    EXPECT_EQ(engine.helperStateGeneration(), generation);
    EXPECT_EQ(engine.helperState(), HelperState::notRegistered());
}

}  // namespace
}  // namespace zephrane::enginetest
