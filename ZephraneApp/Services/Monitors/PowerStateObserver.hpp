// Where the machine's power comes from and what the battery is doing: one
// read() asks the power-sources service for the providing source, reads the
// battery's registry entry ("AppleSmartBattery"), the external adapter's
// details and the root domain's lid state, and returns them as one Reading.
//
// read() blocks for as long as the registry takes, so the engine calls it
// off the GUI thread; it never throws (anything missing or ill-typed gives a
// neutral value) and never waits for the system profiler.
//
// The battery's health is not in the registry: the system profiler reports
// it, and it is slow. The first read() that finds a battery starts one probe
// per process, on a detached background thread; readings carry the health
// once the probe has stored it. The probe has a time-out (the profiler can
// hang): past it the profiler is killed and the health stays unknown until
// the next launch.
//
// The profiler is "/usr/sbin/system_profiler", or the program named by
// $ZEPHRANE_SYSTEM_PROFILER (so that the app finds the simulated machine's
// stand-in, zephrane-system-profiler).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "platform/iokit/IORegistry.hpp"
#include "shared/PowerTelemetry.hpp"

namespace zephrane {

struct SystemProfilerOptions {
    static constexpr std::string_view kDefaultPath = "/usr/sbin/system_profiler";
    static constexpr std::string_view kPathVariable = "ZEPHRANE_SYSTEM_PROFILER";
    static constexpr std::chrono::milliseconds kDefaultTimeout{20000};

    std::string path;
    std::chrono::milliseconds timeout = kDefaultTimeout;

    // $ZEPHRANE_SYSTEM_PROFILER when set and not empty, else the system's.
    static SystemProfilerOptions fromEnvironment();
};

class PowerStateObserver {
public:
    struct Reading {
        PowerTelemetry telemetry;  // its isClamshell is always false
        bool clamshell = false;    // the lid is closed

        friend bool operator==(const Reading&, const Reading&) = default;
    };

    // The battery's share of PowerTelemetry.
    struct Battery {
        double systemWatts = 0;  // W, a magnitude
        bool isCharging = false;
        bool isFullyCharged = false;
        std::optional<std::int64_t> batteryLevelPercent;  // 0...100
        std::optional<std::int64_t> batteryCycleCount;    // not negative
        std::optional<std::int64_t> batteryHealthPercent;
        bool hasBattery = false;
        double batteryWattHours = 0;

        friend bool operator==(const Battery&, const Battery&) = default;
    };

    static constexpr std::string_view kRootDomainPath = "IOPower:/IOPowerConnection/IOPMrootDomain";

    // This machine's registry and the profiler from the environment.
    PowerStateObserver();
    PowerStateObserver(std::shared_ptr<iokit::IORegistry> registry, SystemProfilerOptions profiler);

    Reading read() const;

    PowerSource readPowerSource() const;
    Battery readBattery() const;
    double readAdapterWatts() const;  // at least 0
    bool readClamshell() const;

private:
    std::shared_ptr<iokit::IORegistry> registry_;
    SystemProfilerOptions profiler_;
};

// The property as a dictionary (a JSON object), or nothing.
std::optional<nlohmann::json> registryDictionaryProperty(std::string_view name, const iokit::RegistryProperties& entry);

// The property as a Double when it is a number of at least 0; nothing when it
// is absent, not a number (a Boolean is not one) or negative.
std::optional<double> registryNonNegativeNumber(std::string_view name, const iokit::RegistryProperties& entry);

// What a profiler's power report ("SPPowerDataType" as JSON) says about the
// battery's health. Nothing when the report cannot be used or names no
// maximum capacity; otherwise the converted percentage, which may itself be
// absent (a capacity such as "n/a" or "101%").
struct BatteryHealthReport {
    std::optional<std::int64_t> percent;
};
std::optional<BatteryHealthReport> batteryHealthFromPowerReport(std::string_view json);

// One probe, run to its end on the calling thread: the profiler with the
// arguments "SPPowerDataType" "-json" "-detailLevel" "mini", then the report
// into the process-wide cache. read() runs it on a background thread.
void probeBatteryHealth(const SystemProfilerOptions& profiler);

// Test hooks for the process-wide health cache.
struct BatteryHealthCacheTesting {
    // Forgets the started flag and the value. A probe still running from
    // before can no longer store into the cache.
    static void reset();
    // Probes started and finished (on any path) since the last reset.
    static int probesStarted();
    static int probesFinished();
};

}  // namespace zephrane
