// Whether the machine's hottest temperature is rising, steady or cooling,
// from a least-squares line through the last two minutes of samples. The
// engine uses a rising trend with a short time to its overheat ceiling to
// spin the fans up ahead of the heat.
#pragma once

#include <optional>
#include <span>

namespace zephrane {

struct TrendSample {
    double t = 0;     // seconds on any clock; only differences matter
    double temp = 0;  // °C
};

class ThermalTrend {
public:
    enum class Kind { rising, steady, cooling };

    // Climbing at 0.8 °C per minute or faster; `etaMinutes` is the time to
    // the ceiling, present only when it lies in (0, 60].
    static constexpr ThermalTrend rising(std::optional<double> etaMinutes) {
        return ThermalTrend(Kind::rising, etaMinutes);
    }
    static constexpr ThermalTrend steady() { return ThermalTrend(Kind::steady, std::nullopt); }
    static constexpr ThermalTrend cooling() { return ThermalTrend(Kind::cooling, std::nullopt); }

    static ThermalTrend fit(std::span<const TrendSample> samples, double ceiling);

    constexpr Kind kind() const { return kind_; }
    constexpr std::optional<double> etaMinutes() const { return etaMinutes_; }

    friend constexpr bool operator==(const ThermalTrend&, const ThermalTrend&) = default;

private:
    constexpr ThermalTrend(Kind kind, std::optional<double> eta) : kind_(kind), etaMinutes_(eta) {}

    Kind kind_;
    std::optional<double> etaMinutes_;
};

}  // namespace zephrane
