#include "ZephraneApp/Shell/MenuBarText.hpp"

#include <charconv>
#include <cmath>

#include "ZephraneApp/Model/DisplayText.hpp"
#include "shared/Saturating.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane::MenuBarText {
namespace {

constexpr std::string_view kNoReading = "no reading";
constexpr std::size_t kStripFans = 3;

// One decimal, as "%.1f" gives it in the C locale.
std::string oneDecimal(double value) {
    char buffer[400];  // room for the widest fixed-notation double
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 1);
    return std::string(buffer, written.ptr);
}

// The watts the line shows: the system's draw when known, else the
// battery's flow when it is not negligible.
std::optional<double> shownWatts(const PowerReading& power) {
    if (power.systemPowerWatts && std::isfinite(*power.systemPowerWatts)) return *power.systemPowerWatts;
    const double battery = power.telemetry.systemWatts;
    if (std::isfinite(battery) && battery > 0.05) return battery;
    return std::nullopt;
}

std::optional<std::int64_t> batteryLevel(const PowerReading& power) {
    if (!power.telemetry.hasBattery) return std::nullopt;
    return power.telemetry.batteryLevelPercent;
}

std::string joined(const std::vector<std::string>& parts, std::string_view separator) {
    std::string all;
    for (const std::string& part : parts) {
        if (!all.empty()) all += separator;
        all += part;
    }
    return all;
}

}  // namespace

std::string heroValueText(double displayedCelsius, bool fahrenheit, bool precise, std::string_view sourceLabel,
                          std::string_view controlSourceCaption) {
    std::string text = std::isfinite(displayedCelsius)
                           ? TemperatureFormat::spoken(displayedCelsius, fahrenheit, precise)
                           : std::string(kNoReading);
    text += ", ";
    text += sourceLabel;
    text += " \u00B7 ";
    text += controlSourceCaption;
    return text;
}

FanStrip fanStrip(std::span<const StripFan> fans) {
    FanStrip strip;
    for (std::size_t i = 0; i < fans.size() && i < kStripFans; ++i) strip.shownIDs.push_back(fans[i].id);
    strip.extra = fans.size() > kStripFans ? static_cast<int>(fans.size() - kStripFans) : 0;
    return strip;
}

std::string extraBadgeText(int extra) { return extra >= 1 ? "+" + std::to_string(extra) : std::string(); }

std::string fanSummary(std::span<const StripFan> fans) {
    std::vector<std::int64_t> ids;
    for (const StripFan& fan : fans) ids.push_back(fan.id);
    std::vector<std::string> phrases;
    for (const StripFan& fan : fans) {
        std::string phrase = fanDisplayName(fan.id, ids) + " ";
        if (std::isfinite(fan.currentRPM))
            phrase += std::to_string(saturatingRound<std::int64_t>(fan.currentRPM)) + " RPM";
        else
            phrase += kNoReading;
        phrases.push_back(std::move(phrase));
    }
    return joined(phrases, ", ");
}

std::optional<std::string> powerSummary(const PowerReading& power) {
    std::vector<std::string> parts;
    if (const auto watts = shownWatts(power)) parts.push_back(oneDecimal(*watts) + " W");
    if (const auto level = batteryLevel(power)) parts.push_back(std::to_string(*level) + "%");
    if (parts.empty()) return std::nullopt;
    return joined(parts, " \u00B7 ");
}

std::string powerSpokenText(const PowerReading& power) {
    std::vector<std::string> parts;
    if (const auto watts = shownWatts(power)) parts.push_back(oneDecimal(*watts) + " watts");
    if (const auto level = batteryLevel(power)) parts.push_back("battery " + std::to_string(*level) + " percent");
    if (power.telemetry.isCharging) parts.push_back("charging");
    return joined(parts, ", ");
}

std::optional<std::string> helperStatusCaption(const HelperState& state, const std::optional<std::string>& installIssue) {
    using Kind = HelperState::Kind;
    if (state.kind() == Kind::connected) return std::nullopt;
    // A failed installation says more than the state it left behind.
    if (installIssue) return "Monitoring only. Open Brumalune to repair helper setup (" + *installIssue + ").";
    switch (state.kind()) {
        case Kind::notRegistered: return "Monitoring only. Open Brumalune to install the fan-control helper.";
        case Kind::requiresApproval:
            return "Monitoring only. Approve Brumalune in System Settings \u25B8 Login Items & Extensions.";
        case Kind::enabled: return "Monitoring only. Connecting to the fan-control helper\u2026";
        case Kind::unavailable:
            return "Monitoring only. The fan-control helper is unavailable (" + state.reason() + ").";
        case Kind::connected: break;
    }
    return std::nullopt;
}

}  // namespace zephrane::MenuBarText
