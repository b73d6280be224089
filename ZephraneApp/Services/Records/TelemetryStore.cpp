#include "ZephraneApp/Services/Records/TelemetryStore.hpp"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <utility>

namespace zephrane {

namespace {

// printf's "%.<decimals>f" without its locale: to_chars always writes a point.
void appendFixed(std::string& out, double value, int decimals) {
    std::array<char, 400> buffer{};  // a fixed-form DBL_MAX needs 309 digits
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                   std::chars_format::fixed, decimals);
    if (ec == std::errc{}) out.append(buffer.data(), end);
}

}  // namespace

TelemetryStore::TelemetryStore(WallClock now) : now_(std::move(now)) {
    timestamps_.reserve(static_cast<std::size_t>(window));
}

void TelemetryStore::record(double maxTemp, double fanRPM, double systemWatts, double fanWatts) {
    maxTemp_.append(maxTemp);
    fanRPM_.append(fanRPM);
    systemWatts_.append(systemWatts);
    fanWatts_.append(fanWatts);
    timestamps_.push_back(now_());
    if (timestamps_.size() > static_cast<std::size_t>(window))
        timestamps_.erase(timestamps_.begin(),
                          timestamps_.end() - static_cast<std::ptrdiff_t>(window));
}

std::vector<TelemetryStore::HistorySample> TelemetryStore::history() const {
    const std::size_t n = std::min({maxTemp_.samples().size(), fanRPM_.samples().size(),
                                    systemWatts_.samples().size(), fanWatts_.samples().size(),
                                    timestamps_.size()});
    std::vector<HistorySample> result;
    result.reserve(n);
    for (std::size_t i = 0; i < n; ++i)
        result.push_back({timestamps_[i], maxTemp_.samples()[i], fanRPM_.samples()[i],
                          systemWatts_.samples()[i], fanWatts_.samples()[i]});
    return result;
}

std::string TelemetryStore::csv(std::span<const HistorySample> samples) {
    std::string out{csvHeader};
    out += '\n';
    for (const auto& s : samples) {
        out += iso8601Text(s.timestamp);
        out += ',';
        appendFixed(out, s.maxTemp, 2);
        out += ',';
        appendFixed(out, s.fanRPM, 0);
        out += ',';
        appendFixed(out, s.systemWatts, 2);
        out += ',';
        appendFixed(out, s.fanWatts, 2);
        out += '\n';
    }
    return out;
}

std::string iso8601Text(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    // floor, not a cast: a time before 1970 still drops its fraction downwards.
    const auto seconds = floor<std::chrono::seconds>(time);
    const auto day = floor<days>(seconds);
    const year_month_day date{day};
    const hh_mm_ss clock{seconds - day};
    std::array<char, 40> buffer{};
    const int length = std::snprintf(buffer.data(), buffer.size(), "%04d-%02u-%02uT%02d:%02d:%02dZ",
                                     static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                                     static_cast<unsigned>(date.day()), static_cast<int>(clock.hours().count()),
                                     static_cast<int>(clock.minutes().count()),
                                     static_cast<int>(clock.seconds().count()));
    return std::string(buffer.data(), static_cast<std::size_t>(std::max(length, 0)));
}

}  // namespace zephrane
