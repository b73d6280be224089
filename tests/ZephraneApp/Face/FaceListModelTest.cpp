// The face's list models as a view sees them: a poll of the simulated
// laptop that only changes values sends nothing but dataChanged, for the
// roles that changed; a key that comes or goes inserts or removes exactly
// its row; a row that moves is moved, never reset.
#include <map>
#include <set>
#include <string>
#include <vector>

#include <QAbstractItemModel>

#include <gtest/gtest.h>

#include "LaptopReadings.hpp"
#include "ModelSignals.hpp"
#include "ZephraneApp/Face/CustomModeModel.hpp"
#include "ZephraneApp/Face/DeviceSensorModel.hpp"
#include "ZephraneApp/Face/FanListModel.hpp"
#include "ZephraneApp/Face/HeatSourceModel.hpp"
#include "ZephraneApp/Face/SensorListModel.hpp"

namespace zephrane::facetest {
namespace {

using face::SensorListModel;

std::vector<std::string> keysOf(const SensorListModel& model) {
    std::vector<std::string> keys;
    for (const auto& row : model.rows()) keys.push_back(row.sensor.key);
    return keys;
}

std::vector<std::string> keysOf(const std::vector<SMCSensor>& sensors) {
    std::vector<std::string> keys;
    for (const SMCSensor& sensor : sensors) keys.push_back(sensor.key);
    return keys;
}

class LaptopPolls : public ::testing::Test {
protected:
    static void SetUpTestSuite() { readings_ = new std::vector<SensorPoller::Result>(laptopReadings(3)); }
    static const std::vector<SMCSensor>& poll(int i) { return (*readings_)[static_cast<std::size_t>(i)].allSensors; }

    static std::vector<SensorPoller::Result>* readings_;
};
std::vector<SensorPoller::Result>* LaptopPolls::readings_ = nullptr;

TEST_F(LaptopPolls, APollWithNewValuesChangesOnlyTheValuesInPlace) {
    ASSERT_GT(poll(0).size(), 500u) << "the laptop's SMC and HID sensors";
    SensorListModel model;
    model.update(poll(0), {});
    ModelSignals told(model);
    model.update(poll(1), {});
    EXPECT_TRUE(told.onlyDataChanged());
    EXPECT_EQ(told.changedRoles, std::set<int>{SensorListModel::ValueRole});
    EXPECT_FALSE(told.changedRows.empty()) << "the machine warmed up in five seconds";
    // Only rows whose value moved are named.
    for (int row : told.changedRows)
        EXPECT_NE(poll(0)[static_cast<std::size_t>(row)].currentTemp, poll(1)[static_cast<std::size_t>(row)].currentTemp);
    EXPECT_EQ(model.index(5).data(SensorListModel::ValueRole).toDouble(), poll(1)[5].currentTemp);

    ModelSignals again(model);
    model.update(poll(1), {});
    EXPECT_EQ(again.dataChanges, 0) << "the same poll twice tells nothing";
}

TEST_F(LaptopPolls, AKeyThatComesOrGoesInsertsOrRemovesExactlyItsRow) {
    SensorListModel model;
    model.update(poll(0), {});
    std::vector<SMCSensor> fewer = poll(1);
    const SMCSensor gone = fewer[100];
    fewer.erase(fewer.begin() + 100);
    {
        ModelSignals told(model);
        model.update(fewer, {});
        EXPECT_EQ(told.removed, (std::vector<std::pair<int, int>>{{100, 100}}));
        EXPECT_TRUE(told.inserted.empty());
        EXPECT_EQ(told.resets, 0);
        EXPECT_FALSE(told.changedRows.contains(100)) << "a value change is not a removal";
    }
    std::vector<SMCSensor> more = poll(2);
    SMCSensor extra = more[7];
    extra.key = "Tzz9";
    extra.id = "Tzz9";
    more.insert(more.begin() + 8, extra);
    {
        ModelSignals told(model);
        model.update(more, {});
        // The vanished key is back where it was, and the new one at its place.
        EXPECT_EQ(told.inserted, (std::vector<std::pair<int, int>>{{8, 8}, {101, 101}}));
        EXPECT_TRUE(told.removed.empty());
        EXPECT_EQ(told.resets, 0);
    }
    std::vector<std::string> expected;
    for (const auto& s : more) expected.push_back(s.key);
    EXPECT_EQ(keysOf(model), expected);
    EXPECT_EQ(model.rows()[101].sensor.key, gone.key);
}

TEST_F(LaptopPolls, ARowThatMovesIsOneMoveWhicheverWayAndHoweverFarItGoes) {
    struct Case {
        const char* name;
        int from;
        int to;
    };
    for (const Case& c : {Case{"a neighbour's place", 4, 1}, Case{"first to last", 0, 499}, Case{"last to first", 499, 0},
                          Case{"down past 300", 12, 320}, Case{"up past 300", 400, 60}}) {
        SCOPED_TRACE(c.name);
        SensorListModel model;
        std::vector<SMCSensor> sensors(poll(0).begin(), poll(0).begin() + 500);
        model.update(sensors, {});
        const SMCSensor moving = sensors[static_cast<std::size_t>(c.from)];
        sensors.erase(sensors.begin() + c.from);
        sensors.insert(sensors.begin() + c.to, moving);
        ModelSignals told(model);
        model.update(sensors, {});
        EXPECT_EQ(told.moved.size(), 1u);
        EXPECT_TRUE(told.inserted.empty() && told.removed.empty() && told.resets == 0);
        EXPECT_EQ(keysOf(model), keysOf(sensors));
    }
}

TEST_F(LaptopPolls, ShuffledRowsEndInTheWantedOrder) {
    SensorListModel model;
    std::vector<SMCSensor> sensors(poll(0).begin(), poll(0).begin() + 60);
    model.update(sensors, {});
    // Every third row reversed among themselves, one row gone, one new.
    std::vector<std::size_t> third;
    for (std::size_t i = 0; i < sensors.size(); i += 3) third.push_back(i);
    for (std::size_t a = 0, b = third.size() - 1; a < b; ++a, --b) std::swap(sensors[third[a]], sensors[third[b]]);
    sensors.erase(sensors.begin() + 10);
    SMCSensor extra = sensors[4];
    extra.key = extra.id = "Tzz9";
    sensors.insert(sensors.begin() + 30, extra);
    ModelSignals told(model);
    model.update(sensors, {});
    EXPECT_EQ(keysOf(model), keysOf(sensors));
    EXPECT_EQ(told.inserted.size(), 1u);
    EXPECT_EQ(told.removed.size(), 1u);
    EXPECT_LE(told.moved.size(), third.size()) << "at most the rows that changed places";
    EXPECT_EQ(told.resets, 0);
}

TEST(FaceListModel, KeysThatRepeatMatchInOrderAndACountChangeIsTold) {
    face::HeatSourceModel model;
    int counts = 0;
    QObject::connect(&model, &face::FaceListModel::countChanged, [&counts] { ++counts; });
    const std::vector<HeatSource> two{{"Helper", 0.3, 3, 10}, {"Helper", 0.1, 1, 11}};
    model.update(two);
    EXPECT_EQ(model.count(), 2);
    EXPECT_EQ(counts, 1);
    ModelSignals told(model);
    const std::vector<HeatSource> three{{"Helper", 0.3, 3, 10}, {"Helper", 0.2, 1, 11}, {"Helper", 0.05, 1, 12}};
    model.update(three);
    EXPECT_EQ(told.inserted, (std::vector<std::pair<int, int>>{{2, 2}}));
    EXPECT_EQ(told.changedRows, std::set<int>{1});
    EXPECT_EQ(told.changedRoles, std::set<int>{face::HeatSourceModel::CpuShareRole});
    EXPECT_EQ(counts, 2);
    model.update(std::vector<HeatSource>{});
    EXPECT_EQ(model.count(), 0);
    EXPECT_EQ(counts, 3);
}

TEST(FaceListModel, APinChangesOnlyThePinnedRoleOfItsRow) {
    SensorListModel model;
    const std::vector<SMCSensor> sensors{{"TC0P", "TC0P", "CPU Proximity", SensorCategory::cpu, 50, SensorClass::temperature, "°C"},
                                         {"TG0P", "TG0P", "GPU Proximity", SensorCategory::gpu, 45, SensorClass::temperature, "°C"}};
    model.update(sensors, {});
    ModelSignals told(model);
    model.update(sensors, {"TG0P"});
    EXPECT_EQ(told.changedRows, std::set<int>{1});
    EXPECT_EQ(told.changedRoles, std::set<int>{SensorListModel::PinnedRole});
    EXPECT_TRUE(model.index(1).data(SensorListModel::PinnedRole).toBool());
    EXPECT_EQ(model.index(0).data(SensorListModel::CategoryNameRole).toString(), "CPU");
    EXPECT_EQ(model.role("pinned"), SensorListModel::PinnedRole);
}

TEST(FaceListModel, FansCarryTheirManualTargetAndWarningAsRolesOfTheirOwn) {
    face::FanListModel model;
    const std::map<int, FanStatus> fans{{0, FanStatus{0, 2000, 1200, 6000, 2000, false, true}},
                                        {1, FanStatus{1, 2100, 1200, 6000, 2100, false, true}}};
    model.update(fans, {}, {});
    ModelSignals told(model);
    model.update(fans, {{1, 3500}}, {{0, FanHealthMonitor::Warning::stalled}});
    EXPECT_EQ(told.changedRows, (std::set<int>{0, 1}));
    EXPECT_EQ(told.changedRoles, (std::set<int>{face::FanListModel::HasManualTargetRole,
                                                face::FanListModel::ManualTargetRole,
                                                face::FanListModel::HealthWarningRole}));
    EXPECT_EQ(model.index(1).data(face::FanListModel::ManualTargetRole).toDouble(), 3500);
    EXPECT_EQ(model.index(0).data(face::FanListModel::HealthWarningRole).toString(), "stalled");
    ASSERT_NE(model.fan(1), nullptr);
    EXPECT_EQ(model.fan(7), nullptr);
}

TEST(FaceListModel, DeviceRowsCarryTheirHistoryAndAMissingValue) {
    face::DeviceSensorModel model;
    const std::vector<DeviceSensorReading> readings{{"cpu.avg", "CPU", "cpu", 61.5}, {"gpu.0", "GPU", "cpu", std::nullopt}};
    model.update(readings, {{"cpu.avg", {60, 61, 61.5}}});
    EXPECT_FALSE(model.index(1).data(face::DeviceSensorModel::HasValueRole).toBool());
    EXPECT_EQ(model.index(0).data(face::DeviceSensorModel::HistoryRole).value<QList<double>>(),
              (QList<double>{60, 61, 61.5}));
    ModelSignals told(model);
    model.update(readings, {{"cpu.avg", {61, 61.5, 62}}});
    EXPECT_EQ(told.changedRows, std::set<int>{0});
    EXPECT_EQ(told.changedRoles, std::set<int>{face::DeviceSensorModel::HistoryRole});
}

TEST(FaceListModel, ModesAreKeyedByTheirIdSoARenameIsAChangeNotANewRow) {
    face::CustomModeModel model;
    CustomMode gaming = CustomMode::gamingTemplate();
    const CustomMode recording = CustomMode::recordingTemplate();
    model.update(std::vector{gaming, recording}, recording.id());
    EXPECT_TRUE(model.index(1).data(face::CustomModeModel::ActiveRole).toBool());
    gaming.setName("Raid night");
    ModelSignals told(model);
    model.update(std::vector{gaming, recording}, gaming.id());
    EXPECT_TRUE(told.onlyDataChanged());
    EXPECT_EQ(told.changedRoles, (std::set<int>{face::CustomModeModel::NameRole, face::CustomModeModel::ActiveRole}));
    EXPECT_EQ(model.index(0).data(face::CustomModeModel::NameRole).toString(), "Raid night");
    EXPECT_EQ(model.mode(recording.id())->name(), recording.name());
}

}  // namespace
}  // namespace zephrane::facetest
