#include "ZephraneApp/Services/Monitors/PowerStateObserver.hpp"

#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/iokit/FakeIORegistry.hpp"
#include "tests/ZephraneApp/Services/Monitors/ScriptDirectory.hpp"

namespace zephrane {
namespace {

using namespace std::chrono_literals;
using nlohmann::json;
using Battery = PowerStateObserver::Battery;
using testing::eventually;
using testing::ScriptDirectory;

constexpr std::string_view kRootDomainPath = "IOPower:/IOPowerConnection/IOPMrootDomain";

// A report as the profiler prints it, with the given maximum capacity.
std::string report(const std::string& maximumCapacity) {
    return R"({"SPPowerDataType": [{"_name": "spbattery_information",
               "sppower_battery_health_info": {"sppower_battery_health_maximum_capacity": )" +
           maximumCapacity + "}}]}";
}

// Every test starts with a fresh health cache and leaves no probe running.
class PowerStateObserverTest : public ::testing::Test {
protected:
    void SetUp() override { BatteryHealthCacheTesting::reset(); }
    void TearDown() override { EXPECT_TRUE(probesHaveFinished()) << "a probe is still running"; }

    static bool probesHaveFinished() {
        return eventually(
            [] { return BatteryHealthCacheTesting::probesFinished() == BatteryHealthCacheTesting::probesStarted(); });
    }

    // An observer of `registry` whose profiler is a script with `body`. Each
    // gets a file of its own: rewriting a script that an earlier probe may be
    // starting could fail with "text file busy".
    PowerStateObserver observer(std::shared_ptr<iokit::FakeIORegistry> registry, const std::string& body = "exit 1",
                                std::chrono::milliseconds timeout = 20s) {
        const std::string name = "profiler-" + std::to_string(++profilers_);
        return PowerStateObserver(std::move(registry), {scripts_.script(name, body), timeout});
    }

    static std::shared_ptr<iokit::FakeIORegistry> withBattery(json battery) {
        auto registry = std::make_shared<iokit::FakeIORegistry>();
        registry->addService("AppleSmartBattery", std::move(battery));
        return registry;
    }

    ScriptDirectory scripts_;
    int profilers_ = 0;
};

TEST_F(PowerStateObserverTest, ADesktopWithoutABatteryReadsNeutralAndRunsNoProfiler) {
    auto registry = std::make_shared<iokit::FakeIORegistry>();
    registry->setPowerSourceType("AC Power");
    const auto reading = observer(registry, "touch ran; " + std::string("echo '") + report("\"87%\"") + "'").read();

    EXPECT_EQ(reading.telemetry.source, PowerSource::ac);
    EXPECT_FALSE(reading.telemetry.hasBattery);
    EXPECT_EQ(reading.telemetry.systemWatts, 0);
    EXPECT_EQ(reading.telemetry.batteryWattHours, 0);
    EXPECT_EQ(reading.telemetry.batteryLevelPercent, std::nullopt);
    EXPECT_EQ(reading.telemetry.batteryCycleCount, std::nullopt);
    EXPECT_EQ(reading.telemetry.batteryHealthPercent, std::nullopt);
    EXPECT_EQ(reading.telemetry.adapterWatts, 0);
    EXPECT_FALSE(reading.clamshell);
    EXPECT_EQ(BatteryHealthCacheTesting::probesStarted(), 0);
    EXPECT_FALSE(scripts_.read("ran").has_value()) << "the profiler ran";
}

TEST_F(PowerStateObserverTest, BatteryFieldsFromTheRegistry) {
    const json dischargingBattery = {{"Amperage", -1500},      {"Voltage", 12000},   {"AppleRawMaxCapacity", 5000},
                                     {"CurrentCapacity", 50},   {"MaxCapacity", 200}, {"CycleCount", 300},
                                     {"IsCharging", false},     {"FullyCharged", false}};
    auto with = [&](json changes, std::vector<std::string> removed = {}) {
        json battery = dischargingBattery;
        for (const std::string& key : removed) battery.erase(key);
        if (changes.is_object()) battery.update(changes);
        return battery;
    };
    Battery discharging;
    discharging.systemWatts = 18;
    discharging.batteryLevelPercent = 25;
    discharging.batteryCycleCount = 300;
    discharging.hasBattery = true;
    discharging.batteryWattHours = 60;
    auto expect = [&](const std::function<void(Battery&)>& change) {
        Battery b = discharging;
        change(b);
        return b;
    };

    struct Row {
        const char* edge;
        json battery;
        Battery expected;
    } rows[] = {
        {"discharging: -1500 mA at 12000 mV is 18 W; 5000 mAh is 60 Wh", dischargingBattery, discharging},
        {"charging current is a magnitude too", with({{"Amperage", 2000}}),
         expect([](Battery& b) { b.systemWatts = 24; })},
        {"without \"Amperage\", \"InstantAmperage\"", with({{"InstantAmperage", -1000}}, {"Amperage"}),
         expect([](Battery& b) { b.systemWatts = 12; })},
        {"an \"Amperage\" that is not a number falls back",
         with({{"Amperage", "-1500"}, {"InstantAmperage", -500}}), expect([](Battery& b) { b.systemWatts = 6; })},
        {"a Boolean is not a number", with({{"Amperage", true}}), expect([](Battery& b) { b.systemWatts = 0; })},
        {"no current at all", with({}, {"Amperage"}), expect([](Battery& b) { b.systemWatts = 0; })},
        {"a negative current in its unsigned pattern", with({{"Amperage", 18446744073709550116ULL}}), discharging},
        {"a fractional current truncates", with({{"Amperage", -1500.9}}), discharging},
        {"a negative voltage counts as 0", with({{"Voltage", -12000}}),
         expect([](Battery& b) { b.systemWatts = 0, b.batteryWattHours = 0; })},
        {"a voltage that is not a number counts as 0", with({{"Voltage", "12000"}}),
         expect([](Battery& b) { b.systemWatts = 0, b.batteryWattHours = 0; })},
        {"no capacity anywhere: 0 Wh, watts still there", with({}, {"AppleRawMaxCapacity"}),
         expect([](Battery& b) { b.batteryWattHours = 0; })},
        {"capacity from BatteryData's AppleRawMaxCapacity first",
         with({{"AppleRawMaxCapacity", -1},
               {"BatteryData", {{"AppleRawMaxCapacity", 4000}, {"FullChargeCapacity", 3000}}}}),
         expect([](Battery& b) { b.batteryWattHours = 48; })},
        {"then its FullChargeCapacity",
         with({{"BatteryData",
                {{"AppleRawMaxCapacity", "x"}, {"FullChargeCapacity", 3000}, {"NominalChargeCapacity", 2000}}}},
              {"AppleRawMaxCapacity"}),
         expect([](Battery& b) { b.batteryWattHours = 36; })},
        {"then its NominalChargeCapacity",
         with({{"BatteryData", {{"FullChargeCapacity", -5}, {"NominalChargeCapacity", 2000}}}},
              {"AppleRawMaxCapacity"}),
         expect([](Battery& b) { b.batteryWattHours = 24; })},
        {"a negative nominal capacity counts as 0",
         with({{"BatteryData", {{"NominalChargeCapacity", -2000}}}}, {"AppleRawMaxCapacity"}),
         expect([](Battery& b) { b.batteryWattHours = 0; })},
        {"BatteryData that is not a dictionary", with({{"BatteryData", json::array({5000})}}, {"AppleRawMaxCapacity"}),
         expect([](Battery& b) { b.batteryWattHours = 0; })},
        {"a level above the maximum is 100", with({{"CurrentCapacity", 250}}),
         expect([](Battery& b) { b.batteryLevelPercent = 100; })},
        {"a level rounds halves away from zero", with({{"CurrentCapacity", 1}, {"MaxCapacity", 8}}),
         expect([](Battery& b) { b.batteryLevelPercent = 13; })},
        {"a maximum of 0 gives no level", with({{"MaxCapacity", 0}}),
         expect([](Battery& b) { b.batteryLevelPercent = std::nullopt; })},
        {"a negative current capacity gives no level", with({{"CurrentCapacity", -1}}),
         expect([](Battery& b) { b.batteryLevelPercent = std::nullopt; })},
        {"no maximum gives no level", with({}, {"MaxCapacity"}),
         expect([](Battery& b) { b.batteryLevelPercent = std::nullopt; })},
        {"a cycle count of -1 is none", with({{"CycleCount", -1}}),
         expect([](Battery& b) { b.batteryCycleCount = std::nullopt; })},
        {"a cycle count that is text is none", with({{"CycleCount", "300"}}),
         expect([](Battery& b) { b.batteryCycleCount = std::nullopt; })},
        {"flags as Booleans", with({{"IsCharging", true}, {"FullyCharged", true}}),
         expect([](Battery& b) { b.isCharging = true, b.isFullyCharged = true; })},
        {"flags as numbers: non-zero is true", with({{"IsCharging", 1}, {"FullyCharged", 0.5}}),
         expect([](Battery& b) { b.isCharging = true, b.isFullyCharged = true; })},
        {"flags as zero, text or absent are false", with({{"IsCharging", 0}, {"FullyCharged", "Yes"}}), discharging},
        {"flags absent are false", with({}, {"IsCharging", "FullyCharged"}), discharging},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        // The profiler fails, so no row ever carries a health figure.
        EXPECT_EQ(observer(withBattery(row.battery)).readBattery(), row.expected);
    }
}

TEST_F(PowerStateObserverTest, PowerSourceTextsCompareExactly) {
    const std::pair<std::optional<std::string>, PowerSource> rows[] = {
        {"AC Power", PowerSource::ac},      {"Battery Power", PowerSource::battery},
        {"UPS Power", PowerSource::unknown}, {"ac power", PowerSource::unknown},
        {"", PowerSource::unknown},         {std::nullopt, PowerSource::unknown},
    };
    auto registry = std::make_shared<iokit::FakeIORegistry>();
    const PowerStateObserver reader = observer(registry);
    for (const auto& [type, source] : rows) {
        SCOPED_TRACE(type.value_or("<none>"));
        registry->setPowerSourceType(type);
        EXPECT_EQ(reader.readPowerSource(), source);
    }
}

TEST_F(PowerStateObserverTest, AdapterWattsFromADictionaryOnly) {
    const std::pair<std::optional<json>, double> rows[] = {
        {json{{"Watts", 96}, {"Current", 4700}}, 96},
        {json{{"Watts", 67.5}}, 67.5},
        {json{{"Watts", -5}}, 0},
        {json{{"Watts", "96"}}, 0},
        {json{{"Watts", true}}, 0},
        {json::object(), 0},
        {json::array({96}), 0},
        {json(96), 0},
        {std::nullopt, 0},
    };
    auto registry = std::make_shared<iokit::FakeIORegistry>();
    const PowerStateObserver reader = observer(registry);
    for (const auto& [details, watts] : rows) {
        SCOPED_TRACE(details ? details->dump() : "<none>");
        registry->setAdapterDetails(details);
        EXPECT_EQ(reader.readAdapterWatts(), watts);
    }
}

TEST_F(PowerStateObserverTest, ClamshellFromThePathElseTheFirstRootDomain) {
    struct Row {
        const char* edge;
        std::optional<json> atPath;
        std::vector<json> matching;
        bool closed;
    } rows[] = {
        {"a Boolean", json{{"AppleClamshellState", true}}, {}, true},
        {"false", json{{"AppleClamshellState", false}}, {}, false},
        {"the number 1", json{{"AppleClamshellState", 1}}, {}, true},
        {"the number 0", json{{"AppleClamshellState", 0}}, {}, false},
        {"a text", json{{"AppleClamshellState", "Yes"}}, {}, false},
        {"no property", json::object(), {json{{"AppleClamshellState", true}}}, false},
        {"no entry at the path: the matching service",
         std::nullopt,
         {json{{"AppleClamshellState", true}}, json{{"AppleClamshellState", false}}},
         true},
        {"no root domain at all", std::nullopt, {}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        auto registry = std::make_shared<iokit::FakeIORegistry>();
        if (row.atPath) registry->setEntry(std::string(kRootDomainPath), *row.atPath);
        for (const json& service : row.matching) registry->addService("IOPMrootDomain", service);
        EXPECT_EQ(observer(registry).readClamshell(), row.closed);
    }
}

TEST_F(PowerStateObserverTest, ReadingGathersThePartsAndKeepsTheLidOutOfTheTelemetry) {
    auto registry = withBattery({{"Amperage", -2000}, {"Voltage", 11000}, {"AppleRawMaxCapacity", 6000},
                                 {"CurrentCapacity", 77}, {"MaxCapacity", 100}, {"CycleCount", 12}});
    registry->setPowerSourceType("Battery Power");
    registry->setAdapterDetails(json{{"Watts", 140}});
    registry->setEntry(std::string(kRootDomainPath), {{"AppleClamshellState", true}});

    const PowerStateObserver::Reading reading = observer(registry).read();
    PowerTelemetry expected;
    expected.source = PowerSource::battery;
    expected.systemWatts = 22;
    expected.adapterWatts = 140;
    expected.batteryLevelPercent = 77;
    expected.batteryCycleCount = 12;
    expected.hasBattery = true;
    expected.batteryWattHours = 66;
    EXPECT_EQ(reading.telemetry, expected);
    EXPECT_TRUE(reading.clamshell);
    EXPECT_FALSE(reading.telemetry.isClamshell);
}

TEST(PowerStateObserverProperties, NonNegativeNumbersAndDictionaries) {
    const json entry = {{"zero", 0},     {"real", 2.5},           {"negative", -1},     {"text", "5"},
                        {"flag", true},  {"big", 1e300},          {"object", {{"a", 1}}}, {"array", json::array()},
                        {"null", nullptr}};
    EXPECT_EQ(registryNonNegativeNumber("zero", entry), 0.0);
    EXPECT_EQ(registryNonNegativeNumber("real", entry), 2.5);
    EXPECT_EQ(registryNonNegativeNumber("big", entry), 1e300);
    for (const char* name : {"negative", "text", "flag", "object", "null", "missing"})
        EXPECT_EQ(registryNonNegativeNumber(name, entry), std::nullopt) << name;

    EXPECT_EQ(registryDictionaryProperty("object", entry), (json{{"a", 1}}));
    for (const char* name : {"array", "text", "null", "missing"})
        EXPECT_EQ(registryDictionaryProperty(name, entry), std::nullopt) << name;
}

TEST(PowerStateObserverReport, TheHealthComesFromTheFirstBatteryItemWithACapacity) {
    using Found = std::optional<std::optional<std::int64_t>>;  // outer: written at all
    auto battery = [](const std::string& capacity) {
        return R"({"_name": "spbattery_information", "sppower_battery_health_info":
                   {"sppower_battery_health_maximum_capacity": )" +
               capacity + "}}";
    };
    auto items = [](const std::string& list) { return R"({"SPPowerDataType": [)" + list + "]}"; };
    struct Row {
        const char* edge;
        std::string text;
        Found found;
    } rows[] = {
        {"a percent text", report("\"87%\""), 87},
        {"a number", report("91.5"), 92},
        {"a text without digits is written as none", report("\"n/a\""), Found(std::optional<std::int64_t>())},
        {"a number above 100 is written as none", report("100.4"), Found(std::optional<std::int64_t>())},
        {"the first usable item wins",
         items(battery("true") + "," + R"({"_name": "sppower_ac_charger_information"})" + "," + battery("\"93%\"") +
               "," + battery("\"50%\"")),
         93},
        {"an item with another name is skipped", items(R"({"_name": "x", "sppower_battery_health_info":
             {"sppower_battery_health_maximum_capacity": "50%"}},)" + battery("\"60%\"")), 60},
        {"health info that is not a dictionary is skipped",
         items(R"({"_name": "spbattery_information", "sppower_battery_health_info": "87%"})"), std::nullopt},
        {"no capacity", items(R"({"_name": "spbattery_information", "sppower_battery_health_info": {}})"),
         std::nullopt},
        {"a name that is not text", items(R"({"_name": 1, "sppower_battery_health_info":
             {"sppower_battery_health_maximum_capacity": "50%"}})"), std::nullopt},
        {"an empty list", items(""), std::nullopt},
        {"a list with an element that is not a dictionary", items(battery("\"87%\"") + ", 1"), std::nullopt},
        {"the list is not an array", R"({"SPPowerDataType": {"_name": "spbattery_information"}})", std::nullopt},
        {"no list", R"({"SPHardwareDataType": []})", std::nullopt},
        {"a top level that is not a dictionary", "[" + report("\"87%\"") + "]", std::nullopt},
        {"not JSON", "87%", std::nullopt},
        {"JSON followed by garbage", report("\"87%\"") + " trailing", std::nullopt},
        {"ill-formed UTF-8", report("\"87\xff%\""), std::nullopt},
        {"nothing", "", std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        const auto health = batteryHealthFromPowerReport(row.text);
        ASSERT_EQ(health.has_value(), row.found.has_value());
        if (health) {
            EXPECT_EQ(health->percent, *row.found);
        }
    }
}

// The profiler stand-ins: each prints or does what its row says; the probe
// must end (on every path) and store only a usable answer.
TEST_F(PowerStateObserverTest, TheProbeStoresOnlyWhatASuccessfulProfilerReports) {
    struct Row {
        const char* edge;
        std::string body;
        std::optional<std::int64_t> health;
    } rows[] = {
        {"a percent text", "echo '" + report("\"87%\"") + "'", 87},
        {"a number", "echo '" + report("91.5") + "'", 92},
        {"noise on stderr is not read", "echo '{' >&2; echo '" + report("\"87%\"") + "'", 87},
        {"a failure after a good report", "echo '" + report("\"87%\"") + "'; exit 1", std::nullopt},
        {"killed by a signal", "echo '" + report("\"87%\"") + "'; kill -9 $$", std::nullopt},
        {"garbage", "echo 'Segmentation fault'", std::nullopt},
        {"a wrong shape", R"(echo '{"SPPowerDataType": "87%"}')", std::nullopt},
    };
    const auto battery = json{{"Voltage", 12000}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.edge);
        BatteryHealthCacheTesting::reset();
        const PowerStateObserver reader = observer(withBattery(battery), row.body);
        reader.read();
        ASSERT_TRUE(eventually([] { return BatteryHealthCacheTesting::probesFinished() == 1; }));
        EXPECT_EQ(reader.read().telemetry.batteryHealthPercent, row.health);
        EXPECT_EQ(BatteryHealthCacheTesting::probesStarted(), 1) << "one probe per process";
    }
}

TEST_F(PowerStateObserverTest, TheProfilerGetsItsArgumentsAndReadingNeverWaitsForIt) {
    // The profiler answers only once the test lets it, so the first reading
    // is certainly taken while it runs.
    const std::string body = "echo \"$@\" > arguments; while [ ! -e go ]; do sleep 0.01; done; echo '" +
                             report("\"87%\"") + "'";
    const PowerStateObserver reader = observer(withBattery({{"Voltage", 12000}}), body);
    EXPECT_EQ(reader.read().telemetry.batteryHealthPercent, std::nullopt) << "the first reading has no health";
    // The shell makes the file before echo fills it: wait for the whole line.
    ASSERT_TRUE(eventually([&] { return scripts_.read("arguments").value_or("").ends_with('\n'); }));
    EXPECT_EQ(scripts_.read("arguments"), "SPPowerDataType -json -detailLevel mini\n");
    EXPECT_EQ(reader.read().telemetry.batteryHealthPercent, std::nullopt) << "still running";

    std::ofstream(scripts_.file("go")).put('\n');
    EXPECT_TRUE(eventually([&] { return reader.read().telemetry.batteryHealthPercent == 87; }));
    EXPECT_EQ(BatteryHealthCacheTesting::probesStarted(), 1);
}

TEST_F(PowerStateObserverTest, AHungProfilerIsKilledAndReapedAtTheTimeOut) {
    const std::size_t descriptors = testing::openDescriptorCount();
    // The time-out leaves a loaded machine's shell time to start the child
    // this test then looks for.
    const PowerStateObserver reader = observer(withBattery({{"Voltage", 12000}}),
                                               "echo $$ > pid; sleep 1000 & echo $! > child; wait", 3s);
    reader.read();
    ASSERT_TRUE(eventually([] { return BatteryHealthCacheTesting::probesFinished() == 1; }));

    const auto pid = scripts_.pidIn("pid");
    const auto child = scripts_.pidIn("child");
    ASSERT_TRUE(pid && child) << "the profiler never got going";
    EXPECT_TRUE(testing::processIsReaped(*pid)) << "no zombie of ours";
    EXPECT_TRUE(eventually([&] { return testing::processIsDead(*child); })) << "its child was left running";
    EXPECT_EQ(reader.read().telemetry.batteryHealthPercent, std::nullopt);
    EXPECT_EQ(BatteryHealthCacheTesting::probesStarted(), 1) << "no second try in this launch";
    EXPECT_EQ(testing::openDescriptorCount(), descriptors);
}

TEST_F(PowerStateObserverTest, ConcurrentFirstReadsStartOneProbe) {
    auto registry = withBattery({{"Voltage", 12000}});
    const std::string body = "echo run >> runs; echo '" + report("\"87%\"") + "'";
    const PowerStateObserver first = observer(registry, body);
    const PowerStateObserver second = observer(registry, body);  // shares the process-wide cache

    std::atomic<bool> go{false};
    std::vector<std::thread> readers;
    for (int i = 0; i < 16; ++i)
        readers.emplace_back([&, i] {
            while (!go.load()) std::this_thread::yield();
            (i % 2 == 0 ? first : second).read();
        });
    go = true;
    for (std::thread& reader : readers) reader.join();

    EXPECT_EQ(BatteryHealthCacheTesting::probesStarted(), 1);
    ASSERT_TRUE(eventually([] { return BatteryHealthCacheTesting::probesFinished() == 1; }));
    EXPECT_EQ(scripts_.read("runs"), "run\n");
    EXPECT_EQ(second.read().telemetry.batteryHealthPercent, 87);
}

}  // namespace
}  // namespace zephrane
