// The poller, actor and all, over the simulated two-fan laptop in this
// process: the real key table (2,280 keys), the machine's HID services and
// its fan firmware, with the machine's time and the poller's clock moved
// together by the test.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>

#include <gtest/gtest.h>

#include "ZephraneApp/Services/Monitors/SensorPoller.hpp"
#include "smc/SensorDiscovery.hpp"
#include "tests/integration/InProcessMachine.hpp"
#include "tests/integration/SimulatedHIDEventSystemClient.hpp"

namespace zephrane::integration {
namespace {

using namespace std::chrono_literals;
using Result = SensorPoller::Result;

template <typename T>
T resultOf(QCoro::Task<T>& task) {
    QDeadlineTimer deadline(30s);
    QTimer wake;
    wake.start(10);
    while (!task.isReady() && !deadline.hasExpired()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_TRUE(task.isReady()) << "no answer within 30 s";
    return QCoro::waitFor(task);
}

struct PolledLaptop {
    PolledLaptop()
        : poller(
              machine.bridge,
              [this] {
                  return std::make_unique<HIDSensorSource>(std::make_unique<SimulatedHIDEventSystemClient>(machine.smc));
              },
              [this] { return now.load(); }) {}

    Result poll() {
        auto task = poller.poll();
        return resultOf(task);
    }
    // Only between polls: the machine is not the poller's to move.
    void advance(std::chrono::milliseconds by) {
        machine.advanceSeconds(std::chrono::duration<double>(by).count());
        now = now.load() + by;
    }

    InProcessMachine machine{"two-fan-laptop"};
    std::atomic<std::chrono::nanoseconds> now{1000s};
    SensorPoller poller;
};

const SMCSensor* find(const std::vector<SMCSensor>& sensors, std::string_view key) {
    auto it = std::find_if(sensors.begin(), sensors.end(), [&](const SMCSensor& s) { return s.key == key; });
    return it == sensors.end() ? nullptr : &*it;
}

double valueOf(const Result& result, std::string_view key) {
    const SMCSensor* sensor = find(result.allSensors, key);
    EXPECT_NE(sensor, nullptr) << key;
    return sensor ? sensor->currentTemp : 0;
}

TEST(SensorPollerOverSimTest, FindsTheLaptopsSensorsHIDTemperaturesAndFans) {
    PolledLaptop laptop;
    auto discovered = laptop.poller.discoverIfNeeded();
    resultOf(discovered);
    const Result result = laptop.poll();

    // The SMC part is what a walk of its own finds, in the same order.
    const std::vector<SMCSensor> walk = SensorDiscovery(laptop.machine.bridge).discoverAll();
    ASSERT_GT(walk.size(), 100u);
    ASSERT_GE(result.allSensors.size(), walk.size());
    EXPECT_TRUE(std::equal(walk.begin(), walk.end(), result.allSensors.begin()));
    std::vector<SMCSensor> temperatures;
    std::copy_if(walk.begin(), walk.end(), std::back_inserter(temperatures),
                 [](const SMCSensor& s) { return s.sensorClass == SensorClass::temperature; });
    EXPECT_EQ(result.temperatureSensors, temperatures);

    // Then the HID services, renamed where the app knows better.
    std::vector<std::pair<std::string, std::string>> hid;
    for (auto it = result.allSensors.begin() + static_cast<std::ptrdiff_t>(walk.size()); it != result.allSensors.end();
         ++it)
        hid.emplace_back(it->key, it->name);
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"hid:PMU tdie1", "Die Sensor 1"}, {"hid:PMU tdie2", "Die Sensor 2"},
        {"hid:PMU tdie3", "Die Sensor 3"}, {"hid:PMU tdie4", "Die Sensor 4"},
        {"hid:PMU tdie5", "Die Sensor 5"}, {"hid:PMU tdie6", "Die Sensor 6"},
        {"hid:PMU tdie7", "Die Sensor 7"}, {"hid:PMU tdie8", "Die Sensor 8"},
        {"hid:PMU tdev1", "PMU tdev1"},    {"hid:PMU tdev2", "PMU tdev2"},
        {"hid:PMU tdev3", "PMU tdev3"},    {"hid:PMU tdev4", "PMU tdev4"},
        {"hid:NAND CH0 temp", "SSD (NAND)"}, {"hid:gas gauge battery", "Battery (Gas Gauge)"},
    };
    EXPECT_EQ(hid, expected);
    EXPECT_DOUBLE_EQ(valueOf(result, "hid:gas gauge battery"), 26.2);

    ASSERT_EQ(result.fans.size(), 2u);
    EXPECT_EQ(result.fans[0].minRPM, 1350);
    EXPECT_EQ(result.fans[0].maxRPM, 5349);
    EXPECT_EQ(result.fans[1].minRPM, 1522);
    EXPECT_EQ(result.fans[1].maxRPM, 5777);
    for (const FanStatus& fan : result.fans) EXPECT_TRUE(fan.currentRPMValid);
    EXPECT_TRUE(result.smcAvailable);
    EXPECT_TRUE(result.sensorsRefreshed);
}

TEST(SensorPollerOverSimTest, ReadingsFollowTheMachineAtEachCadence) {
    PolledLaptop laptop;
    const Result idle = laptop.poll();
    laptop.machine.smc.setLoadOverride(1.0);

    // Under load for a minute: the die heats and the firmware spins the fans.
    laptop.advance(60s);
    const Result busy = laptop.poll();
    ASSERT_TRUE(busy.sensorsRefreshed);
    EXPECT_GT(valueOf(busy, "Tp01"), valueOf(idle, "Tp01") + 30);
    EXPECT_GT(valueOf(busy, "hid:PMU tdie1"), valueOf(idle, "hid:PMU tdie1") + 10);
    for (const FanStatus& fan : busy.fans) EXPECT_GT(fan.currentRPM, fan.minRPM) << fan.id;

    // Half a second on: the same lists, the fans read afresh.
    laptop.advance(500ms);
    const Result between = laptop.poll();
    EXPECT_FALSE(between.sensorsRefreshed);
    EXPECT_EQ(between.allSensors, busy.allSensors);
    EXPECT_EQ(between.fans.size(), 2u);

    // Window hidden: temperatures keep following, the HID sensors wait for
    // the next full refresh.
    auto hide = laptop.poller.setRegistryConsumersVisible(false);
    resultOf(hide);
    laptop.advance(10s);
    const Result partial = laptop.poll();
    ASSERT_TRUE(partial.sensorsRefreshed);
    EXPECT_EQ(valueOf(partial, "Tp01"), *laptop.machine.smc.peek("Tp01")->value);
    EXPECT_GT(valueOf(partial, "Tp01"), valueOf(busy, "Tp01"));
    EXPECT_EQ(valueOf(partial, "hid:PMU tdie1"), valueOf(busy, "hid:PMU tdie1"));
    laptop.advance(50s);
    const Result full = laptop.poll();
    EXPECT_GT(valueOf(full, "hid:PMU tdie1"), valueOf(busy, "hid:PMU tdie1"));
}

}  // namespace
}  // namespace zephrane::integration
