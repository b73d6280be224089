// Temperatures drawn in colour: cool blue-cyan at 50 °C and below, through
// yellow and orange, to red at 85 °C and above. The plain colour is for
// symbols and graph strokes; the adaptive colours are for text and darken
// their light rendition until it is legible on the light window background.
//
// Temperatures are degrees Celsius. A temperature that is not a number gets
// the cool end's colour; positive infinity the hot end's.
#pragma once

#include <cstddef>

#include <QColor>

#include "ZephraneApp/DesignSystem/Tokens/Palette.hpp"

namespace zephrane::Theme {

// Computed on every call.
QColor temperatureColor(double celsius);

// The half-degree key the adaptive colours are cached under: 100 (50 °C and
// below, and not-a-number) to 170 (85 °C and above).
int heatKey(double celsius);

// Cached by key for the life of the process (at most 71 colours each). GUI
// thread only: the caches take no lock.
DynamicColor adaptiveTemperatureColor(double celsius);
DynamicColor adaptiveTemperatureReadoutColor(double celsius);

// How many contrast searches the adaptive colours have run in this process;
// a cached key runs none.
std::size_t adaptiveContrastSearches();

// WCAG 2 relative luminance of an sRGB colour (threshold 0.03928), and the
// contrast ratio of two luminances.
double relativeLuminance(const QColor& color);
double relativeLuminance(Rgb color);
double contrastRatio(double luminanceA, double luminanceB);

// The colour, darkened in up to 40 steps of 2.5 % brightness (hue,
// saturation and opacity kept), until its contrast against `background`
// reaches `ratio`. When no step reaches it, the step with the best contrast
// is returned, the colour itself included: against a dark background
// darkening only loses contrast, so the colour comes back unchanged. An
// invalid colour is returned as it is.
QColor ensuringContrast(const QColor& color, Rgb background, double ratio);

}  // namespace zephrane::Theme
