#include "ZephraneApp/DesignSystem/Tokens/HeatColors.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "shared/Saturating.hpp"

namespace zephrane::Theme {
namespace {

struct Hsb {
    double hue;
    double saturation;
    double brightness;
};

// A heat ramp: the colour at 50 °C and below, at 72 °C and at 85 °C and
// above, interpolated linearly in between.
struct Ramp {
    Hsb cool;
    Hsb mid;
    Hsb hot;
};

constexpr Ramp kPlainRamp{{0.548, 0.82, 1.0}, {0.101, 1.0, 1.0}, {0.009, 0.92, 1.0}};
constexpr Ramp kTextLightBase{{0.5452, 1.0, 0.62}, {0.0904, 1.0, 0.72}, {0.0115, 0.92, 0.88}};
constexpr Ramp kReadoutDark{{0.3747, 0.92, 0.95}, {0.1388, 1.0, 1.0}, {0.009, 0.92, 1.0}};
constexpr Ramp kReadoutLightBase{{0.375, 0.95, 0.72}, {0.1317, 1.0, 0.85}, {0.0115, 0.92, 0.88}};

constexpr double kTextContrast = 4.5;
constexpr double kReadoutContrast = 3.0;
constexpr int kFirstKey = 100;
constexpr int kLastKey = 170;

Hsb mix(const Hsb& a, const Hsb& b, double f) {
    return {a.hue + (b.hue - a.hue) * f, a.saturation + (b.saturation - a.saturation) * f,
            a.brightness + (b.brightness - a.brightness) * f};
}

Hsb evaluate(const Ramp& ramp, double t) {
    if (!(t > 50.0)) return ramp.cool;  // also not-a-number
    if (t <= 72.0) return mix(ramp.cool, ramp.mid, std::min((t - 50.0) / 22.0, 1.0));
    if (t < 85.0) return mix(ramp.mid, ramp.hot, std::clamp((t - 72.0) / 13.0, 0.0, 1.0));
    return ramp.hot;
}

QColor color(const Hsb& c) {
    return QColor::fromHsvF(static_cast<float>(c.hue), static_cast<float>(c.saturation),
                            static_cast<float>(c.brightness));
}

using Cache = std::array<std::optional<DynamicColor>, kLastKey - kFirstKey + 1>;

std::size_t& searches() {
    static std::size_t count = 0;
    return count;
}

DynamicColor adaptive(Cache& cache, double celsius, const Ramp& dark, const Ramp& lightBase, double target) {
    const int key = heatKey(celsius);
    auto& slot = cache[static_cast<std::size_t>(key - kFirstKey)];
    if (slot) return *slot;
    const double quantised = key / 2.0;
    ++searches();
    slot = DynamicColor{ensuringContrast(color(evaluate(lightBase, quantised)), kLightWindowBackground, target),
                        color(evaluate(dark, quantised))};
    return *slot;
}

double channel(double c) { return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }

}  // namespace

QColor temperatureColor(double celsius) { return color(evaluate(kPlainRamp, celsius)); }

int heatKey(double celsius) {
    if (!(celsius > 50.0)) return kFirstKey;  // also not-a-number
    return std::clamp(saturatingRound<int>(2.0 * std::min(celsius, 85.0)), kFirstKey, kLastKey);
}

DynamicColor adaptiveTemperatureColor(double celsius) {
    static Cache cache;
    return adaptive(cache, celsius, kPlainRamp, kTextLightBase, kTextContrast);
}

DynamicColor adaptiveTemperatureReadoutColor(double celsius) {
    static Cache cache;
    return adaptive(cache, celsius, kReadoutDark, kReadoutLightBase, kReadoutContrast);
}

std::size_t adaptiveContrastSearches() { return searches(); }

double relativeLuminance(Rgb c) {
    return 0.2126 * channel(c.red) + 0.7152 * channel(c.green) + 0.0722 * channel(c.blue);
}

double relativeLuminance(const QColor& color) {
    const QColor rgb = color.toRgb();
    return relativeLuminance(Rgb{rgb.redF(), rgb.greenF(), rgb.blueF()});
}

double contrastRatio(double luminanceA, double luminanceB) {
    return (std::max(luminanceA, luminanceB) + 0.05) / (std::min(luminanceA, luminanceB) + 0.05);
}

QColor ensuringContrast(const QColor& input, Rgb background, double ratio) {
    if (!input.isValid()) return input;
    const QColor start = input.toRgb();
    float hue = 0, saturation = 0, brightness = 0, alpha = 0;
    start.getHsvF(&hue, &saturation, &brightness, &alpha);
    const double backgroundLuminance = relativeLuminance(background);
    const auto contrastOf = [&](const QColor& c) { return contrastRatio(relativeLuminance(c), backgroundLuminance); };

    QColor best = start;
    double bestRatio = contrastOf(start);
    if (bestRatio >= ratio) return start;
    double shrinking = brightness;
    for (int step = 0; step < 40; ++step) {
        shrinking *= 0.975;
        const QColor candidate = QColor::fromHsvF(hue, saturation, static_cast<float>(shrinking), alpha).toRgb();
        if (!candidate.isValid()) continue;
        const double candidateRatio = contrastOf(candidate);
        if (candidateRatio >= ratio) return candidate;
        if (candidateRatio > bestRatio) {
            best = candidate;
            bestRatio = candidateRatio;
        }
    }
    return best;
}

}  // namespace zephrane::Theme
