// The poller's cadences, caches and names on a miniature SMC and a fake HID
// event system, with the test moving the continuous clock; then the actor
// around it, from this (the GUI) thread.
#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <limits>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <variant>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include "platform/iokit/FakeHIDEventSystemClient.hpp"
#include "platform/iokit/IOReturn.hpp"
#include "shared/FanKey.hpp"
#include "shared/FourCC.hpp"
#include "smc/FakeSMCTransport.hpp"
#include "smc/SMCError.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using iokit::FakeHIDEventSystemClient;
using Result = SensorPoller::Result;

// A laptop in miniature: two temperatures, the two live power keys, a
// voltage that only full refreshes re-read, and two fans (whose actual-speed
// keys are sensors too), 17 keys in all.
void laptop(FakeSMCTransport& smc) {
    smc.setValue("#KEY", SMCDataType::ui32(), 17);
    smc.setValue("TC0P", SMCDataType::sp78(), 45.5);
    smc.setValue("Tp01", SMCDataType::flt(), 52);
    smc.setValue("PSTR", SMCDataType::flt(), 12.5);
    smc.setValue("PDTR", SMCDataType::flt(), 20);
    smc.setValue("VD0R", SMCDataType::flt(), 12);
    smc.setValue("FNum", SMCDataType::ui8(), 2);
    for (int fan = 0; fan < 2; ++fan) {
        smc.setValue(FanKey::current(fan), SMCDataType::flt(), 2000 + fan * 100);
        smc.setValue(FanKey::minimum(fan), SMCDataType::flt(), 1200);
        smc.setValue(FanKey::maximum(fan), SMCDataType::flt(), 6200);
        smc.setValue(FanKey::target(fan), SMCDataType::flt(), 2000);
        smc.setValue(FanKey::mode(fan), SMCDataType::ui8(), 0);
    }
}

// A new value in the key's own type: the bridge keeps the type it first saw.
void setReading(FakeSMCTransport& smc, std::string_view key, double value) {
    smc.setValue(key, smc.key(key)->type, value);
}

using HIDServices = std::optional<std::vector<std::shared_ptr<iokit::HIDServiceSnapshot>>>;

std::vector<std::shared_ptr<iokit::HIDServiceSnapshot>> hidServices(
    const std::vector<std::pair<std::string, double>>& readings) {
    std::vector<std::shared_ptr<iokit::HIDServiceSnapshot>> services;
    for (const auto& [name, celsius] : readings)
        services.push_back(FakeHIDEventSystemClient::temperatureService(name, celsius));
    return services;
}

// A core over a miniature SMC with a hand-moved clock. The HID client is
// made by the poller's factory; the rig keeps a view of it.
class Rig {
public:
    explicit Rig(const std::function<void(FakeSMCTransport&)>& setup = laptop, bool withBridge = true) {
        auto transport = std::make_unique<FakeSMCTransport>();
        smc = transport.get();
        setup(*smc);
        if (withBridge) bridge = std::make_shared<SMCKernelBridge>(std::move(transport));
        else ownedWithoutBridge = std::move(transport);
        core = std::make_unique<SensorPoller::Core>(bridge, factory(), clock());
    }

    SensorPoller::HIDSourceFactory factory() {
        return [this] {
            ++hidSourcesMade;
            auto client = std::make_unique<FakeHIDEventSystemClient>();
            client->setServices(nextHIDServices);
            hid = client.get();
            return std::make_unique<HIDSensorSource>(std::move(client));
        };
    }
    SensorPoller::Clock clock() {
        return [this] { return now; };
    }
    void setHID(const std::vector<std::pair<std::string, double>>& readings) {
        nextHIDServices = hidServices(readings);
        if (hid) hid->setServices(nextHIDServices);
    }
    Result pollAt(std::chrono::milliseconds sinceStart) {
        now = start + sinceStart;
        return core->poll();
    }

    FakeSMCTransport* smc = nullptr;
    std::shared_ptr<SMCKernelBridge> bridge;
    std::unique_ptr<FakeSMCTransport> ownedWithoutBridge;
    FakeHIDEventSystemClient* hid = nullptr;  // owned by the poller's HID source
    HIDServices nextHIDServices = hidServices({{"PMU tdie1", 40}, {"NAND CH0 temp", 33}});
    int hidSourcesMade = 0;
    const std::chrono::nanoseconds start = 5000s;  // the clock does not start at zero
    std::chrono::nanoseconds now = start;
    std::unique_ptr<SensorPoller::Core> core;
};

std::vector<std::string> keysOf(const std::vector<SMCSensor>& sensors) {
    std::vector<std::string> keys;
    for (const SMCSensor& s : sensors) keys.push_back(s.key);
    return keys;
}

double valueOf(const Result& result, std::string_view key) {
    for (const SMCSensor& s : result.allSensors)
        if (s.key == key) return s.currentTemp;
    ADD_FAILURE() << "no sensor " << key;
    return std::numeric_limits<double>::quiet_NaN();
}

std::multiset<std::string> readValueKeys(const FakeSMCTransport& smc) {
    std::multiset<std::string> keys;
    for (const SMCParamStruct& r : smc.requests())
        if (r.data8 == static_cast<std::uint8_t>(SMCCommand::readValue)) keys.insert(FourCC::string(r.key));
    return keys;
}

const std::vector<std::string> kLaptopSensorKeys = {"TC0P", "Tp01", "PSTR", "PDTR", "VD0R", "F0Ac", "F1Ac"};

TEST(SensorPollerCore, WithoutBridgeEveryPollAnswersNothing) {
    Rig rig(laptop, /*withBridge=*/false);
    rig.core->discoverIfNeeded();
    for (auto at : {0ms, 500ms, 1000ms, 40000ms}) {
        rig.core->setRegistryConsumersVisible(at == 500ms);
        EXPECT_EQ(rig.pollAt(at), Result{}) << at.count();
    }
    EXPECT_EQ(rig.hidSourcesMade, 0);
    EXPECT_TRUE(rig.ownedWithoutBridge->requests().empty());
}

TEST(SensorPollerCore, FirstPollDiscoversAndReadsEverything) {
    Rig rig;
    const Result first = rig.pollAt(0ms);

    EXPECT_TRUE(first.sensorsRefreshed);
    EXPECT_TRUE(first.smcAvailable);
    EXPECT_EQ(keysOf(first.temperatureSensors), (std::vector<std::string>{"TC0P", "Tp01"}));
    std::vector<std::string> all = kLaptopSensorKeys;
    all.insert(all.end(), {"hid:PMU tdie1", "hid:NAND CH0 temp"});
    EXPECT_EQ(keysOf(first.allSensors), all);
    EXPECT_EQ(rig.hidSourcesMade, 1);

    ASSERT_EQ(first.fans.size(), 2u);
    EXPECT_EQ(first.fans[1], (FanStatus{1, 2100, 1200, 6200, 2000, false, true}));
}

TEST(SensorPollerCore, BetweenRefreshesOnlyTheFansSpeedsAreRead) {
    Rig rig;
    const Result first = rig.pollAt(0ms);
    rig.smc->clearRequests();
    // Everything changes; only the speeds, targets and modes may show it.
    setReading(*rig.smc, "TC0P", 70);
    setReading(*rig.smc, "FNum", 1);
    setReading(*rig.smc, "F0Ac", 3000);
    setReading(*rig.smc, "F0Mx", 7000);
    setReading(*rig.smc, "F1Md", 1);
    rig.setHID({{"PMU tdie1", 60}});

    const Result later = rig.pollAt(500ms);
    EXPECT_FALSE(later.sensorsRefreshed);
    EXPECT_TRUE(later.smcAvailable);
    EXPECT_EQ(later.temperatureSensors, first.temperatureSensors);
    EXPECT_EQ(later.allSensors, first.allSensors);
    ASSERT_EQ(later.fans.size(), 2u) << "the cached count";
    EXPECT_EQ(later.fans[0], (FanStatus{0, 3000, 1200, 6200, 2000, false, true})) << "fresh speed, cached bounds";
    EXPECT_TRUE(later.fans[1].isManaged);

    EXPECT_EQ(readValueKeys(*rig.smc),
              (std::multiset<std::string>{"F0Ac", "F0Tg", "F0Md", "F1Ac", "F1Tg", "F1Md"}));
    EXPECT_EQ(rig.smc->requests().size(), 6u) << "nothing but those six reads";
    EXPECT_EQ(rig.hid->copyServicesCalls(), 1);
}

TEST(SensorPollerCore, RefreshesAtMostOnceASecondOfTheContinuousClock) {
    Rig rig;
    rig.core->discoverIfNeeded();  // the walk reads every key once
    rig.smc->clearRequests();
    struct Step {
        std::chrono::milliseconds at;
        bool refreshed;
    };
    const Step steps[] = {
        {0ms, true}, {999ms, false}, {1000ms, true}, {1500ms, false}, {2001ms, true}, {2002ms, false},
        {3601000ms, true},  // an hour asleep
    };
    for (const Step& step : steps) {
        setReading(*rig.smc, "TC0P", 40 + static_cast<double>(step.at.count() % 50));
        const Result result = rig.pollAt(step.at);
        EXPECT_EQ(result.sensorsRefreshed, step.refreshed) << step.at.count();
        // The fan count and bounds are re-read exactly on refreshing polls.
        EXPECT_EQ(rig.smc->requestCount(SMCCommand::readValue, "FNum"), step.refreshed ? 1u : 0u) << step.at.count();
        EXPECT_EQ(rig.smc->requestCount(SMCCommand::readValue, "F1Mx"), step.refreshed ? 1u : 0u) << step.at.count();
        rig.smc->clearRequests();
    }
}

TEST(SensorPollerCore, WhileHiddenOnlyTemperaturesAndPowerStayFreshUntilThirtySeconds) {
    Rig rig;
    rig.core->setRegistryConsumersVisible(false);
    const Result full = rig.pollAt(0ms);
    ASSERT_TRUE(full.sensorsRefreshed);

    // A refresh at these times after the full one; each changes every value.
    struct Step {
        std::chrono::milliseconds at;
        bool refreshed;
        bool fullRegistry;
    };
    const Step steps[] = {
        {1000ms, true, false},   {15000ms, true, false}, {28900ms, true, false}, {29900ms, true, false},
        {30000ms, false, false},  // under a second since the last refresh
        {31000ms, true, true},   {32000ms, true, false},
    };
    Result previous = full;
    double value = 30;
    for (const Step& step : steps) {
        SCOPED_TRACE(step.at.count());
        value += 1;
        for (const char* key : {"TC0P", "PSTR", "PDTR", "VD0R", "F0Ac"}) setReading(*rig.smc, key, value);
        rig.setHID({{"PMU tdie1", value}, {"NAND CH0 temp", 33}});
        const int hidReadsBefore = rig.hid->copyServicesCalls();

        const Result result = rig.pollAt(step.at);
        EXPECT_EQ(result.sensorsRefreshed, step.refreshed);
        if (!step.refreshed) {
            EXPECT_EQ(result.allSensors, previous.allSensors);
            continue;
        }
        for (const char* live : {"TC0P", "PSTR", "PDTR"}) EXPECT_EQ(valueOf(result, live), value) << live;
        const bool whole = step.fullRegistry;
        EXPECT_EQ(valueOf(result, "VD0R"), whole ? value : valueOf(previous, "VD0R"));
        EXPECT_EQ(valueOf(result, "F0Ac"), whole ? value : valueOf(previous, "F0Ac"));
        EXPECT_EQ(valueOf(result, "hid:PMU tdie1"), whole ? value : valueOf(previous, "hid:PMU tdie1"));
        EXPECT_EQ(rig.hid->copyServicesCalls(), hidReadsBefore + (whole ? 1 : 0));
        EXPECT_EQ(result.fans.front().currentRPM, value) << "the fans are read on every poll";
        previous = result;
    }
    EXPECT_EQ(rig.hidSourcesMade, 1) << "the HID reader is kept";
}

TEST(SensorPollerCore, TheHiddenWindowsFullRefreshComesAtExactlyThirtySeconds) {
    Rig rig;
    rig.core->setRegistryConsumersVisible(false);
    rig.pollAt(0ms);
    rig.pollAt(29000ms);
    EXPECT_EQ(rig.hid->copyServicesCalls(), 1);
    rig.pollAt(30000ms);
    EXPECT_EQ(rig.hid->copyServicesCalls(), 2);
}

TEST(SensorPollerCore, ShowingTheWindowMakesTheNextRefreshFull) {
    Rig rig;
    rig.core->setRegistryConsumersVisible(false);
    rig.pollAt(0ms);
    rig.pollAt(1000ms);  // partial
    rig.core->setRegistryConsumersVisible(false);
    rig.pollAt(2000ms);  // still partial: nothing changed
    ASSERT_EQ(rig.hid->copyServicesCalls(), 1);

    rig.core->setRegistryConsumersVisible(true);
    setReading(*rig.smc, "VD0R", 99);
    EXPECT_FALSE(rig.pollAt(2500ms).sensorsRefreshed) << "the once-a-second rule still holds";
    const Result shown = rig.pollAt(3000ms);
    EXPECT_TRUE(shown.sensorsRefreshed);
    EXPECT_EQ(valueOf(shown, "VD0R"), 99);
    EXPECT_EQ(rig.hid->copyServicesCalls(), 2);

    // Visible: every refresh is full.
    rig.pollAt(4000ms);
    EXPECT_EQ(rig.hid->copyServicesCalls(), 3);

    // Shown and hidden again between two refreshes: the showing still counts.
    rig.core->setRegistryConsumersVisible(false);
    rig.pollAt(5000ms);  // partial
    ASSERT_EQ(rig.hid->copyServicesCalls(), 3);
    rig.core->setRegistryConsumersVisible(true);
    rig.core->setRegistryConsumersVisible(false);
    rig.pollAt(6000ms);
    EXPECT_EQ(rig.hid->copyServicesCalls(), 4);
}

TEST(SensorPollerCore, FanCountSurvivesATransientZero) {
    Rig rig;
    ASSERT_EQ(rig.pollAt(0ms).fans.size(), 2u);
    setReading(*rig.smc, "FNum", 0);
    EXPECT_EQ(rig.pollAt(1000ms).fans.size(), 2u);
    EXPECT_EQ(rig.pollAt(1500ms).fans.size(), 2u);

    // With nothing cached a zero is taken as read, and a later count replaces it.
    Rig fanless([](FakeSMCTransport& smc) {
        laptop(smc);
        smc.setValue("FNum", SMCDataType::ui8(), 0);
    });
    EXPECT_TRUE(fanless.pollAt(0ms).fans.empty());
    EXPECT_TRUE(fanless.pollAt(500ms).fans.empty());
    setReading(*fanless.smc, "FNum", 2);
    EXPECT_EQ(fanless.pollAt(1000ms).fans.size(), 2u);
}

TEST(SensorPollerCore, ImplausibleBoundsNeverReplaceCachedOnes) {
    // Little-endian float images the encoder will not make; they reach the
    // poller as failed reads.
    const std::vector<std::uint8_t> infinity = {0x00, 0x00, 0x80, 0x7F};
    const std::vector<std::uint8_t> notANumber = {0x00, 0x00, 0xC0, 0x7F};
    struct Case {
        const char* name;
        double min;
        std::variant<double, std::vector<std::uint8_t>> max;
    };
    const Case cases[] = {
        {"maximum reads 0", 1200, 0.0},
        {"minimum at the maximum", 5000, 5000.0},
        {"minimum above the maximum", 6000, 5000.0},
        {"a negative maximum", -10, -5.0},
        {"an infinite maximum", 1200, infinity},
        {"not a number", 1200, notANumber},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.pollAt(0ms);  // caches 1200 to 6200
        setReading(*rig.smc, "F0Mn", c.min);
        if (const double* max = std::get_if<double>(&c.max))
            setReading(*rig.smc, "F0Mx", *max);
        else
            rig.smc->setKey({"F0Mx", SMCDataType::flt(), std::get<std::vector<std::uint8_t>>(c.max)});
        const FanStatus refreshed = rig.pollAt(1000ms).fans.front();
        EXPECT_EQ(refreshed.minRPM, 1200);
        EXPECT_EQ(refreshed.maxRPM, 6200);
        EXPECT_EQ(rig.pollAt(1500ms).fans.front().maxRPM, 6200) << "the cache is kept";

        // A plausible pair replaces the cache on the next refresh.
        setReading(*rig.smc, "F0Mn", 1000);
        setReading(*rig.smc, "F0Mx", 5000);
        EXPECT_EQ(rig.pollAt(2000ms).fans.front().maxRPM, 5000);
        EXPECT_EQ(rig.pollAt(2500ms).fans.front().minRPM, 1000);
    }
}

TEST(SensorPollerCore, WithoutCachedBoundsImplausibleOnesAreReportedAsRead) {
    Rig rig([](FakeSMCTransport& smc) {
        laptop(smc);
        smc.setValue("F0Mx", SMCDataType::flt(), 0);
    });
    const FanStatus first = rig.pollAt(0ms).fans.front();
    EXPECT_EQ(first.minRPM, 1200);
    EXPECT_EQ(first.maxRPM, 0);
    rig.smc->clearRequests();
    // Nothing was cached, so the bounds are read again between refreshes.
    EXPECT_EQ(rig.pollAt(500ms).fans.front().maxRPM, 0);
    EXPECT_EQ(rig.smc->requestCount(SMCCommand::readValue, "F0Mx"), 1u);
    EXPECT_EQ(rig.smc->requestCount(SMCCommand::readValue, "F1Mx"), 0u);
}

TEST(SensorPollerCore, HIDDisplayNames) {
    struct Case {
        const char* product;
        const char* shown;
    };
    const Case cases[] = {
        {"PMU tdie5", "Die Sensor 5"},
        {"PMU tdie+07", "Die Sensor 7"},
        {"PMU tdie0012", "Die Sensor 12"},
        {"PMU tdie-3", "Die Sensor -3"},
        {"PMU tdie-0", "Die Sensor 0"},
        {"PMU tdie9223372036854775807", "Die Sensor 9223372036854775807"},
        {"PMU tdie-9223372036854775808", "Die Sensor -9223372036854775808"},
        {"PMU tdie9223372036854775808", "PMU tdie9223372036854775808"},
        {"PMU tdie-9223372036854775809", "PMU tdie-9223372036854775809"},
        {"PMU tdie", "PMU tdie"},
        {"PMU tdie+", "PMU tdie+"},
        {"PMU tdie-", "PMU tdie-"},
        {"PMU tdie+-5", "PMU tdie+-5"},
        {"PMU tdie 5", "PMU tdie 5"},
        {"PMU tdie5 ", "PMU tdie5 "},
        {"PMU tdie5a", "PMU tdie5a"},
        {"PMU tdie0x1F", "PMU tdie0x1F"},
        {"PMU tdie\u0665", "PMU tdie\u0665"},  // a digit, but not an ASCII one
        {"PMU tdev1", "PMU tdev1"},
        {"pmu tdie1", "pmu tdie1"},
        {"NAND CH0 temp", "SSD (NAND)"},
        {"NAND CH0 temp ", "NAND CH0 temp "},
        {"NAND CH1 temp", "NAND CH1 temp"},
        {"gas gauge battery", "Battery (Gas Gauge)"},
        {"Gas gauge battery", "Gas gauge battery"},
        {"", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(SensorPoller::hidDisplayName(c.product), c.shown) << c.product;
}

TEST(SensorPollerCore, HIDSensorsCarryTheProductNameInIdAndKey) {
    Rig rig;
    rig.setHID({{"PMU tdie+07", 41.5}, {"gas gauge battery", 26}, {"Some probe", 30}});
    const Result result = rig.pollAt(0ms);
    const std::vector<SMCSensor> hid(result.allSensors.end() - 3, result.allSensors.end());
    const auto e = SensorCategory::enclosure;
    const auto t = SensorClass::temperature;
    EXPECT_EQ(hid, (std::vector<SMCSensor>{
                       {"hid:PMU tdie+07", "hid:PMU tdie+07", "Die Sensor 7", e, 41.5, t, "\u00B0C"},
                       {"hid:gas gauge battery", "hid:gas gauge battery", "Battery (Gas Gauge)", e, 26, t, "\u00B0C"},
                       {"hid:Some probe", "hid:Some probe", "Some probe", e, 30, t, "\u00B0C"},
                   }));
    EXPECT_EQ(keysOf(result.temperatureSensors), (std::vector<std::string>{"TC0P", "Tp01"})) << "no HID sensors";
}

TEST(SensorPollerCore, AvailableWhenAnySensorOrFanCanBeRead) {
    auto noSensors = [](FakeSMCTransport& smc) {  // no "#KEY": the walk finds nothing
        laptop(smc);
        smc.removeKey("#KEY");
    };
    auto noFans = [](FakeSMCTransport& smc) {
        laptop(smc);
        smc.setValue("FNum", SMCDataType::ui8(), 0);
    };
    auto nothing = [](FakeSMCTransport&) {};
    struct Case {
        const char* name;
        std::function<void(FakeSMCTransport&)> setup;
        bool hidReachable;
        std::size_t sensors;
        std::size_t fans;
    };
    const Case cases[] = {
        {"fans only", noSensors, false, 0, 2},
        {"SMC sensors only", noFans, false, kLaptopSensorKeys.size(), 0},
        {"HID sensors only", nothing, true, 2, 0},
        {"nothing at all", nothing, false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig(c.setup);
        if (!c.hidReachable) rig.nextHIDServices.reset();
        const Result result = rig.pollAt(0ms);
        EXPECT_EQ(result.allSensors.size(), c.sensors);
        EXPECT_EQ(result.fans.size(), c.fans);
        EXPECT_EQ(result.smcAvailable, c.sensors + c.fans > 0);
        EXPECT_TRUE(result.sensorsRefreshed);
    }
}

TEST(SensorPollerCore, AConnectionThatFailsLaterKeepsTheLastValuesAndTheFans) {
    Rig rig;
    const Result before = rig.pollAt(0ms);
    rig.smc->setInterceptor(
        [](const SMCParamStruct&) -> std::optional<SMCParamStruct> { throw SMCError::callFailed(iokit::kIOReturnNotResponding); });

    for (auto at : {1000ms, 1500ms, 40000ms}) {
        SCOPED_TRACE(at.count());
        const Result after = rig.pollAt(at);
        EXPECT_EQ(after.allSensors, before.allSensors);
        ASSERT_EQ(after.fans.size(), 2u);
        for (const FanStatus& fan : after.fans) {
            EXPECT_FALSE(fan.currentRPMValid);
            EXPECT_EQ(fan.maxRPM, 6200) << "cached bounds";
        }
        EXPECT_TRUE(after.smcAvailable);
    }
}

// Failing reads are weather; a connection lost for good (the SMC went away)
// is no SMC at all, so the engine opens a new one rather than showing the
// last values for ever.
TEST(SensorPollerCore, AConnectionLostForGoodReadsAsNoSMC) {
    Rig rig;
    ASSERT_TRUE(rig.pollAt(0ms).smcAvailable);
    rig.smc->loseConnection();
    for (auto at : {100ms, 1000ms, 40000ms}) {
        SCOPED_TRACE(at.count());
        EXPECT_EQ(rig.pollAt(at), Result{});
    }
}

TEST(SensorPollerCore, TheKeyWalkRunsOncePerPoller) {
    Rig rig;
    rig.core->discoverIfNeeded();
    const std::size_t walked = rig.smc->requestCount(SMCCommand::keyAtIndex);
    EXPECT_GT(walked, 0u);
    EXPECT_EQ(rig.hidSourcesMade, 0) << "the walk reads no HID sensors";
    rig.core->discoverIfNeeded();
    const Result first = rig.pollAt(0ms);
    rig.pollAt(1000ms);
    EXPECT_EQ(rig.smc->requestCount(SMCCommand::keyAtIndex), walked);
    EXPECT_EQ(keysOf(first.temperatureSensors), (std::vector<std::string>{"TC0P", "Tp01"}));

    // A walk that found nothing is not repeated either.
    Rig empty([](FakeSMCTransport& smc) {
        laptop(smc);
        smc.setValue("#KEY", SMCDataType::ui32(), 0);
    });
    empty.pollAt(0ms);
    setReading(*empty.smc, "#KEY", 17);
    empty.pollAt(1000ms);
    EXPECT_EQ(empty.smc->requestCount(SMCCommand::keyAtIndex), 0u);
}

// ---- The actor ----------------------------------------------------------

// Runs this thread's event loop until the task is done or the limit passes.
template <typename T>
bool finishes(const QCoro::Task<T>& task, std::chrono::milliseconds limit = 20s) {
    QDeadlineTimer deadline(limit);
    QTimer wake;  // so the deadline is noticed while nothing else happens
    wake.start(10);
    while (!task.isReady() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    return task.isReady();
}

template <typename T>
T resultOf(QCoro::Task<T>& task) {
    EXPECT_TRUE(finishes(task));
    return QCoro::waitFor(task);
}

// Holds the SMC's first exchange until released, and counts exchanges in
// progress at once.
class Gate {
public:
    std::optional<SMCParamStruct> enter() {
        const int inFlight = ++inFlight_;
        int seen = maxInFlight_.load();
        while (inFlight > seen && !maxInFlight_.compare_exchange_weak(seen, inFlight)) {
        }
        {
            std::unique_lock lock(mutex_);
            threads_.insert(QThread::currentThread());
            if (!held_) {
                held_ = true;
                waiting_ = true;
                changed_.notify_all();
                changed_.wait(lock, [this] { return released_; });
                waiting_ = false;
            }
        }
        --inFlight_;
        return std::nullopt;  // the miniature answers
    }
    bool waitUntilHolding(std::chrono::seconds limit = 20s) {
        std::unique_lock lock(mutex_);
        return changed_.wait_for(lock, limit, [this] { return waiting_; });
    }
    void release() {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    int maxInFlight() const { return maxInFlight_; }
    std::set<QThread*> threads() const {
        std::lock_guard lock(mutex_);
        return threads_;
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    bool held_ = false;
    bool waiting_ = false;
    bool released_ = false;
    std::set<QThread*> threads_;
    std::atomic<int> inFlight_{0};
    std::atomic<int> maxInFlight_{0};
};

struct ActorRig {
    ActorRig() {
        auto transport = std::make_unique<FakeSMCTransport>();
        smc = transport.get();
        laptop(*smc);
        poller = std::make_unique<SensorPoller>(
            std::make_shared<SMCKernelBridge>(std::move(transport)),
            [this] {
                hidThread = QThread::currentThread();
                auto client = std::make_unique<FakeHIDEventSystemClient>();
                client->setServices(hidServices({{"PMU tdie2", 41}}));
                return std::make_unique<HIDSensorSource>(std::move(client));
            },
            [this] {
                clockThread = QThread::currentThread();
                return now.load();
            });
    }

    FakeSMCTransport* smc = nullptr;
    std::atomic<std::chrono::nanoseconds> now{100s};
    std::atomic<QThread*> hidThread{nullptr};
    std::atomic<QThread*> clockThread{nullptr};
    std::unique_ptr<SensorPoller> poller;
};

TEST(SensorPollerActor, ReadsRunOnTheActorThreadAndAnswerAsTheCoreDoes) {
    ActorRig rig;
    Gate gate;
    gate.release();  // counts threads only
    rig.smc->setInterceptor([&gate](const SMCParamStruct&) { return gate.enter(); });

    auto discovered = rig.poller->discoverIfNeeded();
    ASSERT_TRUE(finishes(discovered));
    auto hidden = rig.poller->setRegistryConsumersVisible(false);
    ASSERT_TRUE(finishes(hidden));
    auto first = rig.poller->poll();
    const Result answer = resultOf(first);

    EXPECT_TRUE(answer.sensorsRefreshed);
    EXPECT_EQ(answer.allSensors.back().name, "Die Sensor 2");
    EXPECT_EQ(answer.fans.size(), 2u);
    EXPECT_EQ(gate.threads(), std::set<QThread*>{rig.poller->thread()});
    EXPECT_EQ(rig.hidThread.load(), rig.poller->thread());
    EXPECT_EQ(rig.clockThread.load(), rig.poller->thread());
    EXPECT_NE(rig.poller->thread(), QThread::currentThread());

    // The hidden state reached the core: one second on, a partial refresh
    // leaves the voltage as it was.
    setReading(*rig.smc, "VD0R", 99);
    rig.now = rig.now.load() + 1s;
    auto second = rig.poller->poll();
    EXPECT_EQ(valueOf(resultOf(second), "VD0R"), 12);
}

TEST(SensorPollerActor, PollsAwaitedTogetherRunOneAfterTheOther) {
    ActorRig rig;
    Gate gate;
    rig.smc->setInterceptor([&gate](const SMCParamStruct&) { return gate.enter(); });

    auto first = rig.poller->poll();
    ASSERT_TRUE(gate.waitUntilHolding()) << "the first poll never reached the SMC";
    auto second = rig.poller->poll();
    EXPECT_FALSE(first.isReady());
    EXPECT_FALSE(second.isReady());
    gate.release();

    const Result a = resultOf(first);
    const Result b = resultOf(second);
    EXPECT_EQ(gate.maxInFlight(), 1);
    EXPECT_EQ(gate.threads(), std::set<QThread*>{rig.poller->thread()});
    // The second saw all the first did: same instant, so no second refresh.
    EXPECT_TRUE(a.sensorsRefreshed);
    EXPECT_FALSE(b.sensorsRefreshed);
    EXPECT_EQ(b.allSensors, a.allSensors);
    EXPECT_EQ(b.fans, a.fans);
}

TEST(SensorPollerActor, APollerDestroyedDuringAStuckReadAnswersEveryCaller) {
    ActorRig rig;
    Gate gate;
    rig.smc->setInterceptor([&gate](const SMCParamStruct&) { return gate.enter(); });

    auto stuck = rig.poller->poll();
    ASSERT_TRUE(gate.waitUntilHolding());
    auto queued = rig.poller->poll();
    auto queuedVisibility = rig.poller->setRegistryConsumersVisible(false);

    std::atomic<bool> stopping{false};
    std::thread releaser([&] {
        while (!stopping) std::this_thread::yield();
        gate.release();
    });
    stopping = true;
    rig.poller.reset();  // waits for the stuck read to come back
    releaser.join();

    ASSERT_TRUE(finishes(stuck));
    ASSERT_TRUE(finishes(queued));
    ASSERT_TRUE(finishes(queuedVisibility));
    EXPECT_TRUE(QCoro::waitFor(stuck).sensorsRefreshed) << "the read in progress completes";
    const Result queuedAnswer = QCoro::waitFor(queued);
    EXPECT_EQ(queuedAnswer.fans.size(), 2u) << "the queued poll ran before the thread stopped";
    EXPECT_TRUE(queuedAnswer.smcAvailable);
}

}  // namespace
}  // namespace zephrane
