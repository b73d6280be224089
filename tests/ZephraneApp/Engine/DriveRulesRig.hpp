// What the tests of the drive rules share: an engine on the harness with the
// daemon connected, two fans of 1200...5000 rpm already read, one CPU
// sensor, instant spooling (each write is the target itself) and the clock
// driven by hand.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <gtest/gtest.h>

#include "EngineHarness.hpp"

namespace zephrane::enginetest {

constexpr double kMinRPM = 1200;
constexpr double kMaxRPM = 5000;

// The rpm a fan of the rig runs at for a fraction of its range.
constexpr double rpmAt(double fraction) { return kMinRPM + fraction * (kMaxRPM - kMinRPM); }

inline std::vector<std::pair<double, double>> curveOf(const FanProfile& profile) {
    std::vector<std::pair<double, double>> points;
    for (const auto& point : profile.curvePoints) points.emplace_back(point.temperature, point.rpmPercentage);
    return points;
}

struct DriveRig {
    // `before` runs on the harness before the engine is made (settings).
    explicit DriveRig(OptionalProfile profile = FanProfile::appleAuto(), bool readFans = true,
                      const std::function<void(EngineHarness&)>& before = {}) {
        if (before) before(h);
        setLocalTime(12, 0);
        engine = &h.make(std::move(profile));
        engine->applyHelperState(HelperState::connected(), engine->bumpHelperStateGeneration());
        engine->setSpoolRate(ZephraneEngine::spoolRateInstant);
        h.driver->bounds = {{0, {kMinRPM, kMaxRPM}}, {1, {kMinRPM, kMaxRPM}}};
        setPower(PowerSource::ac);
        poll(50);
        if (readFans) tick();
        h.driver->writes.clear();
        h.driver->restores.clear();
    }

    ZephraneEngine& e() { return *engine; }

    // The next polls read `sensors` (a CPU sensor at `celsius` unless given).
    void poll(double celsius) { pollSensors({temperatureSensor("TC0P", "CPU Proximity", celsius)}); }
    void pollSensors(std::vector<SMCSensor> sensors) {
        h.poller().results = {pollOf({fan(0, 2000), fan(1, 2100)}, std::move(sensors))};
    }
    void setPower(PowerSource source, double watts = 12.0) {
        h.services->power->reading.telemetry.source = source;
        h.services->power->reading.telemetry.systemWatts = watts;
    }
    void setLid(bool closed) { h.services->power->reading.clamshell = closed; }

    // Sets the wall clock to this local time of a fixed day.
    void setLocalTime(int hour, int minute) {
        const QDateTime local(QDate(2024, 3, 4), QTime(hour, minute));
        h.clock->wall = std::chrono::system_clock::time_point(std::chrono::milliseconds(local.toMSecsSinceEpoch()));
    }

    void tick() {
        auto task = engine->tickOnce();
        ASSERT_TRUE(task.isReady());
    }
    // One second on, then a tick: the once-a-second rules run in it.
    void second() {
        h.clock->advance(std::chrono::seconds(1));
        tick();
    }
    // A tick at this local time, a second after the last one.
    void tickAt(int hour, int minute) {
        h.clock->advance(std::chrono::seconds(1));
        setLocalTime(hour, minute);
        tick();
    }

    // A boosting CPU rule at 95 °C, and a second on which the CPU is at
    // `celsius`.
    void boostOnCpu(double celsius = 96) {
        engine->setAlertRule(SensorCategory::cpu, true, 95, true);
        poll(celsius);
        second();
    }

    // The rpm of the last write to each fan.
    std::map<int, double> lastWrites() const {
        std::map<int, double> last;
        for (const auto& write : h.driver->writes) last[write.fan] = write.rpm;
        return last;
    }

    EngineHarness h;
    ZephraneEngine* engine = nullptr;
};

// The rig with quiet hours switched on (22:00 to 08:00, the defaults).
inline DriveRig quietHoursRig() {
    return DriveRig(FanProfile::appleAuto(), true, [](EngineHarness& h) {
        h.settings->setValue(settings::key::quietHoursEnabled, true);
    });
}

}  // namespace zephrane::enginetest
