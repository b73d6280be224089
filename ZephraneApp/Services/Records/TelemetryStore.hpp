// The short in-memory history behind the power chart and the CSV export:
// the hottest temperature, the fastest fan, the system's draw and the
// estimated fan draw, one sample per control tick, the newest 60 kept.
// Nothing is persisted. Used only on the GUI thread; csv() is pure and may
// run anywhere.
#pragma once

#include <chrono>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ZephraneApp/Services/Records/RingBuffer.hpp"

namespace zephrane {

class TelemetryStore {
public:
    using TimePoint = std::chrono::system_clock::time_point;
    using WallClock = std::function<TimePoint()>;

    // The length of the history, in samples.
    static constexpr std::ptrdiff_t window = 60;

    struct HistorySample {
        TimePoint timestamp;
        double maxTemp = 0;      // °C
        double fanRPM = 0;       // rpm
        double systemWatts = 0;  // W
        double fanWatts = 0;     // W
        friend bool operator==(const HistorySample&, const HistorySample&) = default;
    };

    // `now` stamps each record; tests pass a clock they drive.
    explicit TelemetryStore(WallClock now = [] { return std::chrono::system_clock::now(); });

    void record(double maxTemp, double fanRPM, double systemWatts, double fanWatts);

    // Oldest first, as long as the shortest of the five series.
    std::vector<HistorySample> history() const;

    const RingBuffer& maxTemp() const noexcept { return maxTemp_; }
    const RingBuffer& fanRPM() const noexcept { return fanRPM_; }
    const RingBuffer& systemWatts() const noexcept { return systemWatts_; }
    const RingBuffer& fanWatts() const noexcept { return fanWatts_; }
    const std::vector<TimePoint>& timestamps() const noexcept { return timestamps_; }

    // The power-history file's text: the header, then one line per sample
    // (UTC timestamp to the second, then the four figures with 2, 0, 2 and 2
    // decimals), each line ended by a line feed. Always a decimal point,
    // whatever the process locale.
    static std::string csv(std::span<const HistorySample> samples);

    static constexpr std::string_view csvHeader = "timestamp,maxTempC,fanRPM,systemWatts,fanWatts";

private:
    WallClock now_;
    RingBuffer maxTemp_{window};
    RingBuffer fanRPM_{window};
    RingBuffer systemWatts_{window};
    RingBuffer fanWatts_{window};
    std::vector<TimePoint> timestamps_;
};

// "2025-03-14T09:26:53Z": UTC, fractional seconds dropped.
std::string iso8601Text(std::chrono::system_clock::time_point time);

}  // namespace zephrane
