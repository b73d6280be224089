// The sand scenes: black volcanic ripples, golden dunes, pale combed sand
// and a desert ridge at dusk. The first three are height fields lit by a
// low sun (or moon), the last is layered silhouettes against the sky.
#include <algorithm>
#include <cmath>

#include "ZephraneApp/DesignSystem/Backdrops/Photographs/SceneKit.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

namespace zephrane::photographs {
namespace {

struct Light {
    float x, y, z;
};

Light normalized(float x, float y, float z) {
    const float length = std::sqrt(x * x + y * y + z * z);
    return {x / length, y / length, z / length};
}

float lambert(const Light& light, float nx, float ny, float nz) {
    return std::max(0.0F, light.x * nx + light.y * ny + light.z * nz);
}

// A wind ripple: a gentle windward slope and a steep lee face, 0...1.
float ripple(float phase) {
    const float t = phase - std::floor(phase);
    return t < 0.7F ? smoothstep(0.0F, 0.7F, t) : 1.0F - smoothstep(0.7F, 1.0F, t);
}

Rgb fogged(Rgb ground, Rgb haze, float distance, float far) {
    return mix(ground, haze, 1.0F - std::exp(-distance / far));
}

}  // namespace

QImage paintBlackSand(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const Rgb sky0 = dark ? hex(0x05070d) : hex(0xaeb8c4);
    const Rgb sky1 = dark ? hex(0x1a2233) : hex(0xe6e9ec);
    canvas.fill([&](float, float v) { return mix(sky0, sky1, smoothstep(0.0F, 0.16F, v)); });

    const Light sun = dark ? normalized(-0.35F, 0.22F, -0.9F) : normalized(-0.4F, 0.32F, -0.86F);
    const Rgb sunColor = dark ? hex(0x90a6d6) : hex(0xfff1de);
    const Rgb ambient = dark ? hex(0x161c2e) : hex(0x56606e);
    const Rgb sand = dark ? hex(0x26272b) : hex(0x3a393b);
    const Rgb glint = dark ? hex(0x9fb4e0) : hex(0xffffff);

    Landscape land;
    land.horizon = 0.15F;
    land.cameraHeight = 0.3F;
    land.focal = 0.9F;
    land.nearDistance = 0.2F;
    land.farDistance = 40;
    land.height = [](float x, float z) {
        const float fade = 1.0F - smoothstep(2.0F, 8.0F, z);
        const float warp = 3.2F * fbm(x * 2.2F, z * 1.1F, 3, 11);
        const float ripples = 0.010F * ripple(z * 11.0F + x * 3.0F + warp) * fade;
        return ripples + 0.08F * fbm(x * 0.25F, z * 0.25F, 3, 12);
    };
    land.shade = [&](float x, float z, float nx, float ny, float nz, float distance) {
        const float direct = lambert(sun, nx, ny, nz);
        Rgb color = sand * (sunColor * (direct * 1.6F) + ambient);
        // Volcanic glass catches the light on faces turned to it.
        const float speck = hash01(static_cast<std::uint32_t>(std::floor(x * 260)),
                                   static_cast<std::uint32_t>(std::floor(z * 260)), 13);
        if (distance < 2.5F && speck > 0.996F && direct > 0.55F) color = mix(color, glint, 0.6F);
        return fogged(color, sky1, distance, 14);
    };
    drawLandscape(canvas, land);
    return canvas.toImage();
}

QImage paintGoldenDune(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x131b3d)}, {0.22F, hex(0x3b3f73)}, {0.36F, hex(0xd9815a)}}
             : std::vector<GradientStop>{{0.0F, hex(0x2f6fb8)}, {0.25F, hex(0x8fbde2)}, {0.38F, hex(0xf6e2bf)}};
    canvas.fill([&](float, float v) { return gradient(sky, v); });

    const Light sun = dark ? normalized(-0.85F, 0.16F, 0.5F) : normalized(-0.8F, 0.4F, 0.45F);
    const Rgb sunColor = dark ? hex(0xff9a52) : hex(0xffe2b0);
    const Rgb ambient = dark ? hex(0x2b2344) : hex(0x8a6a58);
    const Rgb sand = dark ? hex(0xd0884a) : hex(0xe4a660);
    const Rgb haze = dark ? hex(0xb2706a) : hex(0xf3d9b4);

    Landscape land;
    land.horizon = 0.40F;
    land.cameraHeight = 3.2F;
    land.focal = 0.8F;
    land.nearDistance = 1.5F;
    land.farDistance = 120;
    land.height = [](float x, float z) {
        const float warp = 1.3F * fbm(x * 0.06F, z * 0.06F, 4, 21);
        const float crest = ripple(x * 0.16F + z * 0.07F + warp);
        const float swell = fbm(x * 0.03F, z * 0.03F, 3, 22);
        const float small = 0.015F * ripple(z * 3.0F + x * 0.8F + 2 * warp) * (1.0F - smoothstep(3.0F, 12.0F, z));
        return 1.7F * crest * (0.5F + 0.7F * swell) + small;
    };
    land.shade = [&](float, float, float nx, float ny, float nz, float distance) {
        const float direct = lambert(sun, nx, ny, nz);
        const Rgb color = sand * (sunColor * (direct * 1.25F) + ambient);
        return fogged(color, haze, distance, 70);
    };
    drawLandscape(canvas, land);
    return canvas.toImage();
}

QImage paintPaleSand(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const Rgb sky = dark ? hex(0x6f7390) : hex(0xf1ede6);
    canvas.fill([&](float, float) { return sky; });

    const Light sun = dark ? normalized(-0.3F, 0.3F, -0.9F) : normalized(-0.3F, 0.45F, -0.85F);
    const Rgb sunColor = dark ? hex(0xc9c4e6) : hex(0xfff6e8);
    const Rgb ambient = dark ? hex(0x3a3d5e) : hex(0xa69c90);
    const Rgb sand = dark ? hex(0xa49c9c) : hex(0xf0e3cc);

    Landscape land;
    land.horizon = 0.06F;
    land.cameraHeight = 0.4F;
    land.focal = 0.8F;
    land.nearDistance = 0.25F;
    land.farDistance = 30;
    land.height = [](float x, float z) {
        // Long, gently bending lines: the phase runs mostly across the view.
        const float bend = 1.2F * fbm(x * 1.5F, z * 0.6F, 3, 31) + 0.3F * std::sin(x * 2.0F);
        const float fade = 1.0F - smoothstep(1.5F, 5.0F, z);
        const float lines = 0.0035F * ripple(z * 20.0F - x * 2.0F + 8 * bend) * fade;
        return lines + 0.04F * fbm(x * 0.3F, z * 0.3F, 3, 32);
    };
    land.shade = [&](float, float, float nx, float ny, float nz, float distance) {
        const float direct = lambert(sun, nx, ny, nz);
        const Rgb color = sand * (sunColor * (direct * 0.95F) + ambient * 0.55F);
        return fogged(color, sky, distance, 16);
    };
    drawLandscape(canvas, land);
    return canvas.toImage();
}

QImage paintDesertDusk(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float aspect = static_cast<float>(width) / static_cast<float>(canvas.height());
    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x0b0e2a)},
                                         {0.30F, hex(0x2d2658)},
                                         {0.50F, hex(0x8a3f6e)},
                                         {0.62F, hex(0xe0784a)}}
             : std::vector<GradientStop>{{0.0F, hex(0x7a9cc8)},
                                         {0.32F, hex(0xc9c0cf)},
                                         {0.52F, hex(0xf2c196)},
                                         {0.64F, hex(0xffdca8)}};
    canvas.fill([&](float, float v) { return gradient(sky, v); });
    if (dark) drawStars(canvas, 260, 41, [](float, float v) { return 1.0F - smoothstep(0.1F, 0.42F, v); });
    const float sunX = 0.34F * static_cast<float>(width);
    const float sunY = 0.6F * static_cast<float>(canvas.height());
    canvas.glow(sunX, sunY, 0.12F * static_cast<float>(width), dark ? hex(0xff7a45) : hex(0xfff0c8), dark ? 0.55F : 0.7F);
    if (!dark) canvas.glow(sunX, sunY, 0.012F * static_cast<float>(width), hex(0xfffbef), 1.0F);

    // Ridges from far to near: each one lower on the screen, sharper and
    // darker, hazed by the sky behind it.
    struct Ridge {
        float base, amplitude, frequency;
        Rgb color;
        std::uint32_t seed;
    };
    const Rgb haze = dark ? hex(0x9a4a6e) : hex(0xe9b9a0);
    const std::vector<Ridge> ridges =
        dark ? std::vector<Ridge>{{0.60F, 0.07F, 2.0F, hex(0x5a3058), 51},
                                  {0.66F, 0.10F, 2.6F, hex(0x3a2148), 52},
                                  {0.75F, 0.12F, 1.7F, hex(0x221533), 53},
                                  {0.88F, 0.10F, 1.3F, hex(0x110b1c), 54}}
             : std::vector<Ridge>{{0.60F, 0.07F, 2.0F, hex(0xc79a9a), 51},
                                  {0.66F, 0.10F, 2.6F, hex(0xa87470), 52},
                                  {0.75F, 0.12F, 1.7F, hex(0x7d4f48), 53},
                                  {0.88F, 0.10F, 1.3F, hex(0x4f3029), 54}};
    for (std::size_t i = 0; i < ridges.size(); ++i) {
        const Ridge& ridge = ridges[i];
        const float depth = static_cast<float>(i) / static_cast<float>(ridges.size() - 1);
        canvas.paint([&](float u, float v, Rgb current) {
            const float n = fbm1(u * aspect * ridge.frequency, 5, ridge.seed);
            const float peak = 1.0F - std::abs(2 * n - 1);  // ridged: sharp crests
            const float line = ridge.base - ridge.amplitude * (0.35F * n + 0.65F * peak * peak);
            if (v < line) return current;
            // A rim of light along the crest, stronger on the near ridges.
            const float rim = (1.0F - smoothstep(0.0F, 0.004F, v - line)) * (0.15F + 0.25F * depth);
            const Rgb body = mix(ridge.color, haze, 0.45F * (1 - depth) * (1 - smoothstep(line, line + 0.2F, v)));
            return mix(body, dark ? hex(0xff9a66) : hex(0xffe2b8), rim);
        });
    }
    return canvas.toImage();
}

}  // namespace zephrane::photographs
