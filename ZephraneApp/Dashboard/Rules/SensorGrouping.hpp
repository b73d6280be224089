// The sensor list's rules: which sensors a search finds, the groups they
// are listed in (the pinned ones first, then one group per class), the
// count above the list, and what the page shows when there is nothing to
// list.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <utility>
#include <set>
#include <span>
#include <string>
#include <vector>

#include <QString>

#include "shared/SensorModel.hpp"

namespace zephrane::dashboard {

// A query searches once white space and line breaks are trimmed from both
// ends and something is left.
bool isSearching(const QString& query);

enum class SensorGroupKind { pinned, temperature, power, voltage, current, fans };
// "Pinned", "Temperature", "Power", "Voltage", "Current", "Fans".
std::string groupTitle(SensorGroupKind kind);

struct SensorGroup {
    SensorGroupKind kind;
    std::vector<std::size_t> members;  // indexes into the sensors, in display order
    friend bool operator==(const SensorGroup&, const SensorGroup&) = default;
};

// The sensors whose name, or else key, contains the trimmed query (case
// ignored on both sides; an empty query matches all). The pinned matches
// come first, by name; then each class in its fixed order, by name, leaving
// out what is pinned; sensors of no listed class show only when pinned.
// Names compare by code point, equal names keep the sensors' order. Empty
// groups are left out.
//
// `sensorAt(i)` gives the i-th of `count` sensors (as a const SMCSensor&).
template <class SensorAt>
std::vector<SensorGroup> sensorGroups(std::size_t count, SensorAt sensorAt, const std::set<std::string>& pinnedKeys,
                                      const QString& query);

inline std::vector<SensorGroup> sensorGroups(std::span<const SMCSensor> sensors, const std::set<std::string>& pinnedKeys,
                                             const QString& query) {
    return sensorGroups(
        sensors.size(), [sensors](std::size_t i) -> const SMCSensor& { return sensors[i]; }, pinnedKeys, query);
}

// "14 key readings · °C".
std::string essentialsCountText(std::size_t readings, bool fahrenheit);
// "3 of 212".
std::string groupedCountText(std::size_t shown, std::size_t total);

// The page before discovery found anything.
inline constexpr const char* kNoSensorsTitle = "No sensors discovered";
std::string noSensorsDescription(bool smcAvailable);
// The page when a search (or the all-sensors list) leaves nothing: the
// query exactly as typed.
std::string noResultsTitle(const QString& query);
inline constexpr const char* kNoResultsDescription = "Check the spelling or try a new search.";

namespace detail {
inline constexpr std::array<std::pair<SensorClass, SensorGroupKind>, 5> kClassGroups{{
    {SensorClass::temperature, SensorGroupKind::temperature},
    {SensorClass::power, SensorGroupKind::power},
    {SensorClass::voltage, SensorGroupKind::voltage},
    {SensorClass::current, SensorGroupKind::current},
    {SensorClass::fan, SensorGroupKind::fans},
}};
// Whether the text, lower-cased, contains the lower-cased query.
bool containsLowered(const std::string& text, const QString& lowerQuery);
}  // namespace detail

template <class SensorAt>
std::vector<SensorGroup> sensorGroups(std::size_t count, SensorAt sensorAt, const std::set<std::string>& pinnedKeys,
                                      const QString& query) {
    const QString q = query.trimmed().toLower();
    std::vector<std::size_t> pinned;
    std::vector<std::size_t> rest;
    for (std::size_t i = 0; i < count; ++i) {
        const SMCSensor& sensor = sensorAt(i);
        if (!q.isEmpty() && !detail::containsLowered(sensor.name, q) && !detail::containsLowered(sensor.key, q)) continue;
        (pinnedKeys.contains(sensor.key) ? pinned : rest).push_back(i);
    }
    // std::string compares as unsigned bytes: UTF-8 in code point order.
    const auto byName = [&sensorAt](std::size_t a, std::size_t b) { return sensorAt(a).name < sensorAt(b).name; };
    std::vector<SensorGroup> groups;
    if (!pinned.empty()) {
        std::stable_sort(pinned.begin(), pinned.end(), byName);
        groups.push_back({SensorGroupKind::pinned, std::move(pinned)});
    }
    for (const auto& [sensorClass, kind] : detail::kClassGroups) {
        std::vector<std::size_t> members;
        for (std::size_t i : rest)
            if (sensorAt(i).sensorClass == sensorClass) members.push_back(i);
        if (members.empty()) continue;
        std::stable_sort(members.begin(), members.end(), byName);
        groups.push_back({kind, std::move(members)});
    }
    return groups;
}

}  // namespace zephrane::dashboard
