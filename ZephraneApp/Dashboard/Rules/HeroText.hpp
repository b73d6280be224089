// The temperature readout's and the hero card's rules: what the large digits
// show and when they roll, and the system-load table's texts and bars.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace zephrane::dashboard {

// The digits for a temperature: the caller's text while it is a reading,
// else the em dash.
std::string readoutDigits(double celsius, const std::string& callerDigits);
// The key whose whole-degree changes roll the digits: the floor of
// `rollKey` when it is finite, else of the temperature while it is a
// reading, else 0.
double readoutRollKey(double rollKey, double celsius);
// The digits' opacity: 1 with a reading, 0.45 without.
double readoutOpacity(double celsius);
// What a screen reader says for the digits: "no reading" exactly when the
// digits show the em dash.
std::string readoutSpoken(double celsius, bool fahrenheit, bool precise);

// "°F" or "°C".
std::string unitText(bool fahrenheit);

// A load's whole percentage, halves away from zero; none for a fraction
// that is not finite.
std::optional<std::int64_t> loadPercent(double fraction);
// "42%", or the em dash when there is no percentage.
std::string loadPercentText(double fraction);
// "42 percent", then ", " and the detail with every " / " read as " of "
// when there is a detail; "no reading" in place of the percentage when
// there is none.
std::string loadSpokenValue(double fraction, const std::string& detail);
// The bar's fill: `fraction` of the track, never shorter than the bar is
// tall (6) nor longer than the track; 6 for a fraction that is not finite.
// A track narrower than 6 is filled whole.
double loadBarWidth(double fraction, double trackWidth);

}  // namespace zephrane::dashboard
