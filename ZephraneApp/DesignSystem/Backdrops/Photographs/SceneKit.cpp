#include "ZephraneApp/DesignSystem/Backdrops/Photographs/SceneKit.hpp"

#include <algorithm>

namespace zephrane::photographs {

Rgb hex(std::uint32_t rgb) {
    return {static_cast<float>((rgb >> 16) & 0xffU) / 255.0F, static_cast<float>((rgb >> 8) & 0xffU) / 255.0F,
            static_cast<float>(rgb & 0xffU) / 255.0F};
}

float mix(float a, float b, float t) { return a + (b - a) * t; }
Rgb mix(Rgb a, Rgb b, float t) { return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)}; }
float clamp01(float x) { return std::clamp(x, 0.0F, 1.0F); }

float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

Rgb gradient(const std::vector<GradientStop>& stops, float t) {
    if (t <= stops.front().at) return stops.front().color;
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            const float span = stops[i].at - stops[i - 1].at;
            return mix(stops[i - 1].color, stops[i].color, span > 0 ? (t - stops[i - 1].at) / span : 1.0F);
        }
    }
    return stops.back().color;
}

std::uint32_t hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = x * 0x8da6b343U ^ y * 0xd8163841U ^ seed * 0xcb1ab31fU;
    h ^= h >> 16;
    h *= 0x7feb352dU;
    h ^= h >> 15;
    h *= 0x846ca68bU;
    h ^= h >> 16;
    return h;
}

float hash01(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    return static_cast<float>(hash(x, y, seed) >> 8) / 16777216.0F;
}

namespace {
float lattice(int x, int y, std::uint32_t seed) {
    return hash01(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed);
}
float fade(float t) { return t * t * t * (t * (t * 6 - 15) + 10); }
}  // namespace

float valueNoise(float x, float y, std::uint32_t seed) {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float tx = fade(x - fx);
    const float ty = fade(y - fy);
    const float top = mix(lattice(ix, iy, seed), lattice(ix + 1, iy, seed), tx);
    const float bottom = mix(lattice(ix, iy + 1, seed), lattice(ix + 1, iy + 1, seed), tx);
    return mix(top, bottom, ty);
}

float fbm(float x, float y, int octaves, std::uint32_t seed) {
    float sum = 0;
    float weight = 0.5F;
    float total = 0;
    for (int i = 0; i < octaves; ++i) {
        // Each octave is turned a little so the lattice never lines up.
        const float rx = x * 0.8F - y * 0.6F;
        const float ry = x * 0.6F + y * 0.8F;
        sum += weight * valueNoise(rx, ry, seed + static_cast<std::uint32_t>(i) * 7919U);
        total += weight;
        x = rx * 2.03F + 17.1F;
        y = ry * 2.03F - 9.7F;
        weight *= 0.5F;
    }
    return sum / total;
}

float fbm1(float x, int octaves, std::uint32_t seed) { return fbm(x, 0.37F * static_cast<float>(seed % 97U), octaves, seed); }

Canvas::Canvas(int width, int height)
    : width_(width), height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {}

void Canvas::fill(const std::function<Rgb(float, float)>& shade) {
    paint([&](float u, float v, Rgb) { return shade(u, v); });
}

void Canvas::paint(const std::function<Rgb(float, float, Rgb)>& shade) {
    const float w = static_cast<float>(width_);
    const float h = static_cast<float>(height_);
    for (int y = 0; y < height_; ++y) {
        const float v = (static_cast<float>(y) + 0.5F) / h;
        for (int x = 0; x < width_; ++x) {
            Rgb& p = at(x, y);
            p = shade((static_cast<float>(x) + 0.5F) / w, v, p);
        }
    }
}

void Canvas::glow(float cx, float cy, float radius, Rgb light, float strength) {
    const int reach = static_cast<int>(std::ceil(radius * 3));
    const int x0 = std::max(0, static_cast<int>(cx) - reach);
    const int x1 = std::min(width_ - 1, static_cast<int>(cx) + reach);
    const int y0 = std::max(0, static_cast<int>(cy) - reach);
    const int y1 = std::min(height_ - 1, static_cast<int>(cy) + reach);
    const float inverse = 1.0F / (2 * radius * radius);
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float dx = static_cast<float>(x) + 0.5F - cx;
            const float dy = static_cast<float>(y) + 0.5F - cy;
            const float k = strength * std::exp(-(dx * dx + dy * dy) * inverse);
            if (k > 0.001F) at(x, y) = screen(at(x, y), light, k);
        }
    }
}

QImage Canvas::toImage() const {
    QImage image(width_, height_, QImage::Format_RGB32);
    for (int y = 0; y < height_; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width_; ++x) {
            const Rgb& p = at(x, y);
            const auto channel = [](float c) { return static_cast<int>(std::lround(clamp01(c) * 255.0F)); };
            line[x] = qRgb(channel(p.r), channel(p.g), channel(p.b));
        }
    }
    return image;
}

void Canvas::fromImage(const QImage& image) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < height_; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(rgb.constScanLine(y));
        for (int x = 0; x < width_; ++x)
            at(x, y) = {static_cast<float>(qRed(line[x])) / 255.0F, static_cast<float>(qGreen(line[x])) / 255.0F,
                        static_cast<float>(qBlue(line[x])) / 255.0F};
    }
}

void drawStars(Canvas& canvas, float density, std::uint32_t seed, const std::function<float(float, float)>& mask,
               float brightness) {
    const float w = static_cast<float>(canvas.width());
    const float h = static_cast<float>(canvas.height());
    const auto count = static_cast<std::uint32_t>(density * w * h / 1.0e6F);
    for (std::uint32_t i = 0; i < count; ++i) {
        const float x = hash01(i, 1, seed) * w;
        const float y = hash01(i, 2, seed) * h;
        const float visible = mask(x / w, y / h);
        if (visible <= 0) continue;
        // Most stars are faint; a few are bright enough for a halo.
        const float magnitude = std::pow(hash01(i, 3, seed), 6.0F);
        const float temperature = hash01(i, 4, seed);
        const Rgb tint = temperature < 0.3F ? hex(0xffd9b0) : temperature > 0.8F ? hex(0xb8cfff) : hex(0xfff8f0);
        const float core = 0.55F + 1.1F * magnitude;
        canvas.glow(x, y, core, tint, visible * brightness * (0.35F + 0.65F * magnitude));
        if (magnitude > 0.55F) canvas.glow(x, y, core * 5, tint, visible * brightness * 0.18F * magnitude);
    }
}

void drawLandscape(Canvas& canvas, const Landscape& land) {
    const int width = canvas.width();
    const int height = canvas.height();
    const float focalPixels = land.focal * static_cast<float>(width);
    const float horizonPixels = land.horizon * static_cast<float>(height);
    constexpr float kStep = 0.004F;  // relative step along the ray
    constexpr float kSlope = 0.002F;  // finite-difference distance for normals, per unit of distance

    for (int x = 0; x < width; ++x) {
        const float lateral = (static_cast<float>(x) + 0.5F - static_cast<float>(width) * 0.5F) / focalPixels;
        float lowestDrawn = static_cast<float>(height);  // rows below this are done
        Rgb previousColor{};
        float previousRow = static_cast<float>(height);
        bool first = true;
        for (float z = land.nearDistance; z < land.farDistance && lowestDrawn > 0; z *= 1 + kStep) {
            const float worldX = lateral * z;
            const float h = land.height(worldX, z);
            const float row = horizonPixels + (land.cameraHeight - h) / z * focalPixels;
            if (row >= lowestDrawn) continue;
            const float e = kSlope * z;
            const float dx = (land.height(worldX + e, z) - h) / e;
            const float dz = (land.height(worldX, z + e) - h) / e;
            const float length = std::sqrt(dx * dx + 1 + dz * dz);
            const Rgb color = land.shade(worldX, z, -dx / length, 1 / length, -dz / length, z);
            if (first) {
                previousColor = color;
                previousRow = lowestDrawn;
                first = false;
            }
            // Blend across the rows this sample uncovers, so near ground
            // spanning many rows shades smoothly.
            const int top = std::max(0, static_cast<int>(std::ceil(row)));
            const int bottom = std::min(height, static_cast<int>(std::ceil(lowestDrawn)));
            for (int y = top; y < bottom; ++y) {
                const float span = previousRow - row;
                const float t = span > 0 ? clamp01((previousRow - static_cast<float>(y)) / span) : 1.0F;
                canvas.at(x, y) = mix(previousColor, color, t);
            }
            // The top row of the span gets the fraction it is covered by.
            if (top > 0 && row < static_cast<float>(top)) {
                Rgb& edge = canvas.at(x, top - 1);
                edge = mix(edge, color, static_cast<float>(top) - row);
            }
            lowestDrawn = row;
            previousRow = row;
            previousColor = color;
        }
    }
}

}  // namespace zephrane::photographs
