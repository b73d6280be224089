// The sky scenes: the northern lights over snowy peaks, high cirrus, and a
// sea of cumulus seen from above with one tower rising out of it.
#include <algorithm>
#include <cmath>

#include "ZephraneApp/DesignSystem/Backdrops/Photographs/SceneKit.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

namespace zephrane::photographs {
namespace {

// Height of a mountain range (screen units, 0 top) at u.
float mountainLine(float u, float aspect, float base, float amplitude, std::uint32_t seed) {
    const float n = fbm1(u * aspect * 1.6F, 6, seed);
    const float peak = 1.0F - std::abs(2 * n - 1);
    return base - amplitude * (0.3F * n + 0.7F * peak * peak);
}

// A towering cumulus: heaped spheres, wide at the base and bunched into a
// cauliflower head, drawn far to near and lit softly from the upper left.
void drawCloudTower(Canvas& canvas, float baseX, float baseY, float top, Rgb lit, Rgb shadow) {
    const float w = static_cast<float>(canvas.width());
    struct Puff {
        float x, y, z, r, t;
    };
    std::vector<Puff> puffs;
    constexpr int kPuffs = 420;
    for (int i = 0; i < kPuffs; ++i) {
        const auto n = static_cast<std::uint32_t>(i);
        const float t = std::pow(hash01(n, 1, 151), 0.7F);  // 0 base ... 1 head
        // Narrow stem, swelling into a head.
        const float spread = w * (0.05F + 0.035F * smoothstep(0.55F, 0.9F, t) + 0.02F * (1 - t));
        const float r = w * (0.014F + 0.022F * hash01(n, 2, 151) * hash01(n, 5, 151)) * (1.15F - 0.3F * t);
        const float across = (hash01(n, 3, 151) - 0.5F) * 2;
        const float x = baseX + across * std::sqrt(1 - across * across * 0.5F) * spread + 0.03F * w * t;
        puffs.push_back({x, baseY - t * (baseY - top) + r * 0.4F, hash01(n, 4, 151), r, t});
    }
    std::sort(puffs.begin(), puffs.end(), [](const Puff& a, const Puff& b) { return a.z < b.z; });
    for (const Puff& p : puffs) {
        const int x0 = std::max(0, static_cast<int>(p.x - p.r));
        const int x1 = std::min(canvas.width() - 1, static_cast<int>(p.x + p.r));
        const int y0 = std::max(0, static_cast<int>(p.y - p.r));
        const int y1 = std::min(canvas.height() - 1, static_cast<int>(p.y + p.r));
        const float height = 0.82F + 0.22F * p.t;  // the head is in full sun, the stem in its own shade
        for (int y = y0; y <= y1; ++y) {
            for (int x = x0; x <= x1; ++x) {
                const float dx = (static_cast<float>(x) + 0.5F - p.x) / p.r;
                const float dy = (static_cast<float>(y) + 0.5F - p.y) / p.r;
                const float d2 = dx * dx + dy * dy;
                if (d2 >= 1) continue;
                const float nz = std::sqrt(1 - d2);
                const float light = clamp01((-0.5F * dx - 0.6F * dy + 0.6F * nz + 0.5F) / 1.6F) * height;
                const float fuzz = fbm(static_cast<float>(x) * 0.03F, static_cast<float>(y) * 0.03F, 3, 152) - 0.5F;
                const float edge = 1.0F - smoothstep(0.7F, 1.0F, std::sqrt(d2) + 0.25F * fuzz);
                canvas.at(x, y) = mix(canvas.at(x, y), mix(shadow, lit, clamp01(light)), edge);
            }
        }
    }
}

}  // namespace

QImage paintAurora(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float aspect = static_cast<float>(width) / static_cast<float>(canvas.height());
    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x02040f)}, {0.45F, hex(0x05162a)}, {0.72F, hex(0x0c3040)}}
             : std::vector<GradientStop>{{0.0F, hex(0x5d7fae)}, {0.45F, hex(0xa9c4dc)}, {0.72F, hex(0xf0e2e6)}};
    canvas.fill([&](float, float v) { return gradient(sky, v); });
    drawStars(canvas, dark ? 520.0F : 60.0F, 61, [](float, float v) { return 1.0F - smoothstep(0.45F, 0.7F, v); },
              dark ? 1.0F : 0.35F);

    // Curtains: a wavy lower edge, fine vertical rays, green at the foot
    // and violet higher up.
    struct Curtain {
        float base, sway, reach, strength;
        std::uint32_t seed;
    };
    const Curtain curtains[] = {{0.48F, 0.16F, 0.26F, 1.0F, 71}, {0.34F, 0.12F, 0.2F, 0.55F, 72},
                                {0.58F, 0.07F, 0.16F, 0.5F, 73}};
    const Rgb green = dark ? hex(0x47f59a) : hex(0x5fd6a0);
    const Rgb violet = dark ? hex(0x9d5cff) : hex(0xc391e8);
    const float strength = dark ? 1.0F : 0.55F;
    canvas.paint([&](float u, float v, Rgb current) {
        Rgb color = current;
        for (const Curtain& c : curtains) {
            const float edge = c.base + c.sway * (fbm1(u * 1.5F, 4, c.seed) - 0.5F) * 2;
            const float above = edge - v;
            if (above < -0.05F) continue;
            const float foot = above < 0 ? std::exp(above / 0.012F) : std::exp(-above / c.reach);
            const float fold = u + 0.015F * std::sin(u * 40 + static_cast<float>(c.seed));
            const float rays = 0.35F + 0.65F * std::pow(fbm1(fold * 180, 3, c.seed + 5), 2.0F);
            const float t = clamp01(above / c.reach);
            const Rgb hue = mix(green, violet, smoothstep(0.25F, 1.0F, t));
            color = screen(color, hue, strength * c.strength * foot * rays * 0.9F);
        }
        return color;
    });

    // Snowy peaks: each face lit or in shade by which way the ridge falls
    // there (the moon or the low sun is to the left), then the snowfield.
    const Rgb litSnow = dark ? hex(0x2d5560) : hex(0xf4f7fb);
    const Rgb shadeSnow = dark ? hex(0x08121c) : hex(0x93a6c0);
    const Rgb field = dark ? hex(0x1a3a44) : hex(0xeef3f8);
    canvas.paint([&](float u, float v, Rgb current) {
        const float ridge = mountainLine(u, aspect, 0.78F, 0.2F, 81);
        if (v < ridge) return current;
        const float below = v - ridge;
        // Faces slant down and away from the peaks.
        const float at = u + below * 0.35F;
        const float fall = mountainLine(at + 0.002F, aspect, 0.78F, 0.2F, 81) - mountainLine(at - 0.002F, aspect, 0.78F, 0.2F, 81);
        const float lit = smoothstep(-0.002F, 0.004F, fall) * (0.75F + 0.25F * fbm(u * aspect * 30, v * 30, 3, 82));
        Rgb ground = mix(shadeSnow, litSnow, lit);
        ground = mix(ground, field, smoothstep(0.84F, 0.93F, v));
        if (dark) ground = screen(ground, green, 0.10F * (1 - smoothstep(0.0F, 0.15F, below)));
        return ground;
    });
    return canvas.toImage();
}

QImage paintCirrus(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float aspect = static_cast<float>(width) / static_cast<float>(canvas.height());
    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x030819)}, {0.55F, hex(0x0f2147)}, {1.0F, hex(0x2c4470)}}
             : std::vector<GradientStop>{{0.0F, hex(0x2466bb)}, {0.55F, hex(0x6aa3dc)}, {1.0F, hex(0xd3e6f4)}};
    canvas.fill([&](float, float v) { return gradient(sky, v); });
    if (dark) {
        drawStars(canvas, 240, 91, [](float, float) { return 1.0F; }, 0.8F);
        canvas.glow(0.8F * static_cast<float>(width), 0.18F * static_cast<float>(canvas.height()),
                    0.01F * static_cast<float>(width), hex(0xf4f6ff), 1.0F);
        canvas.glow(0.8F * static_cast<float>(width), 0.18F * static_cast<float>(canvas.height()),
                    0.09F * static_cast<float>(width), hex(0x8ea8d8), 0.35F);
    }

    // Wisps: noise stretched along the wind and thin across it, gathered
    // into a few bands and hooked at their ends by a slow warp.
    const float angle = -0.32F;
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const Rgb wisp = dark ? hex(0xb7c6e6) : hex(0xffffff);
    canvas.paint([&](float u, float v, Rgb current) {
        const float x = u * aspect;
        const float along = x * c + v * s;
        const float across = -x * s + v * c;
        const float warp = 0.18F * fbm(along * 1.5F, across * 1.5F, 3, 92);
        const float streak = fbm(along * 2.0F, (across + warp) * 28.0F, 5, 93);
        const float bands = fbm(along * 1.2F + 3, across * 3.2F, 4, 94);
        const float density = smoothstep(0.48F, 0.78F, streak) * smoothstep(0.42F, 0.62F, bands);
        const float thin = 1.0F - 0.45F * smoothstep(0.55F, 1.0F, v);
        return mix(current, wisp, clamp01(density * thin) * (dark ? 0.6F : 0.85F));
    });
    return canvas.toImage();
}

QImage paintCumulus(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x040916)}, {0.3F, hex(0x142446)}, {0.42F, hex(0x31466e)}}
             : std::vector<GradientStop>{{0.0F, hex(0x2f6cbc)}, {0.3F, hex(0x8fb9e2)}, {0.42F, hex(0xe4eef6)}};
    canvas.fill([&](float, float v) { return gradient(sky, v); });
    if (dark) drawStars(canvas, 300, 101, [](float, float v) { return 1.0F - smoothstep(0.1F, 0.35F, v); }, 0.9F);

    const float lx = -0.55F, ly = 0.62F, lz = 0.56F;
    const Rgb lit = dark ? hex(0xa9b8d8) : hex(0xffffff);
    const Rgb shadow = dark ? hex(0x27355a) : hex(0xa9bbd3);
    const Rgb haze = dark ? hex(0x31466e) : hex(0xe4eef6);

    drawCloudTower(canvas, 0.36F * static_cast<float>(width), 0.47F * static_cast<float>(canvas.height()),
                   0.06F * static_cast<float>(canvas.height()), lit, shadow);

    Landscape clouds;
    clouds.horizon = 0.42F;
    clouds.cameraHeight = 2.2F;
    clouds.focal = 0.75F;
    clouds.nearDistance = 1.2F;
    clouds.farDistance = 140;
    clouds.height = [](float x, float z) {
        // Billows: rounded heaps from folded noise.
        const float heaps = std::abs(2 * fbm(x * 0.22F, z * 0.22F, 3, 111) - 1);
        const float deck = 0.9F * std::sqrt(heaps) + 0.4F * fbm(x * 0.06F, z * 0.06F, 2, 112);
        return deck;
    };
    clouds.shade = [&](float, float, float nx, float ny, float nz, float distance) {
        const float wrap = clamp01((nx * lx + ny * ly + nz * lz + 0.4F) / 1.4F);
        const Rgb color = mix(shadow, lit, wrap);
        return mix(color, haze, 1.0F - std::exp(-distance / 90.0F));
    };
    drawLandscape(canvas, clouds);
    return canvas.toImage();
}

}  // namespace zephrane::photographs
