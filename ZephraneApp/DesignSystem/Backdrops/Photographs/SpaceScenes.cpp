// The space scenes: a nebula of warped gas and dust lanes, and a banded gas
// giant with its rings, each casting its shadow on the other. The light
// versions are the same objects on a pale, high-key sky.
#include <algorithm>
#include <cmath>

#include "ZephraneApp/DesignSystem/Backdrops/Photographs/SceneKit.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

namespace zephrane::photographs {
namespace {

struct Vec {
    float x, y, z;
};
float dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec normalized(Vec v) {
    const float length = std::sqrt(dot(v, v));
    return {v.x / length, v.y / length, v.z / length};
}

constexpr float kRingInner = 1.3F;
constexpr float kRingOuter = 2.25F;

// Opacity of the ring at radius r (planet radii): bands, and a dark gap.
float ringDensity(float r) {
    if (r < kRingInner || r > kRingOuter) return 0;
    const float bands = 0.45F + 0.55F * fbm1(r * 9.0F, 4, 121);
    const float gap = 1.0F - 0.9F * (smoothstep(1.86F, 1.88F, r) - smoothstep(1.94F, 1.96F, r));
    const float edges = smoothstep(kRingInner, kRingInner + 0.06F, r) * (1 - smoothstep(kRingOuter - 0.04F, kRingOuter, r));
    return clamp01(bands * gap * edges);
}

}  // namespace

QImage paintNebula(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float aspect = static_cast<float>(width) / static_cast<float>(canvas.height());
    const Rgb background = dark ? hex(0x03040b) : hex(0xeef0f6);
    const Rgb warm = dark ? hex(0xd2407a) : hex(0xf0a9c8);
    const Rgb cool = dark ? hex(0x2f9fc4) : hex(0x9cc3ec);
    const Rgb core = dark ? hex(0xffd9b8) : hex(0xfff6ea);
    const Rgb dust = dark ? hex(0x000000) : hex(0x6d6478);
    canvas.fill([&](float u, float v) {
        const float x = u * aspect;
        // Warped coordinates give the gas its swirls.
        const float wx = x + 0.45F * (fbm(x * 1.4F, v * 1.4F, 4, 131) - 0.5F);
        const float wy = v + 0.45F * (fbm(x * 1.4F + 9, v * 1.4F + 4, 4, 132) - 0.5F);
        const float gasWarm = smoothstep(0.42F, 0.8F, fbm(wx * 2.0F, wy * 2.0F, 6, 133));
        const float gasCool = smoothstep(0.45F, 0.85F, fbm(wx * 2.6F + 5, wy * 2.6F, 5, 134));
        const float lanes = 1.0F - std::abs(2 * fbm(wx * 3.5F, wy * 3.5F, 5, 135) - 1);
        const float dx = u - 0.62F;
        const float dy = (v - 0.46F) / aspect;
        const float glow = std::exp(-(dx * dx + dy * dy) / 0.02F);
        Rgb color = background;
        if (dark) {
            color = screen(color, warm, 0.95F * gasWarm);
            color = screen(color, cool, 0.8F * gasCool);
            color = screen(color, core, 0.75F * glow * (0.5F + gasWarm));
        } else {
            color = mix(color, warm, 0.75F * gasWarm);
            color = mix(color, cool, 0.65F * gasCool);
            color = mix(color, core, 0.6F * glow);
        }
        const float shadow = smoothstep(0.72F, 0.93F, lanes) * (0.3F + 0.7F * std::max(gasWarm, gasCool));
        return mix(color, dust, (dark ? 0.85F : 0.45F) * shadow);
    });
    drawStars(canvas, dark ? 900.0F : 260.0F, 136, [](float, float) { return 1.0F; }, dark ? 1.0F : 0.7F);
    return canvas.toImage();
}

QImage paintRingedPlanet(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float h = static_cast<float>(canvas.height());
    const float w = static_cast<float>(width);
    const std::vector<GradientStop> sky = dark
                                              ? std::vector<GradientStop>{{0.0F, hex(0x020309)}, {1.0F, hex(0x0a0c1c)}}
                                              : std::vector<GradientStop>{{0.0F, hex(0xd9e2ee)}, {1.0F, hex(0xf5efe6)}};
    canvas.fill([&](float, float v) { return gradient(sky, v); });
    drawStars(canvas, dark ? 600.0F : 90.0F, 141, [](float, float) { return 1.0F; }, dark ? 1.0F : 0.4F);

    const float cx = 0.6F * w;
    const float cy = 0.52F * h;
    const float radius = 0.3F * h;
    // The ring plane is seen nearly edge-on and turned a little.
    const float beta = 1.3F;
    const float phi = -0.28F;
    const Vec ringNormal = normalized({std::sin(beta) * std::sin(phi), -std::sin(beta) * std::cos(phi), std::cos(beta)});
    const Vec sun = dark ? normalized({-0.85F, -0.25F, 0.45F}) : normalized({-0.45F, -0.3F, 0.85F});
    const std::vector<GradientStop> bands{{0.0F, hex(0xf1e2c2)}, {0.2F, hex(0xd8b487)}, {0.35F, hex(0xb88158)},
                                          {0.5F, hex(0xe9d3a8)}, {0.65F, hex(0xc8976a)}, {0.8F, hex(0xe6cfa3)},
                                          {1.0F, hex(0xa9764f)}};
    const Rgb ringColor = hex(0xd9c6a3);
    const Rgb night = dark ? hex(0x05060c) : hex(0x8f93a6);

    canvas.paint([&](float u, float v, Rgb current) {
        const float x = (u * w - cx) / radius;
        const float y = (v * h - cy) / radius;
        const float pixel = 1.0F / radius;
        const float r2 = x * x + y * y;
        Rgb color = current;

        // The far half of the ring lies behind the planet, so it is drawn first.
        const float ringZ = -(ringNormal.x * x + ringNormal.y * y) / ringNormal.z;
        const Vec ringPoint{x, y, ringZ};
        const float ringR = std::sqrt(dot(ringPoint, ringPoint));
        float ringAlpha = ringDensity(ringR);
        Rgb ringLit = ringColor;
        if (ringAlpha > 0) {
            const float along = -dot(ringPoint, sun);
            const bool shadowed = along > 0 && dot(ringPoint, ringPoint) - along * along < 1.0F;
            ringLit = shadowed ? mix(night, ringColor, 0.08F) : ringColor * (0.75F + 0.25F * ringAlpha);
            ringAlpha *= 0.9F;
        }
        const auto drawRing = [&]() { color = mix(color, ringLit, ringAlpha); };

        const float coverage = clamp01((1.0F - std::sqrt(r2)) / pixel + 0.5F);
        const float sphereZ = std::sqrt(std::max(0.0F, 1.0F - r2));
        if (ringZ < sphereZ || coverage <= 0) drawRing();
        if (coverage > 0) {
            const Vec n{x, y, sphereZ};
            const float latitude = dot(n, ringNormal);
            const float turbulence = 0.05F * (fbm(x * 6, latitude * 22, 5, 142) - 0.5F);
            Rgb surface = gradient(bands, clamp01((latitude + turbulence) * 0.5F + 0.5F));
            const float light = smoothstep(-0.08F, 0.35F, dot(n, sun));
            // The ring's shadow across the disc.
            const float toPlane = -dot(n, ringNormal) / dot(sun, ringNormal);
            if (toPlane > 0) {
                const Vec hit{n.x + sun.x * toPlane, n.y + sun.y * toPlane, n.z + sun.z * toPlane};
                surface = surface * (1.0F - 0.7F * ringDensity(std::sqrt(dot(hit, hit))));
            }
            const float limb = 0.6F + 0.4F * std::sqrt(sphereZ);
            const Rgb planet = mix(night, surface * limb, light);
            color = mix(color, planet, coverage);
        }
        if (ringZ >= sphereZ && coverage > 0) drawRing();
        return color;
    });
    return canvas.toImage();
}

}  // namespace zephrane::photographs
