// The sensor list's group model over the face's list on polls of the
// simulated laptop (about 540 sensors), everything shown: a poll that only
// changes values reaches the list as dataChanged of the rows that show
// them, nothing else; a key that comes or goes inserts or removes exactly
// its row; a pin moves its row to Pinned and back; a search removes and
// brings back rows, never resetting.
#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "LaptopReadings.hpp"
#include "ModelSignals.hpp"
#include "ZephraneApp/Dashboard/Presenters/SensorGroupModel.hpp"
#include "ZephraneApp/Face/SensorListModel.hpp"

namespace zephrane::dashboard {
namespace {

using facetest::ModelSignals;
using Pairs = std::vector<std::pair<int, int>>;

class GroupsOfTheLaptop : public ::testing::Test {
protected:
    static void SetUpTestSuite() { readings_ = new std::vector<SensorPoller::Result>(facetest::laptopReadings(3)); }
    static const std::vector<SMCSensor>& poll(int i) { return (*readings_)[static_cast<std::size_t>(i)].allSensors; }

    void SetUp() override {
        source.update(poll(0), {});
        groups.setSource(&source);
        groups.setActive(true);
    }

    // The row of `key` in the groups; -1 when it is not listed.
    int rowOf(const std::string& key) const {
        for (int row = 0; row < groups.rowCount(); ++row)
            if (groups.index(row).data(SensorGroupModel::KeyRole).toString().toStdString() == key) return row;
        return -1;
    }
    QString at(int row, int role) const { return groups.index(row).data(role).toString(); }

    static std::vector<SensorPoller::Result>* readings_;
    face::SensorListModel source;
    SensorGroupModel groups;
};
std::vector<SensorPoller::Result>* GroupsOfTheLaptop::readings_ = nullptr;

TEST_F(GroupsOfTheLaptop, APollWithNewValuesChangesOnlyTheRowsThatShowThem) {
    ASSERT_GT(groups.rowCount(), 400);
    const long long regroupings = groups.regroupings();
    // What the rows show before the poll, by key.
    std::map<std::string, QString> before;
    for (int row = 0; row < groups.rowCount(); ++row)
        before[at(row, SensorGroupModel::KeyRole).toStdString()] = at(row, SensorGroupModel::ValueTextRole);

    ModelSignals told(groups);
    source.update(poll(1), {});
    EXPECT_TRUE(told.onlyDataChanged());
    EXPECT_EQ(groups.regroupings(), regroupings) << "the same keys, pins and query: no regrouping";
    EXPECT_FALSE(told.changedRows.empty());
    EXPECT_EQ(told.changedRoles, (std::set<int>{SensorGroupModel::ValueTextRole, SensorGroupModel::ValueIsHotRole,
                                               SensorGroupModel::ValueCelsiusRole, SensorGroupModel::SpokenTextRole}));
    // Every row whose text moved was told, and only rows whose value moved.
    std::map<std::string, double> valueOf;
    for (const SMCSensor& s : poll(0)) valueOf[s.key] = s.currentTemp;
    for (int row = 0; row < groups.rowCount(); ++row) {
        const std::string key = at(row, SensorGroupModel::KeyRole).toStdString();
        const bool moved = groups.index(row).data(SensorGroupModel::ValueCelsiusRole).toDouble() != valueOf[key];
        EXPECT_EQ(told.changedRows.contains(row), moved) << key;
        if (at(row, SensorGroupModel::ValueTextRole) != before[key]) {
            EXPECT_TRUE(told.changedRows.contains(row)) << key;
        }
    }
}

TEST_F(GroupsOfTheLaptop, AKeyThatComesOrGoesInsertsOrRemovesExactlyItsRow) {
    std::vector<SMCSensor> fewer = poll(1);
    const auto gone = std::find_if(fewer.begin(), fewer.end(), [](const SMCSensor& s) {
        return s.sensorClass == SensorClass::temperature;
    });
    ASSERT_NE(gone, fewer.end());
    const std::string goneKey = gone->key;
    const int goneRow = rowOf(goneKey);
    fewer.erase(gone);
    {
        ModelSignals told(groups);
        source.update(fewer, {});
        EXPECT_EQ(told.removed, (Pairs{{goneRow, goneRow}}));
        EXPECT_TRUE(told.inserted.empty() && told.moved.empty());
        EXPECT_EQ(told.resets + told.layouts, 0);
        EXPECT_EQ(rowOf(goneKey), -1);
    }
    std::vector<SMCSensor> more = fewer;
    SMCSensor extra = *std::find_if(more.begin(), more.end(), [](const SMCSensor& s) {
        return s.sensorClass == SensorClass::power;
    });
    extra.key = extra.id = "PZZ9";
    extra.name = "Zz New Rail";
    more.insert(more.begin() + 3, extra);
    {
        ModelSignals told(groups);
        source.update(more, {});
        const int row = rowOf("PZZ9");
        ASSERT_GE(row, 0);
        EXPECT_EQ(told.inserted, (Pairs{{row, row}}));
        EXPECT_TRUE(told.removed.empty() && told.moved.empty());
        EXPECT_EQ(told.resets + told.layouts, 0);
        EXPECT_EQ(at(row, SensorGroupModel::GroupTitleRole), "Power");
    }
}

TEST_F(GroupsOfTheLaptop, APinMovesItsRowToPinnedAndBack) {
    const std::string key = at(groups.rowCount() / 2, SensorGroupModel::KeyRole).toStdString();
    const QString title = at(groups.rowCount() / 2, SensorGroupModel::GroupTitleRole);
    {
        ModelSignals told(groups);
        groups.setPinnedKeys({key});
        EXPECT_EQ(told.moved.size(), 1u);
        EXPECT_TRUE(told.inserted.empty() && told.removed.empty());
        EXPECT_EQ(told.resets + told.layouts, 0);
    }
    EXPECT_EQ(rowOf(key), 0);
    EXPECT_EQ(at(0, SensorGroupModel::GroupTitleRole), "Pinned");
    EXPECT_EQ(at(0, SensorGroupModel::PinSymbolRole), "pin.slash");
    EXPECT_TRUE(at(0, SensorGroupModel::SpokenTextRole).endsWith(", pinned"));
    EXPECT_EQ(groups.groupCounts().value("Pinned"), "1");
    {
        ModelSignals told(groups);
        groups.setPinnedKeys({});
        EXPECT_EQ(told.moved.size(), 1u) << "one move back, however far";
        EXPECT_TRUE(told.inserted.empty() && told.removed.empty());
    }
    EXPECT_EQ(at(rowOf(key), SensorGroupModel::GroupTitleRole), title);
    EXPECT_EQ(at(rowOf(key), SensorGroupModel::PinMenuTextRole), "Pin");
    EXPECT_FALSE(groups.groupCounts().contains("Pinned"));
}

TEST_F(GroupsOfTheLaptop, ASearchRemovesAndBringsBackRowsWithoutAReset) {
    const int all = groups.rowCount();
    ModelSignals told(groups);
    groups.setQuery("  TP0 ");
    const int found = groups.rowCount();
    EXPECT_GT(found, 0);
    EXPECT_LT(found, all);
    for (int row = 0; row < found; ++row) {
        const QString key = at(row, SensorGroupModel::KeyRole).toLower();
        const QString name = at(row, SensorGroupModel::NameRole).toLower();
        EXPECT_TRUE(key.contains("tp0") || name.contains("tp0")) << key.toStdString();
    }
    groups.setQuery("tp0");  // the same query, trimmed and in other case
    groups.setQuery("");
    EXPECT_EQ(groups.rowCount(), all);
    EXPECT_EQ(told.resets + told.layouts, 0);
    EXPECT_FALSE(told.removed.empty());
    EXPECT_FALSE(told.inserted.empty());
}

TEST_F(GroupsOfTheLaptop, InactiveItHoldsNothingAndGroupsNothing) {
    groups.setActive(false);
    EXPECT_EQ(groups.rowCount(), 0);
    const long long regroupings = groups.regroupings();
    source.update(poll(1), {});
    groups.setQuery("core");
    EXPECT_EQ(groups.regroupings(), regroupings);
    EXPECT_EQ(groups.rowCount(), 0);
    groups.setActive(true);
    EXPECT_GT(groups.rowCount(), 0);
}

TEST_F(GroupsOfTheLaptop, TheUnitsChangeEveryValueText) {
    ModelSignals told(groups);
    groups.setUnits(true, false);
    EXPECT_EQ(static_cast<int>(told.changedRows.size()), groups.rowCount());
    EXPECT_EQ(told.changedRoles, (std::set<int>{SensorGroupModel::ValueTextRole, SensorGroupModel::SpokenTextRole}));
    const auto warm = std::find_if(poll(0).begin(), poll(0).end(), [](const SMCSensor& s) {
        return s.sensorClass == SensorClass::temperature;
    });
    EXPECT_TRUE(at(rowOf(warm->key), SensorGroupModel::ValueTextRole).endsWith("\u00B0F"));
}

}  // namespace
}  // namespace zephrane::dashboard
