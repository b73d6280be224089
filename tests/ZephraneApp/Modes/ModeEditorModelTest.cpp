// The mode editor's model: a blank mode and an edited one as the sheet
// starts them, the speed's texts following its kind and share, the sensor
// pickers (a missing sensor shown as the first entry and kept until another
// is picked), the mode Save builds, and changes told only when real.
#include <QSignalSpy>

#include <gtest/gtest.h>

#include "ModesFixture.hpp"
#include "ZephraneApp/Modes/ModeEditorModel.hpp"
#include "ZephraneApp/Modes/ModesWatch.hpp"

namespace zephrane::modes {
namespace {

using namespace testing;

class ModeEditorModelTest : public ::testing::Test {
protected:
    ModeEditorModelTest() {
        publishLaptopFan(face);
        publishReadings(face, {{"cpu.avg", "CPU Core Average", "cpu.fill", 51.0},
                               {"TB0T", "Battery", "minus.plus.batteryblock", 30.5}});
    }

    face::ScriptedEngineFace face;
    ReferenceFanRangeWatch range{face.drive(), nullptr};
    ModeEditorModel editor{face.sensors(), range, nullptr};
};

TEST_F(ModeEditorModelTest, ANewModeStartsBlank) {
    editor.begin(ModeEditorTarget::newMode());
    EXPECT_FALSE(editor.isEditing());
    EXPECT_EQ(editor.title(), QStringLiteral("New Custom Mode"));
    EXPECT_EQ(editor.name(), QString());
    EXPECT_FALSE(editor.canSave());
    EXPECT_EQ(editor.symbolName(), QStringLiteral("gamecontroller.fill"));
    EXPECT_EQ(editor.percentage(), 0.5);
    EXPECT_FALSE(editor.isFixedSpeed());
    EXPECT_EQ(editor.triggerLabels().at(editor.triggerIndex()), QStringLiteral("Hottest Sensor"));
    EXPECT_EQ(editor.displayLabels().at(editor.displayIndex()), QStringLiteral("Same as trigger"));
    EXPECT_FALSE(editor.drivesMainReadout());
    EXPECT_EQ(editor.valueText(), QStringLiteral("3 600 RPM"));

    const Uuid first = editor.modeId();
    editor.begin(ModeEditorTarget::newMode());
    EXPECT_NE(editor.modeId(), first) << "each new sheet its own id";
    editor.setName(QStringLiteral("x"));
    EXPECT_EQ(editor.builtMode().id(), editor.modeId()) << "and Save hands over that id";
}

TEST_F(ModeEditorModelTest, AnEditedModeStartsAsItIs) {
    const CustomMode mode = makeMode("Gaming", ModeSpeed::fixed(0.7), ModeSensor::source(ControlSource::gpuAverage),
                                     ModeSensor::sensor("TB0T"), true);
    editor.begin(ModeEditorTarget::edit(mode));
    EXPECT_TRUE(editor.isEditing());
    EXPECT_EQ(editor.title(), QStringLiteral("Edit Custom Mode"));
    EXPECT_EQ(editor.name(), QStringLiteral("Gaming"));
    EXPECT_EQ(editor.symbolName(), QStringLiteral("mic.fill"));
    EXPECT_TRUE(editor.isFixedSpeed());
    EXPECT_EQ(editor.triggerLabels().at(editor.triggerIndex()), QStringLiteral("GPU Average"));
    EXPECT_EQ(editor.displayLabels().at(editor.displayIndex()), QStringLiteral("Battery"));
    EXPECT_TRUE(editor.drivesMainReadout());
    EXPECT_EQ(editor.builtMode(), mode) << "Save without a change gives the mode back";
}

TEST_F(ModeEditorModelTest, SpeedTextsFollowTheKindAndTheShare) {
    editor.begin(ModeEditorTarget::newMode());
    struct Row { bool fixed; double share; const char* kind; const char* slider; const char* value; const char* caption; };
    const Row rows[] = {
        {false, 0.5, "Minimum", "Minimum speed", "3 600 RPM", "Fans will run at least 3 600 RPM"},
        {true, 0.5, "Fixed", "Fixed speed", "3 600 RPM", "Fans will hold 3 600 RPM (safety boosts still override)"},
        {true, 0.333, "Fixed", "Fixed speed", "2 800 RPM", "Fans will hold 2 800 RPM (safety boosts still override)"},
    };
    for (const Row& row : rows) {
        editor.setFixedSpeed(row.fixed);
        editor.setPercentage(row.share);
        EXPECT_EQ(editor.speedKindText(), QString::fromUtf8(row.kind));
        EXPECT_EQ(editor.sliderLabel(), QString::fromUtf8(row.slider));
        EXPECT_EQ(editor.valueText(), QString::fromUtf8(row.value));
        EXPECT_EQ(editor.caption(), QString::fromUtf8(row.caption));
    }
    editor.setFixedSpeed(false);
    EXPECT_EQ(editor.percentage(), 0.333) << "switching the kind keeps the share";

    QSignalSpy caption(&editor, &ModeEditorModel::captionChanged);
    publishFans(face, {});
    EXPECT_EQ(caption.count(), 1);
    editor.setPercentage(0.5);
    EXPECT_EQ(editor.valueText(), QStringLiteral("50%"));
    EXPECT_EQ(editor.caption(), QStringLiteral("Fans will run at least 50%"));

    editor.setName(QStringLiteral("Exact"));
    editor.setPercentage(0.123456789);
    EXPECT_EQ(editor.builtMode().speed(), ModeSpeed::floor(0.123456789)) << "saved as the slider left it";
}

TEST_F(ModeEditorModelTest, MissingSensorsShowTheFirstEntryAndStayUntilPicked) {
    const CustomMode mode = makeMode("Old", ModeSpeed::floor(0.3), ModeSensor::sensor("gone"), ModeSensor::sensor("also.gone"));
    editor.begin(ModeEditorTarget::edit(mode));
    EXPECT_EQ(editor.triggerIndex(), 0);
    EXPECT_EQ(editor.triggerLabels().at(0), QStringLiteral("Hottest Sensor"));
    EXPECT_EQ(editor.displayIndex(), 0);
    EXPECT_EQ(editor.builtMode().controlSensor(), ModeSensor::sensor("gone"));
    EXPECT_EQ(editor.builtMode().displaySensor(), ModeSensor::sensor("also.gone"));

    // Battery is the seventh trigger entry (five aggregates, then the readings).
    ASSERT_EQ(editor.triggerLabels().size(), 7);
    editor.chooseTrigger(6);
    EXPECT_EQ(editor.controlSensor(), ModeSensor::sensor("TB0T"));
    editor.chooseTrigger(99);
    EXPECT_EQ(editor.controlSensor(), ModeSensor::sensor("TB0T")) << "no such entry changes nothing";

    editor.chooseDisplay(2);  // after "Same as trigger" and "Hottest Sensor"
    EXPECT_EQ(editor.displaySensorChoice(), ModeSensor::source(ControlSource::cpuAverage));
    editor.chooseDisplay(0);
    EXPECT_EQ(editor.builtMode().displaySensor(), std::nullopt) << "Same as trigger saves no display sensor";
}

TEST_F(ModeEditorModelTest, PickersFollowTheDeviceListAndIgnoreItsReadings) {
    editor.begin(ModeEditorTarget::newMode());
    QSignalSpy labels(&editor, &ModeEditorModel::triggerLabelsChanged);
    QSignalSpy shown(&editor, &ModeEditorModel::displayIndexChanged);
    publishReadings(face, {{"cpu.avg", "CPU Core Average", "cpu.fill", 58.0},
                           {"TB0T", "Battery", "minus.plus.batteryblock", 31.0}});
    EXPECT_EQ(labels.count(), 0) << "new readings leave the lists alone";
    publishReadings(face, {{"cpu.avg", "CPU Core Average", "cpu.fill", 58.0}});
    EXPECT_EQ(labels.count(), 1);
    EXPECT_EQ(editor.triggerLabels().size(), 6);
    EXPECT_EQ(shown.count(), 0);
}

TEST_F(ModeEditorModelTest, NamesAreTrimmedAndBlankOnesCannotBeSaved) {
    struct Row { const char* typed; bool canSave; const char* saved; };
    const Row rows[] = {
        {"", false, ""}, {"   ", false, ""}, {" \n\t\r ", false, ""}, {"\u00a0\u2003", false, ""},
        {"  Gaming \n", true, "Gaming"}, {"Two  words", true, "Two  words"},
    };
    editor.begin(ModeEditorTarget::newMode());
    QSignalSpy canSave(&editor, &ModeEditorModel::canSaveChanged);
    for (const Row& row : rows) {
        editor.setName(QString::fromUtf8(row.typed));
        EXPECT_EQ(editor.canSave(), row.canSave) << row.typed;
        if (row.canSave) {
            EXPECT_EQ(editor.builtMode().name(), row.saved);
        }
    }
    EXPECT_EQ(canSave.count(), 1) << "told once, when it became true";
}

}  // namespace
}  // namespace zephrane::modes
