// The temperatures as shown: rounding in both units, the hero value and the
// catch-up on a unit change, the displayed device rows, the per-row
// history, the thermal trend with its pre-spool floor, pins and the label
// of the displayed source.
#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {
namespace {

SensorPoller::Result readings(double cpu, std::optional<double> battery = std::nullopt) {
    SensorList sensors{temperatureSensor("TC0P", "CPU Proximity", cpu)};
    if (battery) sensors.push_back(temperatureSensor("TB0T", "Battery", *battery, SensorCategory::battery));
    return pollOf({}, sensors);
}

TEST(DisplayTemperatures, RoundingInBothUnitsAndPrecisions) {
    struct Case {
        double celsius;
        bool fahrenheit;
        bool precise;
        double shown;
    };
    const Case cases[] = {
        {72.46, false, false, 72},  {72.46, false, true, 72.5},  {72.46, true, false, 162},
        {72.46, true, true, 162.4}, {72.45, false, true, 72.5},  {72.5, false, false, 73},
        {-0.5, false, false, -1},   {0, true, true, 32},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.celsius) + (c.fahrenheit ? " F" : " C") + (c.precise ? " precise" : ""));
        EngineHarness h;
        auto& engine = h.make();
        engine.setUseFahrenheit(c.fahrenheit);
        engine.setPreciseTemperatures(c.precise);
        EXPECT_EQ(engine.displayRounded(c.celsius), c.shown);
        engine.publishFansIfChanged(readings(c.celsius));
        EXPECT_EQ(engine.heroDisplayTemperature(), c.shown);
    }
}

// The displayed value lags the latest reading while the rounded text is
// the same; a change of unit or precision must show the latest reading,
// and the hero value must be computed from it, not from the lagging one.
TEST(DisplayTemperatures, AUnitOrPrecisionChangeCatchesUpBeforeTheHeroValueIsComputed) {
    struct Case {
        const char* change;
        double shown;   // displayed, and both readings show the same tenth
        double latest;
        std::function<void(ZephraneEngine&)> apply;
        double hero;    // of the latest reading; the shown one gives another
    };
    const Case cases[] = {
        {"to Fahrenheit", 54.96, 55.04, [](ZephraneEngine& e) { e.setUseFahrenheit(true); }, 131.1},
        {"to whole degrees", 54.46, 54.54, [](ZephraneEngine& e) { e.setPreciseTemperatures(false); }, 55},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.change);
        EngineHarness h;
        auto& engine = h.make();
        engine.publishFansIfChanged(readings(c.shown));
        engine.publishFansIfChanged(readings(c.latest));
        ASSERT_EQ(engine.displayedTemperature(), c.shown);
        int heroChanges = 0;
        QObject::connect(&engine, &ZephraneEngine::heroDisplayTemperatureChanged, [&] { ++heroChanges; });
        c.apply(engine);
        EXPECT_EQ(engine.displayedTemperature(), c.latest);
        EXPECT_EQ(engine.heroDisplayTemperature(), c.hero);
        EXPECT_LE(heroChanges, 1);
    }
}

TEST(DisplayTemperatures, TheDisplayedRowsChangeOnlyWhenWhatTheyShowChanges) {
    struct Case {
        const char* edge;
        bool precise;
        std::optional<double> next;
        bool republished;
    };
    const Case cases[] = {
        {"55.2 to 55.4, whole degrees", false, 55.4, false},
        {"55.2 to 55.4, precise", true, 55.4, true},
        {"55.2 to 55.6, whole degrees", false, 55.6, true},
        {"the row goes", false, std::nullopt, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EngineHarness h;
        auto& engine = h.make();
        engine.setPreciseTemperatures(c.precise);
        engine.publishFansIfChanged(readings(60, 55.2));
        int republished = 0;
        QObject::connect(&engine, &ZephraneEngine::deviceSensorsDisplayChanged, [&] { ++republished; });
        engine.publishFansIfChanged(readings(60, c.next));
        EXPECT_EQ(republished > 0, c.republished);
        // The rows themselves always follow the readings.
        const auto& rows = engine.deviceSensors();
        const auto battery = std::find_if(rows.begin(), rows.end(), [](const auto& r) { return r.id == "TB0T"; });
        if (c.next) {
            ASSERT_NE(battery, rows.end());
            EXPECT_EQ(battery->value, c.next);
        } else {
            EXPECT_EQ(battery, rows.end());
        }
    }
}

TEST(DisplayTemperatures, EachRowKeepsItsLast120Readings) {
    EngineHarness h;
    auto& engine = h.make();
    for (int i = 0; i < 121; ++i) engine.publishFansIfChanged(readings(60, 30 + i * 0.01));
    const auto battery = engine.history("TB0T");
    ASSERT_EQ(battery.size(), 120u);
    EXPECT_DOUBLE_EQ(battery.front(), 30.01);
    EXPECT_DOUBLE_EQ(battery.back(), 31.2);
    EXPECT_TRUE(engine.history("no such row").empty());
    engine.setControlSource(ControlSource::cpuAverage);
    EXPECT_EQ(engine.history("TB0T").size(), 120u) << "a refresh outside the tick records nothing";
    engine.publishFansIfChanged(readings(60, 5.0));  // an idle reading has no value
    EXPECT_EQ(engine.history("TB0T").back(), battery.back());
}

TEST(DisplayTemperatures, TheModeSensorLookup) {
    EngineHarness h;
    auto& engine = h.make();
    engine.publishFansIfChanged(readings(61, 33));
    EXPECT_EQ(engine.temperature(ModeSensor::sensor("TB0T")), 33);
    EXPECT_EQ(engine.temperature(ModeSensor::sensor("perf.9")), std::nullopt);
    EXPECT_EQ(engine.temperature(ModeSensor::source(ControlSource::hottest)), 61);
    EXPECT_EQ(engine.temperature(ModeSensor::source(ControlSource::gpuAverage)), std::nullopt);
}

TEST(DisplayTemperatures, ThePreSpoolFloor) {
    struct Case {
        ThermalTrend trend;
        bool enabled;
        double floor;
    };
    const Case cases[] = {
        {ThermalTrend::rising(2), true, 0.25},   {ThermalTrend::rising(3), true, 0.25},
        {ThermalTrend::rising(6.5), true, 0.175}, {ThermalTrend::rising(10), true, 0.1},
        {ThermalTrend::rising(10.5), true, 0},   {ThermalTrend::rising(std::nullopt), true, 0},
        {ThermalTrend::rising(2), false, 0},     {ThermalTrend::steady(), true, 0},
        {ThermalTrend::cooling(), true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trend.etaMinutes().value_or(-1));
        EXPECT_NEAR(ZephraneEngine::preSpoolFloor(c.trend, c.enabled), c.floor, 1e-12);
    }
}

class ThermalTrendSampling : public ::testing::Test {
protected:
    EngineHarness h;
    ZephraneEngine& engine = h.make();

    // One tick a second with the hottest reading at `celsius`.
    void secondAt(double celsius) {
        h.poller().results = {readings(celsius)};
        auto task = engine.tickOnce();
        ASSERT_TRUE(task.isReady());
        h.clock->advance(1s);
    }
};

TEST_F(ThermalTrendSampling, ARisingTemperatureRaisesTheFloorOnlyWithPreSpoolOn) {
    for (int i = 0; i < 60; ++i) secondAt(60 + i * 0.1);  // 6 °C a minute
    EXPECT_EQ(engine.thermalTrend(), ThermalTrend::steady()) << "pre-spool is off";
    EXPECT_EQ(engine.currentProactiveFloor(), 0);
    engine.setPreSpoolEnabled(true);
    secondAt(66);
    EXPECT_EQ(engine.thermalTrend().kind(), ThermalTrend::Kind::rising);
    EXPECT_GT(engine.currentProactiveFloor(), 0.1);
    engine.setPreSpoolEnabled(false);
    secondAt(66.1);
    EXPECT_EQ(engine.thermalTrend(), ThermalTrend::steady()) << "back to steady on the next sample";
}

TEST_F(ThermalTrendSampling, OnlyReadingsAboveZeroAreSampledAndAtMost150AreKept) {
    secondAt(0);
    secondAt(0);
    EXPECT_TRUE(engine.trendSamples().empty());
    for (int i = 0; i < 200; ++i) secondAt(50);
    EXPECT_EQ(engine.trendSamples().size(), 150u);
}

// A wall clock set back an hour must not leave the fit reading across the
// step: the samples before it belong to another time line.
TEST_F(ThermalTrendSampling, AWallClockSetBackNeverPutsAnOutOfOrderSampleIntoTheFit) {
    engine.setPreSpoolEnabled(true);
    for (int i = 0; i < 60; ++i) secondAt(60 + i * 0.1);
    ASSERT_EQ(engine.thermalTrend().kind(), ThermalTrend::Kind::rising);

    h.clock->wall -= std::chrono::hours(1);
    for (int i = 0; i < 60; ++i) {
        secondAt(70 - i * 0.1);
        const auto& samples = engine.trendSamples();
        ASSERT_TRUE(std::is_sorted(samples.begin(), samples.end(),
                                   [](const TrendSample& a, const TrendSample& b) { return a.t < b.t; }));
    }
    EXPECT_EQ(engine.thermalTrend(), ThermalTrend::cooling()) << "the fit follows the new time line";
}

TEST(DisplayTemperatures, PinningTogglesAndSavesTheWholeSetEachTime) {
    EngineHarness h;
    h.services->pinnedAtLaunch = {"TC0P"};
    auto& engine = h.make();
    engine.togglePin("Tg05");
    EXPECT_TRUE(engine.isPinned("Tg05"));
    EXPECT_EQ(h.services->pinned->stored, (std::set<std::string>{"TC0P", "Tg05"}));
    engine.togglePin("Tg05");
    EXPECT_FALSE(engine.isPinned("Tg05"));
    EXPECT_EQ(h.services->pinned->stored, (std::set<std::string>{"TC0P"}));
    EXPECT_EQ(h.services->pinned->saves, 2);
}

TEST(DisplayTemperatures, TheLabelOfTheDisplayedSource) {
    EngineHarness h;
    auto& engine = h.make();
    int changes = 0;
    QObject::connect(&engine, &ZephraneEngine::displayedTemperatureSourceLabelChanged, [&] { ++changes; });
    EXPECT_EQ(engine.displayedTemperatureSourceLabel(), "Hottest");
    engine.setControlSource(ControlSource::cpuPerformance);
    EXPECT_EQ(engine.displayedTemperatureSourceLabel(), "CPU P");
    engine.setMenuBarTempSource(MenuBarTempSource::hottest);
    EXPECT_EQ(engine.displayedTemperatureSourceLabel(), "Hottest");
    engine.setControlSource(ControlSource::gpuAverage);
    EXPECT_EQ(engine.displayedTemperatureSourceLabel(), "Hottest") << "the menu-bar source names itself";
    engine.setMenuBarTempSource(MenuBarTempSource::cpuEfficiency);
    EXPECT_EQ(engine.displayedTemperatureSourceLabel(), "CPU E");
    EXPECT_EQ(changes, 3);
}

TEST(DisplayTemperatures, CoreCountsComeFromTheHostOnce) {
    EngineHarness h;
    h.services->counts = {4, 6};
    EXPECT_EQ(h.make().coreCounts(), (DeviceSensorMap::CoreCounts{4, 6}));
}

}  // namespace
}  // namespace zephrane::enginetest
