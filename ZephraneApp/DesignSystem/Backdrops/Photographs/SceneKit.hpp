// The drawing kit the backdrop photographs are painted with: colours as
// linear floats, hashed value noise, a float canvas, a star field and a
// height-field landscape renderer. Everything is a pure function of its
// arguments and fixed seeds (no clocks, no global random state), so one
// source always paints the same pixels.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include <QImage>

namespace zephrane::photographs {

struct Rgb {
    float r = 0, g = 0, b = 0;

    friend Rgb operator+(Rgb a, Rgb b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
    friend Rgb operator-(Rgb a, Rgb b) { return {a.r - b.r, a.g - b.g, a.b - b.b}; }
    friend Rgb operator*(Rgb a, Rgb b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
    friend Rgb operator*(Rgb a, float k) { return {a.r * k, a.g * k, a.b * k}; }
    friend Rgb operator*(float k, Rgb a) { return a * k; }
};

// sRGB hex, e.g. hex(0xf2c27a).
Rgb hex(std::uint32_t rgb);
Rgb mix(Rgb a, Rgb b, float t);
float mix(float a, float b, float t);
float clamp01(float x);
float smoothstep(float edge0, float edge1, float x);
// Adds `light` scaled by `amount` (a glow, a star).
inline Rgb screen(Rgb base, Rgb light, float amount) {
    return {1 - (1 - base.r) * (1 - light.r * amount), 1 - (1 - base.g) * (1 - light.g * amount),
            1 - (1 - base.b) * (1 - light.b * amount)};
}

// A vertical gradient through (position 0...1, colour) stops, in order.
struct GradientStop {
    float at;
    Rgb color;
};
Rgb gradient(const std::vector<GradientStop>& stops, float t);

// Hashing and noise. Value noise is smooth, 0...1, period-free.
std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed);
float hash01(std::uint32_t x, std::uint32_t y, std::uint32_t seed);
float valueNoise(float x, float y, std::uint32_t seed);
// Fractal sum of `octaves` layers, each twice the frequency and half the
// weight of the one before; 0...1.
float fbm(float x, float y, int octaves, std::uint32_t seed);
// One-dimensional fractal noise, 0...1 (ridge lines, coastlines).
float fbm1(float x, int octaves, std::uint32_t seed);

// A picture under construction, in linear-ish float sRGB, 0...1.
class Canvas {
public:
    Canvas(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    Rgb& at(int x, int y) { return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)]; }
    const Rgb& at(int x, int y) const {
        return pixels_[static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)];
    }

    // Calls shade(u, v) for every pixel, u = x / width and v = y / height
    // (0 at the top), at the pixel's centre.
    void fill(const std::function<Rgb(float u, float v)>& shade);
    // shade(u, v, current) may keep or blend over what is there.
    void paint(const std::function<Rgb(float u, float v, Rgb current)>& shade);
    // A soft round light of radius `radius` pixels (gaussian falloff).
    void glow(float cx, float cy, float radius, Rgb light, float strength);

    QImage toImage() const;
    // Takes a QPainter drawing back (shapes drawn over the painted pixels).
    void fromImage(const QImage& image);

private:
    int width_;
    int height_;
    std::vector<Rgb> pixels_;
};

// Stars over the region where `mask(u, v)` is above 0 (scaled by it):
// `density` stars per million pixels, a few bright ones with a halo.
void drawStars(Canvas& canvas, float density, std::uint32_t seed, const std::function<float(float u, float v)>& mask,
               float brightness = 1.0F);

// A landscape seen from a camera above a height field, drawn column by
// column, near to far: every visible ground sample is coloured by `shade`.
// Pixels above the landscape keep what the canvas held (the sky).
struct Landscape {
    float horizon = 0.3F;       // screen height of the horizon, 0 top ... 1 bottom
    float cameraHeight = 1.0F;  // above height 0
    float focal = 1.2F;         // screen widths per unit of lateral offset at distance 1
    float nearDistance = 0.5F;
    float farDistance = 60.0F;
    float lateralScale = 1.0F;  // world units across the screen at distance 1
    // Ground height at (x, z); z is the distance ahead.
    std::function<float(float x, float z)> height;
    // Colour of the ground at (x, z) with surface normal (nx, ny, nz)
    // (y up) seen from `distance`.
    std::function<Rgb(float x, float z, float nx, float ny, float nz, float distance)> shade;
};
void drawLandscape(Canvas& canvas, const Landscape& landscape);

}  // namespace zephrane::photographs
