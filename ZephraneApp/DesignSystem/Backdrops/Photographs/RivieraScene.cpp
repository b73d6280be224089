// A Mediterranean harbour seen from the hillside above it: a town of
// pastel houses down the slope on the left, a breakwater around moored
// boats, a headland across the bay. At night the windows and the quay are
// lit and their lights run down the water.
#include <algorithm>
#include <cmath>

#include <QPainter>
#include <QPainterPath>

#include "ZephraneApp/DesignSystem/Backdrops/Photographs/SceneKit.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

namespace zephrane::photographs {
namespace {

constexpr float kHorizon = 0.3F;

// The shore runs from the upper left down to the harbour at the bottom:
// land lies left of it.
float shoreAt(float v) {
    return 0.08F + 0.52F * smoothstep(kHorizon, 1.05F, v) + 0.05F * (fbm1(v * 9, 4, 161) - 0.5F);
}

// The headland across the bay, on the right at the horizon.
float headlandTop(float u) {
    const float rise = smoothstep(0.55F, 0.95F, u);
    return kHorizon - rise * (0.045F + 0.03F * fbm1(u * 8, 5, 162));
}

// The hillside the view is taken from rises above the horizon on the left.
float hillTop(float u) { return kHorizon - 0.14F * (1.0F - smoothstep(0.0F, 0.22F, u)) * (0.85F + 0.3F * fbm1(u * 12, 4, 170)); }

QColor qcolor(Rgb c) {
    return QColor::fromRgbF(clamp01(c.r), clamp01(c.g), clamp01(c.b));
}

}  // namespace

QImage paintRiviera(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(canvas.height());
    const float aspect = w / h;

    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x070d22)}, {0.3F, hex(0x22345e)}}
             : std::vector<GradientStop>{{0.0F, hex(0x4a8fd0)}, {0.3F, hex(0xd8e9f2)}};
    const Rgb seaFar = dark ? hex(0x1a2c4c) : hex(0x7fb8d8);
    const Rgb seaDeep = dark ? hex(0x061528) : hex(0x1f6fa8);
    const Rgb shallow = dark ? hex(0x0b2a3a) : hex(0x3cc2c6);
    const Rgb scrub = dark ? hex(0x0e1612) : hex(0x6f7d45);
    const Rgb dry = dark ? hex(0x1a1d18) : hex(0xb9a468);
    const Rgb headland = dark ? hex(0x121c2e) : hex(0x8aa0a8);

    const auto land = [&](float u, float v) {
        const float grass = fbm(u * aspect * 9, v * 9, 5, 164);
        return mix(scrub, dry, smoothstep(0.4F, 0.65F, grass));
    };
    canvas.fill([&](float u, float v) {
        if (v < kHorizon) {
            if (v > hillTop(u) && u < 0.3F) return land(u, v);
            if (v > headlandTop(u)) return headland;
            return gradient(sky, v);
        }
        const float shore = shoreAt(v);
        if (u < shore || v > 0.93F + 0.04F * fbm1(u * 6, 3, 163)) return land(u, v);
        const float depth = smoothstep(kHorizon, 0.6F, v);
        Rgb sea = mix(seaFar, seaDeep, depth);
        const float nearShore = 1.0F - smoothstep(0.0F, 0.06F, u - shore);
        sea = mix(sea, shallow, nearShore * 0.8F * depth);
        // Small waves catch the sky.
        const float wave = fbm(u * aspect * 60, v * 180, 3, 165);
        const float glitter = smoothstep(0.7F, 0.85F, wave) * (dark ? 0.08F : 0.35F) * (1 - depth * 0.5F);
        return mix(sea, dark ? hex(0x4a6a9a) : hex(0xffffff), glitter);
    });
    if (dark) {
        drawStars(canvas, 200, 166, [](float, float v) { return 1.0F - smoothstep(0.1F, 0.27F, v); }, 0.8F);
        canvas.glow(0.78F * w, 0.1F * h, 0.008F * w, hex(0xfdf6e3), 1.0F);
        canvas.glow(0.78F * w, 0.1F * h, 0.06F * w, hex(0x6f86b8), 0.3F);
    }

    QImage image = canvas.toImage();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);

        // The breakwater curls out from the shore around the boats.
        QPainterPath pier;
        pier.moveTo(shoreAt(0.93F) * w, 0.93F * h);
        pier.cubicTo(0.75F * w, 0.9F * h, 0.86F * w, 0.76F * h, 0.8F * w, 0.64F * h);
        painter.strokePath(pier, QPen(qcolor(dark ? hex(0x3a3a44) : hex(0xd8ccb4)), 0.012 * h, Qt::SolidLine, Qt::RoundCap));
        const QPointF lighthouse(0.8 * w, 0.64 * h);
        painter.setBrush(qcolor(dark ? hex(0x8a2a2a) : hex(0xd8453a)));
        painter.drawEllipse(lighthouse, 0.005 * w, 0.005 * w);

        // Moored boats inside the harbour, a few sailing outside.
        for (std::uint32_t i = 0; i < 70; ++i) {
            const bool moored = i < 55;
            const float v = moored ? 0.7F + 0.2F * hash01(i, 1, 167) : 0.38F + 0.3F * hash01(i, 1, 167);
            const float shore = shoreAt(v);
            const float u = moored ? shore + 0.02F + (0.76F - shore) * hash01(i, 2, 167) : 0.4F + 0.55F * hash01(i, 2, 167);
            if (u < shore + 0.01F) continue;
            const float size = w * (0.004F + 0.008F * smoothstep(kHorizon, 1.0F, v)) * (0.7F + 0.6F * hash01(i, 3, 167));
            painter.save();
            painter.translate(u * w, v * h);
            painter.rotate(moored ? -30.0 : -10.0 + 20.0 * hash01(i, 4, 167));
            if (!moored) {
                painter.setBrush(QColor(255, 255, 255, dark ? 25 : 90));
                painter.drawEllipse(QPointF(-size * 2.5, 0), size * 3, size * 0.35);
            }
            painter.setBrush(QColor(0, 0, 0, 50));
            painter.drawEllipse(QPointF(size * 0.15, size * 0.25), size, size * 0.33);
            painter.setBrush(qcolor(dark ? hex(0x5b6270) : (hash01(i, 5, 167) > 0.8F ? hex(0x2d5fa0) : hex(0xfbfbf7))));
            painter.drawEllipse(QPointF(0, 0), size, size * 0.3);
            painter.restore();
        }

        // Houses down the slope, far (high) ones first, thicker by the shore.
        const Rgb walls[] = {hex(0xe8b86e), hex(0xd9835a), hex(0xf2e4c8), hex(0xeaa99a), hex(0xf1d06f), hex(0xf6f2ea)};
        for (std::uint32_t i = 0; i < 2600; ++i) {
            const float v = kHorizon + 0.02F + 0.64F * std::sqrt(hash01(i, 1, 168));
            const float shore = shoreAt(v);
            const float inland = 0.3F * std::pow(hash01(i, 2, 168), 1.6F);
            const float u = shore - 0.012F - inland;
            if (u < 0.0F) continue;
            if (hash01(i, 3, 168) < inland * 2.2F) continue;  // thinner up the hill
            const float scale = 0.4F + 1.2F * smoothstep(kHorizon, 1.0F, v);
            const float hw = w * 0.006F * scale * (0.8F + 0.5F * hash01(i, 4, 168));
            const float hh = hw * (0.7F + 0.5F * hash01(i, 5, 168));
            const Rgb wall = walls[hash(i, 6, 168) % 6];
            const Rgb shade = dark ? wall * 0.16F : wall;
            const QRectF front(u * w - hw, v * h - hh, hw * 1.6, hh);
            painter.setBrush(qcolor(shade));
            painter.drawRect(front);
            painter.setBrush(qcolor(dark ? shade * 0.7F : wall * 0.78F));
            painter.drawRect(QRectF(front.right(), front.top(), hw * 0.5, hh));
            QPolygonF roof;
            roof << QPointF(front.left() - hw * 0.08, front.top()) << QPointF(front.right() + hw * 0.58, front.top())
                 << QPointF(front.right() + hw * 0.3, front.top() - hh * 0.3) << QPointF(front.left() + hw * 0.2, front.top() - hh * 0.3);
            painter.setBrush(qcolor(dark ? hex(0x2a1712) : hex(0xb8583c)));
            painter.drawPolygon(roof);
            if (dark && hash01(i, 7, 168) > 0.35F) {
                painter.setBrush(qcolor(hex(0xffc46a)));
                painter.drawRect(QRectF(front.left() + hw * 0.35, front.top() + hh * 0.35, hw * 0.3, hh * 0.28));
            }
            // Trees between the houses.
            if (hash01(i, 8, 168) > 0.8F) {
                painter.setBrush(qcolor(dark ? hex(0x050806) : hex(0x3b5a2c)));
                painter.drawEllipse(QPointF(front.left() - hw * 0.6, front.bottom() - hh * 0.9), hw * 0.45, hh * 1.1);
            }
        }
    }

    if (dark) {
        // Quay lights and their reflections down the water.
        canvas.fromImage(image);
        for (std::uint32_t i = 0; i < 40; ++i) {
            const float v = 0.4F + 0.52F * hash01(i, 1, 169);
            const float x = shoreAt(v) * w + 0.004F * w;
            const Rgb lamp = hash01(i, 2, 169) > 0.3F ? hex(0xffb85c) : hex(0xfff1d0);
            canvas.glow(x, v * h, 0.0018F * w, lamp, 0.9F);
            canvas.glow(x, v * h, 0.008F * w, lamp, 0.12F);
            for (int k = 1; k < 14; ++k)
                canvas.glow(x + 0.002F * w * static_cast<float>(k % 2), v * h + static_cast<float>(k) * 0.006F * h, 0.0025F * w, lamp,
                            0.22F / static_cast<float>(k));
        }
        return canvas.toImage();
    }
    return image;
}

}  // namespace zephrane::photographs
