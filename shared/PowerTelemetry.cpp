#include "shared/PowerTelemetry.hpp"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>

#include "shared/Saturating.hpp"

namespace zephrane {
namespace {

// Digit zero of every run of Unicode decimal digits (general category Nd) as
// of Unicode 15.0, ascending. Each run is the ten digits 0...9 at consecutive
// code points, so a code point's digit value is its distance from the start.
constexpr std::array<char32_t, 68> kDecimalDigitZeros{
    0x0030,  0x0660,  0x06F0,  0x07C0,  0x0966,  0x09E6,  0x0A66,  0x0AE6,  0x0B66,  0x0BE6,  0x0C66,  0x0CE6,
    0x0D66,  0x0DE6,  0x0E50,  0x0ED0,  0x0F20,  0x1040,  0x1090,  0x17E0,  0x1810,  0x1946,  0x19D0,  0x1A80,
    0x1A90,  0x1B50,  0x1BB0,  0x1C40,  0x1C50,  0xA620,  0xA8D0,  0xA900,  0xA9D0,  0xA9F0,  0xAA50,  0xABF0,
    0xFF10,  0x104A0, 0x10D30, 0x11066, 0x110F0, 0x11136, 0x111D0, 0x112F0, 0x11450, 0x114D0, 0x11650, 0x116C0,
    0x11730, 0x118E0, 0x11950, 0x11C50, 0x11D50, 0x11DA0, 0x11F50, 0x16A60, 0x16AC0, 0x16B50, 0x1D7CE, 0x1D7D8,
    0x1D7E2, 0x1D7EC, 0x1D7F6, 0x1E140, 0x1E2F0, 0x1E4F0, 0x1E950, 0x1FBF0};

static_assert(std::is_sorted(kDecimalDigitZeros.begin(), kDecimalDigitZeros.end()));

std::optional<int> decimalDigitValue(char32_t codePoint) {
    auto next = std::upper_bound(kDecimalDigitZeros.begin(), kDecimalDigitZeros.end(), codePoint);
    if (next == kDecimalDigitZeros.begin()) return std::nullopt;
    char32_t offset = codePoint - *std::prev(next);
    if (offset >= 10) return std::nullopt;
    return static_cast<int>(offset);
}

// Decodes the code point starting at `text[i]` and advances `i` past it. A
// malformed sequence (stray continuation byte, truncated or overlong form,
// surrogate, beyond U+10FFFF) yields nothing and advances one byte only, so a
// digit right after a broken byte is still seen.
std::optional<char32_t> nextCodePoint(std::string_view text, std::size_t& i) {
    auto byte = [&](std::size_t at) { return static_cast<unsigned char>(text[at]); };
    unsigned char lead = byte(i);
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
        ++i;
        return lead;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1Fu;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0Fu;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07u;
        minimum = 0x10000;
    } else {
        ++i;
        return std::nullopt;
    }
    if (text.size() - i < length) {
        ++i;
        return std::nullopt;
    }
    for (std::size_t k = 1; k < length; ++k) {
        unsigned char continuation = byte(i + k);
        if ((continuation & 0xC0u) != 0x80u) {
            ++i;
            return std::nullopt;
        }
        value = (value << 6) | (continuation & 0x3Fu);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++i;
        return std::nullopt;
    }
    i += length;
    return value;
}

}  // namespace

BatteryChargeState PowerTelemetry::chargeState() const {
    if (!hasBattery) return BatteryChargeState::unavailable;
    if (source == PowerSource::battery) return BatteryChargeState::discharging;
    if (isFullyCharged) return BatteryChargeState::fullyCharged;
    if (isCharging) return BatteryChargeState::charging;
    if (source == PowerSource::ac) return BatteryChargeState::notCharging;
    return BatteryChargeState::unavailable;
}

double PowerTelemetry::displayWatts(double watts) { return std::round(watts * 10) / 10; }

bool PowerTelemetry::displayEquivalent(const PowerTelemetry& other) const {
    auto rounded = [](PowerTelemetry t) {
        t.systemWatts = displayWatts(t.systemWatts);
        t.adapterWatts = displayWatts(t.adapterWatts);
        t.batteryWattHours = displayWatts(t.batteryWattHours);
        return t;
    };
    return rounded(*this) == rounded(other);
}

double PowerTelemetry::fanWatts(double rpm, double maxRPM) {
    if (!(rpm > 0) || !(maxRPM > 0)) return 0;
    double fraction = rpm / maxRPM;
    // Both infinite gives NaN, which would poison every total it enters.
    if (std::isnan(fraction)) return 0;
    fraction = std::min(fraction, 1.0);
    return fraction * (fraction * (fraction * 2.5));
}

double PowerTelemetry::totalFanWatts(std::span<const FanSpeed> fans) {
    double total = 0;
    for (const auto& fan : fans) total += fanWatts(fan.rpm, fan.maxRPM);
    return total;
}

std::optional<std::int64_t> batteryHealthPercent(double reportedMaximumCapacity) {
    double c = reportedMaximumCapacity;
    if (!std::isfinite(c) || c < 0 || c > 100) return std::nullopt;
    return saturatingRound<std::int64_t>(c);
}

std::optional<std::int64_t> batteryHealthPercent(std::string_view reportedMaximumCapacityText) {
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    std::optional<std::int64_t> number;
    for (std::size_t i = 0; i < reportedMaximumCapacityText.size();) {
        auto codePoint = nextCodePoint(reportedMaximumCapacityText, i);
        if (!codePoint) continue;
        auto digit = decimalDigitValue(*codePoint);
        if (!digit) continue;
        std::int64_t so = number.value_or(0);
        // Past Int64 the number is far above 100, whatever digits follow.
        if (so > (kMax - *digit) / 10) return std::nullopt;
        number = so * 10 + *digit;
    }
    if (!number) return std::nullopt;
    return batteryHealthPercent(static_cast<double>(*number));
}

}  // namespace zephrane
