// The sensor list's presenter on the scripted face: which body the page
// shows, the count above it, the mode filter and its stored choice, the one
// expanded device row, and which device rows can pin.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "ZephraneApp/Dashboard/Presenters/SensorsPresenter.hpp"
#include "ZephraneApp/Face/DaemonFace.hpp"
#include "ZephraneApp/Face/PreferencesFace.hpp"
#include "ZephraneApp/Face/ScriptedEngineFace.hpp"
#include "ZephraneApp/Face/SensorsFace.hpp"

namespace zephrane::dashboard {
namespace {

using face::FaceCommand;
using face::ScriptedEngineFace;
using Body = SensorsPresenter::Body;

SMCSensor temperature(std::string key, std::string name) {
    return {key, key, std::move(name), SensorCategory::cpu, 50, SensorClass::temperature, "\u00B0C"};
}

class SensorsPage : public ::testing::Test {
protected:
    void SetUp() override { sensors.setFace(&face); }

    void discover(bool smcAvailable = true) {
        const std::vector<SMCSensor> all{temperature("Tp01", "Core 1"), temperature("Tp05", "Core 2"),
                                         temperature("TB0T", "Battery"), {"PSTR", "PSTR", "System Total", SensorCategory::cpu, 12, SensorClass::power, "W"}};
        face.sensors().allSensors().update(all, face.sensors().pinnedSensorKeys());
        face.sensors().deviceSensors().update(
            std::vector<DeviceSensorReading>{{"TB0T", "Battery", "minus.plus.batteryblock", 31.0},
                                             {"cpu.avg", "CPU Core Average", "cpu.fill", 50.0}},
            {});
        auto state = face.sensors().state();
        state.hasDiscoveredSensors = true;
        face.sensors().publish(state);
        setSmcAvailable(smcAvailable);
    }
    void setSmcAvailable(bool available) {
        auto daemon = face.daemon().state();
        daemon.smcAvailable = available;
        face.daemon().publish(daemon);
    }
    void setShowAll(bool on) {
        auto prefs = face.preferences().state();
        prefs.showAllSensors = on;
        face.preferences().publish(prefs);
    }

    ScriptedEngineFace face;
    SensorsPresenter sensors;
};

TEST_F(SensorsPage, BeforeDiscoveryTheEmptyPageSaysWhy) {
    setSmcAvailable(true);
    EXPECT_EQ(sensors.body(), Body::NoSensors);
    EXPECT_EQ(sensors.emptyTitle(), "No sensors discovered");
    EXPECT_EQ(sensors.emptySymbol(), "sensor");
    EXPECT_EQ(sensors.emptyDescription(), "Discovery hasn't finished yet.");
    setSmcAvailable(false);
    EXPECT_EQ(sensors.emptyDescription(), "Couldn't open the SMC.");
    discover();
    EXPECT_EQ(sensors.body(), Body::Essentials);
}

TEST_F(SensorsPage, EssentialsAllAndTheSearch) {
    discover();
    EXPECT_EQ(sensors.body(), Body::Essentials);
    EXPECT_EQ(sensors.countText(), "2 key readings \u00B7 \u00B0C");
    EXPECT_EQ(sensors.modeSelection(), "essentials");
    EXPECT_EQ(sensors.groups()->count(), 0) << "no groups are made for the device readings";

    sensors.setQuery("   ");
    EXPECT_FALSE(sensors.searching());
    EXPECT_EQ(sensors.body(), Body::Essentials) << "spaces are no search";

    sensors.setQuery("core");
    EXPECT_TRUE(sensors.searching());
    EXPECT_EQ(sensors.body(), Body::Grouped);
    EXPECT_EQ(sensors.countText(), "2 of 4");

    sensors.setQuery("zzz ");
    EXPECT_EQ(sensors.body(), Body::NoResults);
    EXPECT_EQ(sensors.countText(), "0 of 4");
    EXPECT_EQ(sensors.emptyTitle(), "No Results for \u201Czzz \u201D");
    EXPECT_EQ(sensors.emptySymbol(), "magnifyingglass");

    sensors.setQuery("");
    setShowAll(true);
    EXPECT_EQ(sensors.body(), Body::Grouped);
    EXPECT_EQ(sensors.modeSelection(), "all");
    EXPECT_EQ(sensors.countText(), "4 of 4");
    EXPECT_EQ(sensors.groups()->groupCounts(), (QVariantMap{{"Temperature", "3"}, {"Power", "1"}}));
}

TEST_F(SensorsPage, TheFilterStoresTheChoice) {
    discover();
    sensors.chooseMode("all");
    sensors.chooseMode("essentials");
    sensors.chooseMode(QVariant());
    namespace command = face::command;
    const auto showAll = [](bool on) {
        return FaceCommand{command::ChangeSetting{face::Setting::showAllSensors, on}};
    };
    EXPECT_EQ(face.commands(), (std::vector<FaceCommand>{showAll(true), showAll(false), showAll(false)}));
}

TEST_F(SensorsPage, OneExpandedRowAndWhichRowsPin) {
    EXPECT_EQ(sensors.toggledExpansion("", "cpu.avg"), "cpu.avg");
    EXPECT_EQ(sensors.toggledExpansion("cpu.avg", "cpu.avg"), "");
    EXPECT_EQ(sensors.toggledExpansion("cpu.avg", "TB0T"), "TB0T");

    const int before = sensors.sensorKeysRevision();
    discover();
    EXPECT_GT(sensors.sensorKeysRevision(), before);
    EXPECT_TRUE(sensors.isSensorKey("TB0T", sensors.sensorKeysRevision()));
    EXPECT_FALSE(sensors.isSensorKey("cpu.avg", sensors.sensorKeysRevision()));

    sensors.togglePin("TB0T");
    EXPECT_EQ(face.commands(), (std::vector<FaceCommand>{face::command::TogglePin{"TB0T"}}));
}

TEST_F(SensorsPage, TheCountFollowsTheUnitsAndThePins) {
    discover();
    auto prefs = face.preferences().state();
    prefs.useFahrenheit = true;
    face.preferences().publish(prefs);
    EXPECT_EQ(sensors.countText(), "2 key readings \u00B7 \u00B0F");

    setShowAll(true);
    face.sensors().publishPinnedSensorKeys({"PSTR"});
    EXPECT_EQ(sensors.groups()->groupCounts(), (QVariantMap{{"Pinned", "1"}, {"Temperature", "3"}}));
    EXPECT_EQ(sensors.countText(), "4 of 4");
}

}  // namespace
}  // namespace zephrane::dashboard
