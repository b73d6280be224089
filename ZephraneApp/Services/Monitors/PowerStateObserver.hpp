// Where the machine's power comes from and what the battery is doing: one
// reading asks the power-sources service for the providing source, reads the
// battery's registry entry ("AppleSmartBattery"), the external adapter's
// details and the root domain's lid state, and returns them as one Reading.
// Anything missing or ill-typed gives a neutral value; nothing throws.
//
// The battery's health is not in the registry: the system profiler reports
// it, and it is slow. The first reading that finds a battery starts one
// probe per observer, at background priority; readings carry the health once
// the probe has stored it, and never wait for it. The probe has a time-out
// (the profiler can hang): past it the profiler is killed and the health
// stays unknown until the next launch.
//
// PowerStateObserver::Core reads synchronously and knows no threads;
// PowerStateObserver runs it on an actor thread of its own and the probe on
// a second, background one, and is what the engine awaits. Destroying it
// kills a profiler still running and joins both threads.
//
// The profiler is "/usr/sbin/system_profiler", or the program named by
// $ZEPHRANE_SYSTEM_PROFILER (so that the app finds the simulated machine's
// stand-in, zephrane-system-profiler).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>
#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/Actor.hpp"
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

    class Core {
    public:
        explicit Core(std::shared_ptr<iokit::IORegistry> registry);

        // The health in it is the one stored last, if any.
        Reading read();

        PowerSource readPowerSource() const;
        Battery readBattery();
        double readAdapterWatts() const;  // at least 0
        bool readClamshell() const;

        // True once: after the first reading that found a battery, when the
        // health should be asked for.
        bool takeHealthProbeRequest();
        void storeBatteryHealth(std::optional<std::int64_t> percent);

    private:
        std::shared_ptr<iokit::IORegistry> registry_;
        std::optional<std::int64_t> healthPercent_;
        bool batterySeen_ = false;
        bool probeRequested_ = false;
    };

    // The app's entry passes this machine's registry and
    // SystemProfilerOptions::fromEnvironment().
    PowerStateObserver(std::shared_ptr<iokit::IORegistry> registry, SystemProfilerOptions profiler);
    // Kills a profiler still running, lets the reading in progress and those
    // already asked for finish, and joins both threads.
    ~PowerStateObserver();
    PowerStateObserver(const PowerStateObserver&) = delete;
    PowerStateObserver& operator=(const PowerStateObserver&) = delete;

    // Core::read() on the actor thread, starting the health probe the first
    // time it finds a battery; resumes the caller on its own thread. Throws
    // ActorStopped only to a caller that outlived the observer.
    QCoro::Task<Reading> read();

    // The thread every reading runs on.
    QThread* thread() { return actor_.thread(); }
    // For tests: probes started, and those whose result reached the core
    // (whatever it was).
    int probesStarted() const { return probesStarted_; }
    int probesFinished() const { return probesFinished_; }

private:
    void startHealthProbe();

    Core core_;
    const SystemProfilerOptions profiler_;
    std::stop_source stopProbe_;
    std::atomic<int> probesStarted_{0};
    std::atomic<int> probesFinished_{0};
    Actor actor_;
    Actor probe_;
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
// arguments "SPPowerDataType" "-json" "-detailLevel" "mini", its report read
// as batteryHealthFromPowerReport does. Nothing when the profiler fails,
// times out (logged) or is stopped.
std::optional<BatteryHealthReport> probeBatteryHealth(const SystemProfilerOptions& profiler,
                                                      std::stop_token stop = {});

}  // namespace zephrane
