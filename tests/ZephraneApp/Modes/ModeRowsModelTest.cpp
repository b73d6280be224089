// The modes screen's rows: what each row shows and says of its mode (the
// shown sensor, its reading and heat, the speed against the fan range, the
// spoken value), and updates in place that send only what changed.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ModesFixture.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Modes/ModeRowsModel.hpp"
#include "ZephraneApp/Modes/ModesWatch.hpp"

namespace zephrane::modes {
namespace {

using namespace testing;

class ModeRowsModelTest : public ::testing::Test {
protected:
    ModeRowsModelTest() {
        publishLaptopFan(face);
        publishReadings(face, {{"gpu.avg", "GPU Cluster Average", "memorychip", 74.6},
                               {"TB0T", "Battery", "minus.plus.batteryblock", std::nullopt}});
        publishSourceTemperatures(face, {62.14, 58.4, 61.0, 49.7, 71.9});
        publishModes(face, {gaming, recording, rendering}, gaming.id());
    }

    QString text(int row, ModeRowsModel::Role role) const { return rows.data(rows.index(row), role).toString(); }
    bool flag(int row, ModeRowsModel::Role role) const { return rows.data(rows.index(row), role).toBool(); }

    face::ScriptedEngineFace face;
    CustomMode gaming = makeMode("Gaming", ModeSpeed::fixed(0.7), ModeSensor::source(ControlSource::gpuAverage),
                                 ModeSensor::sensor("gpu.avg"));
    CustomMode recording = makeMode("Recording");
    CustomMode rendering = makeMode("Rendering", ModeSpeed::floor(0.8), ModeSensor::sensor("gone"));
    ReferenceFanRangeWatch range{face.drive(), nullptr};
    ModeRowsModel rows{face, range, nullptr};
};

TEST_F(ModeRowsModelTest, EachRowShowsItsShownSensorAndSpeed) {
    ASSERT_EQ(rows.rowCount(), 3);
    struct Row {
        int row;
        const char* summary;
        const char* sensor;
        const char* temperature;
        bool hot;
        const char* value;
        const char* edge;
    };
    const Row table[] = {
        {0, "4 560 RPM", "GPU Cluster Average", "74.6\u00b0C", true,
         "On. 4 560 RPM. GPU Cluster Average, 74.6\u00b0C.", "active, its display sensor, hot"},
        {1, "Min 2 400 RPM", "Hottest Sensor", "62.1\u00b0C", false, "Off. Min 2 400 RPM. Hottest Sensor, 62.1\u00b0C.",
         "no display sensor: the trigger"},
        {2, "Min 5 040 RPM", "Sensor", "\u2014", false, "Off. Min 5 040 RPM. Sensor, \u2014.",
         "a sensor no longer listed, no reading"},
    };
    for (const Row& r : table) {
        EXPECT_EQ(text(r.row, ModeRowsModel::SpeedSummaryRole), QString::fromUtf8(r.summary)) << r.edge;
        EXPECT_EQ(text(r.row, ModeRowsModel::SensorLabelRole), QString::fromUtf8(r.sensor)) << r.edge;
        EXPECT_EQ(text(r.row, ModeRowsModel::TemperatureTextRole), QString::fromUtf8(r.temperature)) << r.edge;
        EXPECT_EQ(flag(r.row, ModeRowsModel::TemperatureHotRole), r.hot) << r.edge;
        EXPECT_EQ(text(r.row, ModeRowsModel::AccessibleValueRole), QString::fromUtf8(r.value)) << r.edge;
    }
    EXPECT_TRUE(flag(0, ModeRowsModel::IsActiveRole));
    EXPECT_EQ(rows.data(rows.index(0), ModeRowsModel::TemperatureCelsiusRole).toDouble(), 74.6);
    EXPECT_EQ(text(0, ModeRowsModel::AccessibleDescriptionRole),
              QStringLiteral("On. 4 560 RPM. GPU Cluster Average, 74.6\u00b0C. Turns off, returning control to Apple Auto."));
    EXPECT_EQ(text(1, ModeRowsModel::AccessibleDescriptionRole),
              QStringLiteral("Off. Min 2 400 RPM. Hottest Sensor, 62.1\u00b0C. Engages this mode."));
    EXPECT_EQ(text(2, ModeRowsModel::EditLabelRole), QStringLiteral("Edit Rendering"));
    EXPECT_EQ(text(2, ModeRowsModel::DeleteLabelRole), QStringLiteral("Delete Rendering"));
}

TEST_F(ModeRowsModelTest, TheHeatColourStartsAt72Celsius) {
    publishModes(face, {makeMode("GPU", ModeSpeed::floor(0.2), ModeSensor::source(ControlSource::gpuAverage))});
    EXPECT_FALSE(flag(0, ModeRowsModel::TemperatureHotRole)) << "71.9 °C";
    publishSourceTemperatures(face, {62.0, 58.4, 61.0, 49.7, 72.0});
    EXPECT_TRUE(flag(0, ModeRowsModel::TemperatureHotRole)) << "72 °C";
    face.preferences().setUseFahrenheit(true);
    face.preferences().setPreciseTemperatures(false);
    EXPECT_EQ(text(0, ModeRowsModel::TemperatureTextRole), QStringLiteral("162\u00b0F"));
    EXPECT_TRUE(flag(0, ModeRowsModel::TemperatureHotRole)) << "compared in Celsius";
}

TEST_F(ModeRowsModelTest, WithoutFansSpeedsAreInPerCent) {
    publishFans(face, {});
    EXPECT_EQ(text(0, ModeRowsModel::SpeedSummaryRole), QStringLiteral("Fixed 70%"));
    EXPECT_EQ(text(1, ModeRowsModel::SpeedSummaryRole), QStringLiteral("Min 25%"));
}

TEST_F(ModeRowsModelTest, UpdatesSendOnlyWhatChanged) {
    QSignalSpy changed(&rows, &QAbstractItemModel::dataChanged);
    QSignalSpy reset(&rows, &QAbstractItemModel::modelReset);
    QSignalSpy removed(&rows, &QAbstractItemModel::rowsRemoved);

    // A poll that changes nothing any row shows.
    publishLaptopFan(face);
    publishSourceTemperatures(face, {62.12, 58.4, 61.0, 49.7, 71.9});
    EXPECT_EQ(changed.count(), 0);

    // A new reading of the hottest sensor changes the one row showing it.
    publishSourceTemperatures(face, {63.0, 58.4, 61.0, 49.7, 71.9});
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].value<QModelIndex>().row(), 1);
    EXPECT_EQ(changed[0][1].value<QModelIndex>().row(), 1);
    const auto roles = changed[0][2].value<QList<int>>();
    EXPECT_TRUE(roles.contains(ModeRowsModel::TemperatureTextRole));
    EXPECT_TRUE(roles.contains(ModeRowsModel::AccessibleValueRole));
    EXPECT_FALSE(roles.contains(ModeRowsModel::NameRole));

    // A rename changes the name and the chips' labels.
    changed.clear();
    CustomMode renamed = recording;
    renamed.setName("Podcast");
    publishModes(face, {gaming, renamed, rendering}, gaming.id());
    ASSERT_EQ(changed.count(), 1);
    const auto nameRoles = changed[0][2].value<QList<int>>();
    EXPECT_TRUE(nameRoles.contains(ModeRowsModel::NameRole));
    EXPECT_TRUE(nameRoles.contains(ModeRowsModel::EditLabelRole));
    EXPECT_FALSE(nameRoles.contains(ModeRowsModel::SpeedSummaryRole));

    // A mode deleted goes as one removed row.
    publishModes(face, {gaming, rendering}, gaming.id());
    EXPECT_EQ(removed.count(), 1);
    EXPECT_EQ(reset.count(), 0);
    EXPECT_EQ(text(1, ModeRowsModel::NameRole), QStringLiteral("Rendering"));
}

}  // namespace
}  // namespace zephrane::modes
