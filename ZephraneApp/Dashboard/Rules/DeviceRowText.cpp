#include "ZephraneApp/Dashboard/Rules/DeviceRowText.hpp"

#include <algorithm>
#include <cmath>
#include <vector>

#include "ZephraneApp/Dashboard/Rules/FigureText.hpp"
#include "ZephraneApp/Dashboard/Rules/HeroText.hpp"
#include "ZephraneApp/Dashboard/Rules/SensorText.hpp"
#include "ZephraneApp/DesignSystem/Painters/MiniGraphModel.hpp"
#include "shared/TemperatureFormat.hpp"

namespace zephrane::dashboard {

double chevronRotation(bool expanded, bool reduceMotion) { return expanded && !reduceMotion ? 90 : 0; }

double chevronOpacity(bool hovering, bool expanded) { return hovering || expanded ? 0.8 : 0.35; }

namespace {

std::string joined(const std::string& value, const std::string& hint) {
    if (value.empty()) return hint;
    if (hint.empty()) return value;
    return value + ". " + hint;
}

}  // namespace

DeviceRowDisplay deviceRowDisplay(const DeviceSensorReading& reading, std::span<const double> history,
                                  const DeviceRowSettings& settings) {
    DeviceRowDisplay shown;
    const bool f = settings.fahrenheit;
    const bool p = settings.precise;
    // A value that is not a number reads as no value at all.
    shown.hasValue = reading.value.has_value() && std::isfinite(*reading.value);
    if (shown.hasValue) {
        shown.valueCelsius = *reading.value;
        shown.valueText = TemperatureFormat::value(shown.valueCelsius, f, p);
        shown.valueIsHot = shown.valueCelsius >= kHotCelsius;
        shown.accessibleName = reading.name + ", " + TemperatureFormat::display(shown.valueCelsius, f, p);
    } else {
        shown.valueText = kNoValue;
        shown.accessibleName = reading.name + ", no reading";
    }
    if (settings.interactive)
        shown.hint = settings.expanded ? "Collapses the history graph." : "Expands the history graph.";
    if (!settings.expanded) {
        shown.accessibleDescription = shown.hint;
        return shown;
    }

    const auto newest = std::find_if(history.rbegin(), history.rend(), [](double v) { return std::isfinite(v); });
    shown.graphTintCelsius = shown.hasValue ? shown.valueCelsius : newest != history.rend() ? *newest : 0.0;
    std::vector<double> scaled;
    scaled.reserve(history.size());
    for (double v : history) scaled.push_back(TemperatureFormat::converted(v, f));
    shown.accessibleValue = design::miniGraphAccessibilityValue(scaled, unitText(f));
    if (newest != history.rend()) {
        double lowest = *newest;
        double highest = *newest;
        for (double v : history) {
            if (!std::isfinite(v)) continue;
            lowest = std::min(lowest, v);
            highest = std::max(highest, v);
        }
        shown.hasExtremes = true;
        shown.minText = "min " + TemperatureFormat::display(lowest, f, p);
        shown.maxText = "max " + TemperatureFormat::display(highest, f, p);
    }
    shown.accessibleDescription = joined(shown.accessibleValue, shown.hint);
    return shown;
}

}  // namespace zephrane::dashboard
