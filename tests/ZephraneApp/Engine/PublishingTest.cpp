// Publishing a poll: the fan table's throttle, the sensor lists and what is
// derived from them, and the throttled reopen of a lost SMC connection.
#include <gtest/gtest.h>

#include "EngineHarness.hpp"
#include "smc/FakeSMCTransport.hpp"

namespace zephrane::enginetest {
namespace {

const double nan = std::numeric_limits<double>::quiet_NaN();

class FanTablePublishing : public ::testing::Test {
protected:
    EngineHarness h;
    ZephraneEngine& engine = h.make();
    int published = 0;

    void SetUp() override {
        QObject::connect(&engine, &ZephraneEngine::fansChanged, [this] { ++published; });
    }
    // Publishes `fans` after `wait`; true when the table was republished.
    bool publishAfter(std::chrono::nanoseconds wait, std::vector<FanStatus> fans) {
        h.clock->advance(wait);
        const int before = published;
        engine.publishFansIfChanged(pollOf(std::move(fans), {}, false));
        return published > before;
    }
};

TEST_F(FanTablePublishing, ChangesThatMatterPublishAtOnceTheRestAtMostOnceASecond) {
    const FanStatus base = fan(0, 2000, 1200, 5000, 2000);
    const auto with = [&](auto change) {
        FanStatus f = base;
        change(f);
        return f;
    };
    struct Case {
        const char* edge;
        std::vector<FanStatus> next;
        std::chrono::milliseconds after;
        bool published;
    };
    const Case cases[] = {
        {"identical", {base}, 500ms, false},
        {"identical, much later", {base}, 60000ms, false},
        {"speed moved 24.9 rpm", {with([](FanStatus& f) { f.currentRPM += 24.9; })}, 500ms, false},
        {"speed moved 24.9 rpm a second later", {with([](FanStatus& f) { f.currentRPM += 24.9; })}, 1000ms, true},
        {"speed moved 25 rpm", {with([](FanStatus& f) { f.currentRPM += 25; })}, 500ms, true},
        {"speed fell 25 rpm", {with([](FanStatus& f) { f.currentRPM -= 25; })}, 500ms, true},
        {"target changed", {with([](FanStatus& f) { f.targetRPM = 2001; })}, 500ms, true},
        {"minimum changed", {with([](FanStatus& f) { f.minRPM = 1000; })}, 500ms, true},
        {"maximum changed", {with([](FanStatus& f) { f.maxRPM = 6000; })}, 500ms, true},
        {"manual mode flipped", {with([](FanStatus& f) { f.isManaged = true; })}, 500ms, true},
        {"only the reading's validity changed", {with([](FanStatus& f) { f.currentRPMValid = false; })}, 500ms,
         false},
        {"a fan appeared", {base, fan(1, 2000)}, 500ms, true},
        {"the fan went", {}, 500ms, true},
        {"another fan index", {with([](FanStatus& f) { f.id = 1; })}, 500ms, true},
        {"the speed became unreadable", {with([](FanStatus& f) { f.currentRPM = nan; })}, 500ms, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        // Start each case from a table published just now.
        publishAfter(5s, {});
        ASSERT_TRUE(publishAfter(0s, {base}));
        EXPECT_EQ(publishAfter(c.after, c.next), c.published);
    }
}

TEST_F(FanTablePublishing, TheFirstPollWithFansPublishesAndALaterEntryForTheSameFanWins) {
    EXPECT_TRUE(publishAfter(0s, {fan(0, 1000), fan(0, 2000)}));
    EXPECT_EQ(engine.fans().at(0).currentRPM, 2000);
}

// Two NaN readings are the same reading: a fan whose speed cannot be read
// must not be republished on every poll.
TEST_F(FanTablePublishing, AFanThatKeepsReadingNaNIsNotRepublished) {
    EXPECT_TRUE(publishAfter(0s, {fan(0, nan), fan(1, 1500, nan, nan, nan)}));
    for (int i = 0; i < 30; ++i) EXPECT_FALSE(publishAfter(100ms, {fan(0, nan), fan(1, 1500, nan, nan, nan)}));
    EXPECT_FALSE(publishAfter(5s, {fan(0, nan), fan(1, 1500, nan, nan, nan)}));
    EXPECT_TRUE(publishAfter(100ms, {fan(0, 1800), fan(1, 1500, nan, nan, nan)})) << "a reading again";
}

TEST_F(FanTablePublishing, TheSMCFlagFollowsEveryPoll) {
    engine.publishFansIfChanged(pollOf({}));
    EXPECT_TRUE(engine.smcAvailable());
    engine.publishFansIfChanged(SensorPoller::Result{});
    EXPECT_FALSE(engine.smcAvailable());
}

TEST(SensorPublishing, SensorListsAndTheirKeysAreReplacedOnlyByARefreshedPoll) {
    EngineHarness h;
    auto& engine = h.make();
    const SensorList first{temperatureSensor("TC0P", "CPU", 50), powerSensor("PSTR", 12.34)};
    engine.publishFansIfChanged(pollOf({}, first));
    EXPECT_EQ(engine.availableSensors(), first);
    EXPECT_TRUE(engine.hasDiscoveredSensors());
    EXPECT_EQ(engine.allSensorKeys(), (SensorKeySet{"PSTR", "TC0P"}));
    engine.publishFansIfChanged(pollOf({}, {}, false));
    EXPECT_EQ(engine.availableSensors(), first) << "not refreshed: kept";
    engine.publishFansIfChanged(pollOf({}, {}));
    EXPECT_TRUE(engine.availableSensors().empty());
    EXPECT_FALSE(engine.hasDiscoveredSensors());
    EXPECT_TRUE(engine.allSensorKeys().empty());
}

TEST(SensorPublishing, SystemPowerComesFromTheFirstUsablePowerKey) {
    SMCSensor pstrAsTemperature = temperatureSensor("PSTR", "PSTR", 30);
    struct Case {
        const char* edge;
        SensorList sensors;
        OptionalWatts watts;
    };
    const Case cases[] = {
        {"PSTR", {powerSensor("PSTR", 12.34), powerSensor("PDTR", 20)}, 12.3},
        {"PSTR reads 0: PDTR", {powerSensor("PSTR", 0), powerSensor("PDTR", 12.34)}, 12.3},
        {"PSTR is no power sensor: PDTR", {pstrAsTemperature, powerSensor("PDTR", 7.05)}, 7.1},
        {"only the first PSTR counts", {powerSensor("PSTR", 0), powerSensor("PSTR", 30)}, std::nullopt},
        {"neither", {temperatureSensor("TC0P", "CPU", 50)}, std::nullopt},
        {"PDTR negative", {powerSensor("PDTR", -3)}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        EXPECT_EQ(ZephraneEngine::smcSystemPowerWatts(c.sensors), c.watts);
    }
}

TEST(SensorPublishing, TheHottestSensorIsTheFirstHottestNamedOneOrOfAllWhenNoneIsNamed) {
    struct Case {
        const char* edge;
        SensorList sensors;
        std::optional<std::string> key;
    };
    const Case cases[] = {
        {"named beat unnamed",
         {temperatureSensor("TC0P", "CPU", 50), temperatureSensor("TC9X", "TC9X", 99),
          temperatureSensor("TG0P", "GPU", 60)},
         "TG0P"},
        {"a tie keeps the first", {temperatureSensor("TC0P", "CPU", 60), temperatureSensor("TG0P", "GPU", 60)}, "TC0P"},
        {"none named", {temperatureSensor("TC0P", "TC0P", 50), temperatureSensor("TC1P", "TC1P", 70)}, "TC1P"},
        {"a power sensor is no named temperature", {powerSensor("PSTR", 200), temperatureSensor("TC0P", "CPU", 40)},
         "TC0P"},
        {"empty", {}, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.edge);
        const auto hottest = ZephraneEngine::hottestNamedSensor(c.sensors);
        EXPECT_EQ(hottest ? std::optional<std::string>(hottest->key) : std::nullopt, c.key);
    }
}

TEST(SensorPublishing, TheDisplayedTemperatureMovesOnlyWhenItsTextWould) {
    EngineHarness h;
    auto& engine = h.make();
    int changes = 0;
    QObject::connect(&engine, &ZephraneEngine::displayedTemperatureChanged, [&] { ++changes; });
    engine.publishFansIfChanged(pollOf({}, {temperatureSensor("TC0P", "CPU", 54.96)}));
    EXPECT_EQ(engine.displayedTemperature(), 54.96);
    EXPECT_EQ(engine.heroDisplayTemperature(), 55.0);
    engine.publishFansIfChanged(pollOf({}, {temperatureSensor("TC0P", "CPU", 55.04)}));
    EXPECT_EQ(engine.displayedTemperature(), 54.96) << "both show 55.0";
    EXPECT_EQ(engine.latestRawDisplayedTemperature(), 55.04);
    engine.publishFansIfChanged(pollOf({}, {temperatureSensor("TC0P", "CPU", 55.06)}));
    EXPECT_EQ(engine.displayedTemperature(), 55.06);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(engine.controlTemperature(), 55.06);
}

TEST(SensorPublishing, TheControlTemperatureFollowsTheSourceAndFallsBackWhenItGivesNothing) {
    EngineHarness h;
    auto& engine = h.make();
    const SensorList cpuOnly{temperatureSensor("TC0P", "CPU Proximity", 70),
                             temperatureSensor("TC0E", "CPU Die", 64)};
    engine.publishFansIfChanged(pollOf({}, cpuOnly));
    EXPECT_EQ(engine.controlTemperature(), 70);
    EXPECT_FALSE(engine.controlSourceUnavailable());

    // A new source takes effect at once, outside the tick.
    engine.setControlSource(ControlSource::gpuAverage);
    EXPECT_TRUE(engine.controlSourceUnavailable()) << "no GPU sensor";
    EXPECT_EQ(engine.controlTemperature(), 70) << "the trusted maximum stands in";

    engine.publishFansIfChanged(pollOf({}, {}));
    EXPECT_EQ(engine.controlTemperature(), 0) << "nothing at all";
}

TEST(SensorPublishing, ACustomModesOwnSensorDrivesAndFallsBackToTheSourceWhenItVanishes) {
    EngineHarness h;
    auto& engine = h.make(FanProfile::nimbraStandard());
    const CustomMode battery(Uuid::random(), "Cool battery", "bolt.fill", ModeSpeed::floor(0.2),
                             ModeSensor::sensor("TB0T"), ModeSensor::sensor("TB0T"), true);
    engine.setCustomModes({battery});
    engine.setActiveCustomModeID(battery.id());

    const SensorList withBattery{temperatureSensor("TC0P", "CPU Proximity", 70),
                                 temperatureSensor("TB0T", "Battery", 38, SensorCategory::battery)};
    engine.publishFansIfChanged(pollOf({}, withBattery));
    EXPECT_EQ(engine.controlTemperature(), 38);
    EXPECT_FALSE(engine.controlSourceUnavailable());
    EXPECT_EQ(engine.displayedTemperature(), 38) << "the mode drives the main readout";

    engine.publishFansIfChanged(pollOf({}, {temperatureSensor("TC0P", "CPU Proximity", 72)}));
    EXPECT_TRUE(engine.controlSourceUnavailable());
    EXPECT_EQ(engine.controlTemperature(), 72) << "the selected source stands in";
    EXPECT_EQ(engine.displayedTemperature(), 72) << "the trusted maximum stands in";
}

TEST(SensorPublishing, TheMenuBarSourceChoosesTheDisplayedTemperature) {
    EngineHarness h;
    auto& engine = h.make();
    engine.publishFansIfChanged(pollOf({}, {temperatureSensor("TC0P", "CPU Proximity", 70),
                                            temperatureSensor("TG0P", "GPU", 52, SensorCategory::gpu)}));
    EXPECT_EQ(engine.displayedTemperature(), 70);
    engine.setMenuBarTempSource(MenuBarTempSource::gpuAverage);
    EXPECT_EQ(engine.displayedTemperature(), 52);
    EXPECT_EQ(engine.controlTemperature(), 70) << "the fans still follow the control source";
}

TEST(SMCReopen, WhileTheSMCStaysAwayAReopenStartsAtMostEveryFiveSeconds) {
    EngineHarness h;
    h.services->firstResults = {SensorPoller::Result{}};
    auto& engine = h.make(FanProfile::nimbraStandard());  // ticks every 0.1 s
    engine.start();
    h.clock->advance(12s);
    EXPECT_EQ(h.driver->reopens.size(), 3u) << "at 0, 5 and 10 s";
    EXPECT_FALSE(engine.smcAvailable());
}

TEST(SMCReopen, NeverTwoAtOnce) {
    EngineHarness h;
    h.driver->holdReopen = true;
    h.services->firstResults = {SensorPoller::Result{}};
    auto& engine = h.make(FanProfile::nimbraStandard());
    engine.start();
    h.clock->advance(12s);
    ASSERT_EQ(h.driver->reopens.size(), 1u) << "the first is still out";
    h.driver->reopens[0]->resolve(nullptr);
    h.clock->advance(100ms);
    EXPECT_EQ(h.driver->reopens.size(), 2u) << "five seconds passed since it started";
}

TEST(SMCReopen, ABridgeThatComesBackGetsANewPollerThatDiscoversAndHearsTheWindowsVisibility) {
    EngineHarness h;
    h.services->firstResults = {SensorPoller::Result{}};
    auto bridge = std::make_shared<SMCKernelBridge>(std::make_unique<FakeSMCTransport>());
    h.driver->reopenAnswer = bridge;
    auto& engine = h.make(FanProfile::nimbraStandard());
    engine.setMainWindowVisible(false);
    engine.start();
    ASSERT_EQ(h.services->pollers.size(), 2u);
    EXPECT_EQ(h.services->pollerBridges.at(1), bridge);
    FakePoller& reopened = h.poller();
    EXPECT_EQ(reopened.discoveries, 1);
    EXPECT_EQ(reopened.visibilityCalls, (std::vector<bool>{false}));

    reopened.results = {pollOf({fan(0, 1500)})};
    h.clock->advance(100ms);
    EXPECT_EQ(reopened.polls, 1) << "the next tick polls through the new poller";
    EXPECT_TRUE(engine.smcAvailable());
    h.clock->advance(10s);
    EXPECT_EQ(h.driver->reopens.size(), 1u) << "no reopen while the SMC answers";
}

}  // namespace
}  // namespace zephrane::enginetest
