// The dashboard's card presenters on the scripted engine: the fans card's
// picker and its engine calls, its caption, gauges and dust-cycle control;
// the sensors and daemon cards.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "PresenterTesting.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/DriveFace.hpp"
#include "ZephraneApp/Face/ModesFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"
#include "ZephraneApp/MainWindow/DashboardPresenter.hpp"
#include "ZephraneApp/MainWindow/FansCardPresenter.hpp"

namespace zephrane::mainwindow {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using testing::described;

void publishDrive(face::ScriptedEngineFace& face, std::optional<FanPreset> preset, std::optional<FanProfile> profile,
                  bool manual = false) {
    auto state = face.drive().state();
    state.activePreset = preset;
    state.activeProfile = std::move(profile);
    state.isManualControl = manual;
    face.drive().publish(std::move(state));
}

void publishDaemon(face::ScriptedEngineFace& face, HelperState state) {
    auto snapshot = face.daemon().state();
    snapshot.helperState = std::move(state);
    snapshot.smcAvailable = true;
    face.daemon().publish(std::move(snapshot));
}

CustomMode customMode(const std::string& name) {
    return CustomMode(Uuid::random(), name, "gamecontroller.fill", ModeSpeed::floor(0.4),
                      ModeSensor::source(ControlSource::hottest), std::nullopt, false);
}

struct FansCard {
    face::ScriptedEngineFace face;
    FansCardPresenter presenter;
    FansCard() { presenter.setFace(&face); }
};

TEST(FansCardPresenterTest, ChoosingABuiltInModeClearsThePresetAndCustomModeThenAppliesItsProfile) {
    const CustomMode gaming = customMode("Gaming");
    const struct {
        const char* edge;
        int mode;
        bool presetActive;
        bool customModeActive;
        std::vector<std::string> expected;
    } cases[] = {
        {"automatic over a preset and a custom mode", 0, true, true,
         {"ClearActivePreset", "ClearActiveCustomMode", "ApplyProfile(Apple Auto)"}},
        {"automatic from a clean state writes nothing twice", 0, false, false, {"ApplyProfile(Apple Auto)"}},
        {"quiet over a preset", 1, true, false, {"ClearActivePreset", "ApplyProfile(Silent Stealth)"}},
        {"balanced", 2, false, true, {"ClearActiveCustomMode", "ApplyProfile(Nimbra Standard)"}},
        {"max", 3, false, false, {"ApplyProfile(Max Thermal Blast)"}},
        {"manual is the engine's own call alone", 4, true, true, {"EnterManualControl"}},
        {"no segment is ignored", -1, true, true, {}},
        {"beyond the segments is ignored", 5, true, true, {}},
    };
    for (const auto& c : cases) {
        FansCard card;
        card.face.modes().customModes().update(std::vector<CustomMode>{gaming}, std::nullopt);
        if (c.customModeActive) card.face.modes().publishActiveCustomModeID(gaming.id());
        publishDrive(card.face, c.presetActive ? std::optional(FanPreset::quiet) : std::nullopt, std::nullopt);
        card.presenter.chooseFanMode(c.mode < 0 ? QVariant() : QVariant(c.mode));
        EXPECT_EQ(described(card.face), c.expected) << c.edge;
    }
}

TEST(FansCardPresenterTest, TheSelectionFollowsTheEngineNotTheChoice) {
    FansCard card;
    EXPECT_EQ(card.presenter.fanModeValue(), QVariant(0)) << "no profile yet: automatic";
    card.face.setResponder([](const face::FaceCommand&) {});
    card.presenter.chooseFanMode(1);
    EXPECT_EQ(card.presenter.fanModeValue(), QVariant(1));
    publishDrive(card.face, std::nullopt, FanProfile::silentStealth(), true);
    EXPECT_EQ(card.presenter.fanModeValue(), QVariant(4)) << "manual targets";
    FanProfile curve;
    curve.id = Uuid::random();
    curve.mode = ControlMode::adaptiveCurve;
    publishDrive(card.face, std::nullopt, curve);
    EXPECT_FALSE(card.presenter.fanModeValue().isValid()) << "a custom curve selects no segment";
}

TEST(FansCardPresenterTest, TheCaptionNamesTheCustomModeThatDrivesTheFans) {
    FansCard card;
    const CustomMode gaming = customMode("Gaming");
    card.face.modes().customModes().update(std::vector<CustomMode>{gaming}, gaming.id());
    card.face.modes().publishActiveCustomModeID(gaming.id());
    FanProfile curve;
    curve.id = Uuid::random();
    curve.mode = ControlMode::adaptiveCurve;
    publishDrive(card.face, std::nullopt, curve);
    EXPECT_EQ(card.presenter.customModeCaption(), "") << "no fans, no caption";
    card.face.drive().fans().update({{0, FanStatus{0, 2000, 1200, 6000, 2000, false, true}}}, {}, {});
    EXPECT_EQ(card.presenter.customModeCaption(), "Gaming");
    publishDrive(card.face, std::nullopt, FanProfile::nimbraStandard());
    EXPECT_EQ(card.presenter.customModeCaption(), "") << "a built-in mode selected";
}

TEST(FansCardPresenterTest, TheGaugesComeInIdOrderInARowOfBoundedWidth) {
    FansCard card;
    EXPECT_FALSE(card.presenter.hasFans());
    EXPECT_EQ(card.presenter.gaugeRowMaximumWidth(), 0);
    card.face.drive().fans().update({{2, FanStatus{2, 2000, 1200, 6000, 2000, false, true}},
                                     {0, FanStatus{0, 2000, 1200, 6000, 2000, false, true}},
                                     {1, FanStatus{1, 2000, 1200, 6000, 2000, false, true}}},
                                    {}, {});
    EXPECT_TRUE(card.presenter.hasFans());
    EXPECT_EQ(card.presenter.sortedIDs(), (QVariantList{0, 1, 2}));
    EXPECT_EQ(card.presenter.gaugeRowMaximumWidth(), 724);
    EXPECT_EQ(card.presenter.healthHelp("stalled"), "This fan is commanded to spin but isn't. It may have failed.");
    EXPECT_EQ(card.presenter.healthLabel("underperforming"), "Warning: fan may be obstructed");
    EXPECT_EQ(card.presenter.healthHelp(""), "");
}

TEST(FansCardPresenterTest, TheDustCycleControlNeedsFansAndTheDaemonAndCountsDown) {
    FansCard card;
    publishDaemon(card.face, HelperState::connected());
    EXPECT_FALSE(card.presenter.dustCycleAvailable()) << "no fans";
    card.face.drive().fans().update({{0, FanStatus{0, 2000, 1200, 6000, 2000, false, true}}}, {}, {});
    EXPECT_TRUE(card.presenter.dustCycleAvailable());
    publishDaemon(card.face, HelperState::enabled());
    EXPECT_FALSE(card.presenter.dustCycleAvailable()) << "not connected";

    auto drive = card.face.drive().state();
    drive.dustCycleState.state = DustCycleUIState::Running{7};
    card.face.drive().publish(drive);
    EXPECT_TRUE(card.presenter.dustCycleRunning());
    EXPECT_EQ(card.presenter.dustCycleCountdown(), "Dust Cycle \u00b7 7s");
    card.presenter.cancelDustCycle();
    EXPECT_THAT(described(card.face), ElementsAre("CancelDustCycle"));
    for (auto ended : {DustCycleUIState{DustCycleUIState::Completed{}}, DustCycleUIState{DustCycleUIState::Aborted{}}}) {
        drive.dustCycleState = ended;
        card.face.drive().publish(drive);
        EXPECT_FALSE(card.presenter.dustCycleRunning());
        EXPECT_EQ(card.presenter.dustCycleCountdown(), "");
    }
}

std::vector<DeviceSensorReading> readings(std::initializer_list<const char*> ids) {
    std::vector<DeviceSensorReading> out;
    for (const char* id : ids) out.push_back({id, id, "cpu", 50.0});
    return out;
}

QStringList rowIds(DashboardSensorModel& model) {
    QStringList ids;
    for (int i = 0; i < model.rowCount(); ++i)
        ids << model.data(model.index(i), DashboardSensorModel::ReadingIdRole).toString();
    return ids;
}

TEST(DashboardPresenterTest, TheSensorsCardListsItsReadingsInItsOrderAndExpandsOne) {
    face::ScriptedEngineFace face;
    DashboardPresenter presenter;
    presenter.setFace(&face);
    EXPECT_FALSE(presenter.hasSensors());
    face.sensors().deviceSensors().update(readings({"TB0T", "cpu.p", "gpu.avg", "cpu.avg"}), {});
    EXPECT_EQ(rowIds(presenter.sensors()), (QStringList{"cpu.avg", "gpu.avg", "TB0T"}));
    EXPECT_TRUE(presenter.hasSensors());

    int changes = 0;
    QObject::connect(&presenter.sensors(), &QAbstractItemModel::dataChanged, [&] { ++changes; });
    presenter.setExpandedSensorID("gpu.avg");
    presenter.setExpandedSensorID("TB0T");
    const auto expanded = [&](int row) {
        return presenter.sensors().data(presenter.sensors().index(row), DashboardSensorModel::IsExpandedRole).toBool();
    };
    EXPECT_FALSE(expanded(1));
    EXPECT_TRUE(expanded(2));
    EXPECT_EQ(changes, 3) << "one row on, then one off and one on";

    int resets = 0;
    QObject::connect(&presenter.sensors(), &QAbstractItemModel::modelReset, [&] { ++resets; });
    face.sensors().deviceSensors().update(readings({"cpu.avg", "gpu.avg", "TB0T", "TH0x"}), {});
    EXPECT_EQ(rowIds(presenter.sensors()), (QStringList{"cpu.avg", "gpu.avg", "TB0T", "TH0x"}));
    EXPECT_EQ(resets, 0);
    EXPECT_TRUE(expanded(2)) << "the expanded row keeps its state through an update";
}

TEST(DashboardPresenterTest, TheDaemonCardStandsUnlessConnectedWithoutAnIssue) {
    face::ScriptedEngineFace face;
    DashboardPresenter presenter;
    presenter.setFace(&face);
    publishDaemon(face, HelperState::connected());
    EXPECT_FALSE(presenter.daemonNoticeShown());
    auto snapshot = face.daemon().state();
    snapshot.helperInstallIssue = "The helper\u2019s files are damaged.";
    face.daemon().publish(snapshot);
    EXPECT_TRUE(presenter.daemonNoticeShown());
    EXPECT_EQ(presenter.daemonTitle(), "Fan-control helper setup needs attention");
    EXPECT_EQ(presenter.daemonSubtitle(), "The helper\u2019s files are damaged.");
    const QColor orange = presenter.daemonTint();
    publishDaemon(face, HelperState::unavailable("refused"));
    snapshot = face.daemon().state();
    snapshot.helperInstallIssue.reset();
    face.daemon().publish(snapshot);
    EXPECT_EQ(presenter.daemonTitle(), "SMC unavailable: refused");
    EXPECT_NE(presenter.daemonTint(), orange);
}

}  // namespace
}  // namespace zephrane::mainwindow
