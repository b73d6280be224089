// The app's reader of everything it shows and controls by: every SMC sensor,
// the HID temperatures and the state of each fan, read through the app's own
// unprivileged SMC connection. The engine polls once per control tick (up to
// ten times a second), so each poll reads only as much as is due:
//   - the fans on every poll, with count and bounds taken from the cache
//     between sensor refreshes (three SMC reads per fan);
//   - sensor values at most once a second of continuous-clock time;
//   - the full registry (every SMC sensor plus the HID services) at that rate
//     while the main window is visible, otherwise every 30 s, with the polls
//     in between re-reading only temperatures and the two power keys the
//     engine takes the system's draw from.
// The key walk, the costliest step by far, runs once per poller.
//
// SensorPoller::Core holds the state and does the reading synchronously;
// SensorPoller runs one Core on an actor thread of its own, so the SMC and
// HID reads never block the GUI thread. Neither throws nor logs: whatever
// fails below reads as nothing (no sensors, substitute fan values), and a
// connection lost for good (the SMC went away) as no SMC at all, which the
// engine answers by opening a new one.
#pragma once

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/Concurrency/Actor.hpp"
#include "shared/FanModel.hpp"
#include "shared/SensorModel.hpp"
#include "smc/HIDSensorSource.hpp"
#include "smc/SMCFanReader.hpp"
#include "smc/SMCKernelBridge.hpp"
#include "smc/SensorDiscovery.hpp"

namespace zephrane {

class SensorPoller {
public:
    struct Result {
        std::vector<SMCSensor> temperatureSensors;  // the SMC temperature sensors, no HID ones
        std::vector<SMCSensor> allSensors;          // every SMC sensor, then every HID sensor
        std::vector<FanStatus> fans;                // read on this poll
        bool smcAvailable = false;                  // either list above is not empty
        bool sensorsRefreshed = false;              // the sensor lists were re-read on this poll

        friend bool operator==(const Result&, const Result&) = default;
    };

    // Time since an arbitrary origin on a clock that keeps counting while the
    // machine sleeps: a wake-up after an hour is an hour since the last read.
    using Clock = std::function<std::chrono::nanoseconds()>;
    // Makes the HID reader on the first full refresh; a null reader reads as
    // no HID sensors and is asked for again on the next full refresh.
    using HIDSourceFactory = std::function<std::unique_ptr<HIDSensorSource>()>;

    static constexpr std::chrono::seconds kSensorRefreshInterval{1};
    static constexpr std::chrono::seconds kHiddenRegistryRefreshInterval{30};

    // The continuous clock's time since boot.
    static std::chrono::nanoseconds continuousNow();
    // A reader over this process's HID event system.
    static std::unique_ptr<HIDSensorSource> systemHIDSource();

    // The display name of a HID temperature service's product name.
    static std::string hidDisplayName(std::string_view productName);

    class Core {
    public:
        // Without a bridge every poll answers nothing. Reads nothing yet.
        explicit Core(std::shared_ptr<SMCKernelBridge> bridge, HIDSourceFactory makeHIDSource = systemHIDSource,
                      Clock clock = continuousNow);

        Result poll();
        // A change to visible makes the next sensor refresh a full one.
        void setRegistryConsumersVisible(bool visible);
        // The key walk, unless it has run; the sensor lists stay as they are
        // until the next refresh.
        void discoverIfNeeded();

    private:
        std::vector<FanStatus> readFans(bool fullRefresh);
        std::vector<SMCSensor> readHIDSensors();
        static bool isLiveRefreshSensor(const SMCSensor& sensor);

        std::shared_ptr<SMCKernelBridge> bridge_;
        std::optional<SensorDiscovery> discovery_;
        std::optional<SMCFanReader> fanReader_;
        std::vector<SMCSensor> discovered_;
        std::unique_ptr<HIDSensorSource> hidSource_;
        std::vector<SMCSensor> hidSensors_;
        std::vector<SMCSensor> cachedTemperatureOnly_;
        std::vector<SMCSensor> cachedAllSensors_;
        // Absent until the first refresh; the flag pairs avoid optional
        // durations, which GCC 12 misreports under the sanitizers.
        bool hasSensorRefresh_ = false;
        std::chrono::nanoseconds lastSensorRefreshAt_{};
        bool hasRegistryRefresh_ = false;
        std::chrono::nanoseconds lastRegistryRefreshAt_{};
        bool registryConsumersVisible_ = true;
        bool hasDiscovered_ = false;
        bool hasFanCount_ = false;
        int cachedFanCount_ = 0;
        std::map<int, SMCFanReader::Bounds> cachedFanBounds_;
        HIDSourceFactory makeHIDSource_;
        Clock clock_;
    };

    // `bridge` is the app's shared read connection (null: a poller that
    // stays empty until the engine replaces it).
    explicit SensorPoller(std::shared_ptr<SMCKernelBridge> bridge, HIDSourceFactory makeHIDSource = systemHIDSource,
                          Clock clock = continuousNow);
    // Lets the read in progress and every call already queued finish, then
    // stops the actor thread; each caller gets its answer.
    ~SensorPoller();
    SensorPoller(const SensorPoller&) = delete;
    SensorPoller& operator=(const SensorPoller&) = delete;

    QCoro::Task<Result> poll();
    QCoro::Task<void> setRegistryConsumersVisible(bool visible);
    QCoro::Task<void> discoverIfNeeded();

    // The thread every read runs on.
    QThread* thread() { return actor_.thread(); }

private:
    // Declared before the actor so that it outlives the actor's thread.
    Core core_;
    Actor actor_;
};

}  // namespace zephrane
