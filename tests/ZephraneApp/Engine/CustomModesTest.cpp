// Custom modes, the one-shot requests to the views, "Manual Lock" and the
// manual targets per fan.
#include <functional>
#include <limits>
#include <stdexcept>

#include "DriveRulesRig.hpp"

namespace zephrane::enginetest {
namespace {

CustomMode modeNamed(std::string name, ModeSpeed speed = ModeSpeed::floor(0.3)) {
    return CustomMode(Uuid::random(), std::move(name), "fan", speed, ModeSensor::source(ControlSource::hottest),
                      std::nullopt, false);
}

std::vector<std::string> namesOf(const CustomModeList& modes) {
    std::vector<std::string> names;
    for (const auto& mode : modes) names.push_back(mode.name());
    return names;
}

TEST(CustomModes, AddAndUpdateTrimTheNameAndRefuseAnEmptyOne) {
    DriveRig rig;
    rig.e().addCustomMode(modeNamed("  Gaming \n"));
    rig.e().addCustomMode(modeNamed(" \t\n "));
    EXPECT_EQ(namesOf(rig.e().customModes()), (std::vector<std::string>{"Gaming"}));

    CustomMode renamed = rig.e().customModes().front();
    renamed.setName("\nRender ");
    rig.e().updateCustomMode(renamed);
    renamed.setName("   ");
    rig.e().updateCustomMode(renamed);
    rig.e().updateCustomMode(modeNamed("Nobody's"));  // an id no stored mode has
    EXPECT_EQ(namesOf(rig.e().customModes()), (std::vector<std::string>{"Render"}));
    EXPECT_EQ(namesOf(settings::loadCustomModes(*rig.h.settings)), (std::vector<std::string>{"Render"}))
        << "written through";
}

TEST(CustomModes, DuplicatesGoToTheEndWithAFreshIdAndCopyName) {
    DriveRig rig;
    rig.e().addCustomMode(modeNamed("Gaming", ModeSpeed::fixed(0.6)));
    rig.e().addCustomMode(modeNamed("Render"));
    const CustomMode original = rig.e().customModes().front();
    rig.e().duplicateCustomMode(original.id());
    rig.e().duplicateCustomMode(original.id());
    rig.e().duplicateCustomMode(Uuid::random());
    EXPECT_EQ(namesOf(rig.e().customModes()),
              (std::vector<std::string>{"Gaming", "Render", "Gaming copy", "Gaming copy"}));
    const CustomMode& copy = rig.e().customModes()[2];
    EXPECT_NE(copy.id(), original.id());
    EXPECT_NE(copy.id(), rig.e().customModes()[3].id());
    EXPECT_EQ(copy.speed(), original.speed());
    EXPECT_EQ(copy.symbolName(), original.symbolName());
}

TEST(CustomModes, SelectingAModeDrivesByTheStandardCurveAndDeletingItFallsBackToBalanced) {
    DriveRig rig;
    rig.e().addCustomMode(modeNamed("Gaming"));
    rig.e().addCustomMode(modeNamed("Render"));
    const Uuid gaming = rig.e().customModes()[0].id();
    const Uuid render = rig.e().customModes()[1].id();
    rig.e().selectPreset(FanPreset::quiet);

    rig.e().selectCustomMode(gaming);
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);
    EXPECT_EQ(rig.e().activeCustomModeID(), gaming);
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::nimbraStandard());
    EXPECT_EQ(settings::loadActiveCustomModeID(*rig.h.settings), gaming);

    rig.e().deleteCustomMode(render);
    EXPECT_EQ(rig.e().activeCustomModeID(), gaming) << "another mode's deletion leaves the active one";
    rig.e().deleteCustomMode(gaming);
    EXPECT_TRUE(rig.e().customModes().empty());
    EXPECT_EQ(rig.e().activeCustomModeID(), std::nullopt);
    EXPECT_EQ(rig.e().activePreset(), FanPreset::auto_);
    EXPECT_FALSE(rig.h.settings->value(settings::key::activeCustomModeID).isValid());
}

TEST(CustomModes, NothingIsSelectedBeforeAnyFanIsKnown) {
    DriveRig rig(FanProfile::appleAuto(), /*readFans=*/false);
    rig.e().addCustomMode(modeNamed("Gaming"));
    rig.e().selectCustomMode(rig.e().customModes()[0].id());
    rig.e().setConstantRPM(3000);
    rig.e().enterManualControl();
    rig.e().setFanTarget(0, 3000);
    EXPECT_EQ(rig.e().activeCustomModeID(), std::nullopt);
    EXPECT_EQ(rig.e().activeProfile(), FanProfile::appleAuto());
    EXPECT_FALSE(rig.e().isManualControl());
}

TEST(CustomModes, TheRequestsAreConsumedOnce) {
    DriveRig rig;
    rig.e().addCustomMode(modeNamed("Gaming"));
    const CustomMode gaming = rig.e().customModes()[0];

    rig.e().setPendingModeEditorID(gaming.id());
    EXPECT_EQ(rig.e().consumePendingModeEditorID(), gaming);
    EXPECT_EQ(rig.e().consumePendingModeEditorID(), std::nullopt);

    rig.e().setPendingModeDeleteID(Uuid::random());
    EXPECT_EQ(rig.e().consumePendingModeDeleteID(), std::nullopt) << "a mode nobody has";
    EXPECT_EQ(rig.e().pendingModeDeleteID(), std::nullopt) << "cleared all the same";

    rig.e().setPendingModeCreationRequest(true);
    rig.e().setPendingDustCycleRequest(true);
    EXPECT_TRUE(rig.e().consumePendingModeCreationRequest());
    EXPECT_FALSE(rig.e().consumePendingModeCreationRequest());
    EXPECT_TRUE(rig.e().consumePendingDustCycleRequest());
    EXPECT_FALSE(rig.e().consumePendingDustCycleRequest());
}

TEST(ManualControl, ManualLockSendsItsSpeedToEveryFan) {
    DriveRig rig;
    rig.e().selectPreset(FanPreset::quiet);
    rig.e().setConstantRPM(3000);
    ASSERT_TRUE(rig.e().activeProfile().has_value());
    EXPECT_EQ(rig.e().activeProfile()->name, "Manual Lock");
    EXPECT_EQ(rig.e().activeProfile()->mode, ControlMode::constantRPM);
    EXPECT_EQ(rig.e().activeProfile()->targetSensorGroupID, "max");
    EXPECT_TRUE(rig.e().activeProfile()->curvePoints.empty());
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);
    rig.tick();
    EXPECT_EQ(rig.lastWrites(), (std::map<int, double>{{0, 3000}, {1, 3000}}));
}

TEST(ManualControl, ASingleTargetFirstFreezesEveryFanWhereItIs) {
    DriveRig rig;
    rig.h.poller().results = {pollOf({fan(0, 2000), fan(1, 0)}, {temperatureSensor("TC0P", "CPU Proximity", 50)})};
    rig.tick();
    rig.e().selectPreset(FanPreset::auto_);
    rig.e().setFanTarget(1, 4000);
    EXPECT_EQ(rig.e().manualFanTargets(), (RPMTable{{0, 2000}, {1, 4000}}));
    EXPECT_EQ(rig.e().activePreset(), std::nullopt);
    EXPECT_EQ(rig.e().activeProfile(), std::nullopt);
    EXPECT_FALSE(rig.e().pipeline().has_value());

    rig.e().setFanTarget(7, 3000);
    EXPECT_EQ(rig.e().manualFanTargets().count(7), 0u) << "a fan not in the table when manual control began";
    EXPECT_EQ(rig.e().manualTarget(1), 4000);
    EXPECT_EQ(rig.e().manualTarget(7), 0);

    rig.e().selectPreset(FanPreset::quiet);
    EXPECT_TRUE(rig.e().manualFanTargets().empty());
    EXPECT_EQ(rig.e().manualTarget(0), 2000) << "no manual target: the fan's speed";
}

TEST(ManualControl, AFanThatReadsZeroStartsFromItsMinimum) {
    DriveRig rig;
    rig.h.poller().results = {pollOf({fan(0, 0), fan(1, 2100)}, {temperatureSensor("TC0P", "CPU Proximity", 50)})};
    rig.tick();
    rig.e().enterManualControl();
    EXPECT_EQ(rig.e().manualFanTargets(), (RPMTable{{0, kMinRPM}, {1, 2100}}));
    EXPECT_EQ(rig.e().rampedTargets(), (RPMTable{{0, 0}, {1, 2100}})) << "each ramp starts at the fan's speed";
}

// What the rules ask for may be far beyond any fan: Max's constant is the
// largest 64-bit integer, "Manual Lock" takes any integer, and a manual
// target is stored as given. The ramp, and what is sent, must stay within
// the fan's range even when the write fails, or a huge value would sit in
// the ramp for whatever reads it next.
TEST(ManualControl, HugeTargetsNeverLeaveTheFansRangeInTheRamp) {
    const auto maxInt = std::numeric_limits<std::int64_t>::max();
    const struct {
        const char* rule;
        std::function<void(ZephraneEngine&)> choose;
    } cases[] = {
        {"Max", [](ZephraneEngine& e) { e.selectPreset(FanPreset::max); }},
        {"Manual Lock", [maxInt](ZephraneEngine& e) { e.setConstantRPM(maxInt); }},
        {"a huge manual target", [](ZephraneEngine& e) { e.setFanTarget(0, 1e30); }},
        {"an infinite manual target",
         [](ZephraneEngine& e) { e.setFanTarget(0, std::numeric_limits<double>::infinity()); }},
        {"a negative manual target", [](ZephraneEngine& e) { e.setFanTarget(0, -1e30); }},
    };
    for (const auto& c : cases) {
        DriveRig rig;
        c.choose(rig.e());
        rig.h.driver->writeAnswer = [](int, double) -> Answer<double> {
            return std::make_exception_ptr(std::runtime_error("bus error"));
        };
        rig.tick();
        ASSERT_FALSE(rig.h.driver->writes.empty()) << c.rule;
        for (const auto& write : rig.h.driver->writes) {
            EXPECT_LE(write.rpm, kMaxRPM) << c.rule;
            EXPECT_GE(write.rpm, kMinRPM) << c.rule;
        }
        for (const auto& [fan, ramped] : rig.e().rampedTargets()) {
            EXPECT_LE(ramped, kMaxRPM) << c.rule << ", fan " << fan;
            EXPECT_GE(ramped, 0) << c.rule << ", fan " << fan;
        }
    }
}

// A fan that leaves the table while it has a manual target: its range is
// unknown from then on, so the failed write leaves its target in the ramp
// as is. That must not outlast the fan's return: once its range is known
// again, the ramp is back inside it before anything reads or steps it.
TEST(ManualControl, AVanishedFansHugeTargetIsHeldToItsRangeOnceItIsBack) {
    DriveRig rig;
    rig.e().setFanTarget(1, 1e30);
    // The daemon refuses a fan index it does not have.
    rig.h.driver->writeAnswer = [](int fan, double rpm) -> Answer<double> {
        if (fan == 1) return std::make_exception_ptr(std::runtime_error("no such fan"));
        return rpm;
    };
    rig.h.poller().results = {pollOf({fan(0, 2000)}, {temperatureSensor("TC0P", "CPU Proximity", 50)})};
    rig.tick();
    ASSERT_EQ(rig.e().fans().count(1), 0u);
    EXPECT_EQ(rig.e().rampedTargets().at(1), 1e30) << "what the refused write left";

    rig.e().publishFansIfChanged(pollOf({fan(0, 2000), fan(1, 2100)}, {}, false));
    for (const auto& [fan, ramped] : rig.e().rampedTargets()) {
        EXPECT_LE(ramped, kMaxRPM) << "fan " << fan;
        EXPECT_GE(ramped, kMinRPM) << "fan " << fan;
    }
}

}  // namespace
}  // namespace zephrane::enginetest
