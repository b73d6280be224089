// A racing car on a floodlit circuit: the track sweeps in from the right
// and bends away to the grandstand, long-exposure light trails follow it,
// and a low prototype car sits in the foreground with its lights on. The
// light version is the same moment at blue hour with the sunset behind.
#include <cmath>

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include "ZephraneApp/DesignSystem/Backdrops/Photographs/SceneKit.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

namespace zephrane::photographs {
namespace {

QColor qcolor(Rgb c, float alpha = 1.0F) { return QColor::fromRgbF(clamp01(c.r), clamp01(c.g), clamp01(c.b), alpha); }

// The track's centre line, from the foreground (s = 0) to where it meets
// the grandstand (s = 1), in screen units; and its half width there.
QPointF trackCentre(double s) {
    const double t = 1 - s;
    const QPointF p0(1.15, 0.98), p1(0.45, 0.8), p2(0.05, 0.6), p3(0.3, 0.43);
    return t * t * t * p0 + 3 * t * t * s * p1 + 3 * t * s * s * p2 + s * s * s * p3;
}
double trackHalfWidth(double s) { return 0.2 * std::pow(1 - s, 1.6) + 0.012; }

QPointF trackPoint(double s, double side, double w, double h) {
    const QPointF a = trackCentre(std::max(0.0, s - 0.001));
    const QPointF b = trackCentre(std::min(1.0, s + 0.001));
    const QPointF d = b - a;
    const double length = std::hypot(d.x(), d.y() * h / w);
    const QPointF normal(-d.y() * h / w / length, d.x() / length);
    const QPointF c = trackCentre(s) + normal * (side * trackHalfWidth(s));
    return {c.x() * w, c.y() * h};
}

QPainterPath trackLine(double side, double w, double h) {
    QPainterPath path;
    path.moveTo(trackPoint(0, side, w, h));
    for (int i = 1; i <= 200; ++i) path.lineTo(trackPoint(i / 200.0, side, w, h));
    return path;
}

void drawCar(QPainter& painter, double x, double y, double length, bool dark) {
    const double height = length * 0.3;
    const auto at = [&](double u, double v) { return QPointF(x + u * length, y + v * height); };

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0, 0, 0, 150));
    painter.drawEllipse(at(0.5, 0.93), length * 0.52, height * 0.1);

    QPainterPath body;
    body.moveTo(at(0.0, 0.6));
    body.lineTo(at(0.01, 0.42));
    body.cubicTo(at(0.12, 0.38), at(0.26, 0.36), at(0.34, 0.34));
    body.cubicTo(at(0.4, 0.2), at(0.48, 0.12), at(0.56, 0.12));
    body.cubicTo(at(0.64, 0.12), at(0.7, 0.26), at(0.76, 0.38));
    body.cubicTo(at(0.86, 0.44), at(0.95, 0.52), at(1.0, 0.7));
    body.lineTo(at(0.99, 0.84));
    body.lineTo(at(0.02, 0.86));
    body.closeSubpath();
    QLinearGradient paint(at(0, 0.1), at(0, 0.9));
    paint.setColorAt(0.0, dark ? QColor(255, 120, 100) : QColor(255, 150, 130));
    paint.setColorAt(0.35, dark ? QColor(175, 16, 28) : QColor(205, 30, 40));
    paint.setColorAt(1.0, dark ? QColor(40, 4, 8) : QColor(90, 10, 16));
    painter.setBrush(paint);
    painter.drawPath(body);

    // A dark lower sill and a white stripe along the flank.
    painter.setBrush(QColor(10, 10, 14));
    painter.drawRect(QRectF(at(0.02, 0.74), at(0.99, 0.86)));
    QPainterPath stripe;
    stripe.moveTo(at(0.04, 0.52));
    stripe.cubicTo(at(0.4, 0.47), at(0.7, 0.5), at(0.97, 0.62));
    painter.strokePath(stripe, QPen(QColor(245, 245, 240), height * 0.05));

    // The canopy and the light running along its top.
    QPainterPath canopy;
    canopy.moveTo(at(0.42, 0.33));
    canopy.cubicTo(at(0.46, 0.2), at(0.52, 0.16), at(0.57, 0.16));
    canopy.cubicTo(at(0.63, 0.16), at(0.67, 0.26), at(0.7, 0.34));
    canopy.closeSubpath();
    painter.setBrush(QColor(8, 10, 18));
    painter.drawPath(canopy);
    QPainterPath glint;
    glint.moveTo(at(0.47, 0.22));
    glint.cubicTo(at(0.51, 0.18), at(0.58, 0.18), at(0.63, 0.22));
    painter.strokePath(glint, QPen(QColor(255, 255, 255, 160), height * 0.025, Qt::SolidLine, Qt::RoundCap));

    // Rear wing on its pylon.
    painter.setBrush(QColor(12, 12, 16));
    painter.drawRect(QRectF(at(0.0, 0.1), at(0.13, 0.17)));
    painter.drawRect(QRectF(at(0.07, 0.17), at(0.09, 0.4)));

    for (const double wheel : {0.2, 0.8}) {
        const QPointF centre = at(wheel, 0.8);
        const double r = height * 0.26;
        painter.setBrush(QColor(4, 4, 6));
        painter.drawEllipse(centre, r * 1.12, r * 1.12);
        painter.setBrush(QColor(6, 6, 8));
        painter.drawEllipse(centre, r, r);
        painter.setBrush(dark ? QColor(80, 86, 98) : QColor(120, 126, 138));
        painter.drawEllipse(centre, r * 0.62, r * 0.62);
        painter.setPen(QPen(QColor(30, 32, 38), r * 0.08));
        for (int k = 0; k < 5; ++k) {
            const double angle = k * 2 * M_PI / 5 + wheel;
            painter.drawLine(centre, centre + QPointF(std::cos(angle), std::sin(angle)) * r * 0.6);
        }
        painter.setPen(Qt::NoPen);
    }
}

}  // namespace

QImage paintNightCircuit(int width, BackdropAppearance appearance) {
    const bool dark = appearance == BackdropAppearance::dark;
    Canvas canvas(width, sceneHeight(width));
    const float w = static_cast<float>(width);
    const float h = static_cast<float>(canvas.height());
    const std::vector<GradientStop> sky =
        dark ? std::vector<GradientStop>{{0.0F, hex(0x02040a)}, {0.43F, hex(0x101a30)}}
             : std::vector<GradientStop>{{0.0F, hex(0x3a5c96)}, {0.3F, hex(0x9a9fc0)}, {0.43F, hex(0xf0b285)}};
    const Rgb infield = dark ? hex(0x080c0a) : hex(0x44583f);
    canvas.fill([&](float u, float v) {
        if (v < 0.43F) return gradient(sky, v);
        return mix(infield, infield * 0.6F, fbm(u * 30, v * 30, 3, 171) * 0.6F);
    });
    if (dark) drawStars(canvas, 120, 172, [](float, float v) { return 1.0F - smoothstep(0.05F, 0.3F, v); }, 0.6F);

    // The grandstand and its floodlight towers on the horizon.
    for (std::uint32_t i = 0; i < 6; ++i) {
        const float x = (0.08F + 0.17F * static_cast<float>(i) + 0.03F * hash01(i, 1, 173)) * w;
        canvas.glow(x, 0.3F * h, 0.05F * w, dark ? hex(0xcfdcff) : hex(0xfff2dc), dark ? 0.35F : 0.2F);
    }
    QImage image = canvas.toImage();
    {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(qcolor(dark ? hex(0x05070c) : hex(0x2c3046)));
        painter.drawRect(QRectF(0, 0.36 * h, w, 0.075 * h));
        for (std::uint32_t i = 0; i < 6; ++i) {
            const double x = (0.08 + 0.17 * i + 0.03 * hash01(i, 1, 173)) * w;
            painter.drawRect(QRectF(x - 0.002 * w, 0.3 * h, 0.004 * w, 0.08 * h));
            painter.setBrush(QColor(255, 250, 235));
            painter.drawRect(QRectF(x - 0.01 * w, 0.295 * h, 0.02 * w, 0.01 * h));
            painter.setBrush(qcolor(dark ? hex(0x05070c) : hex(0x2c3046)));
        }
        for (std::uint32_t i = 0; i < 160; ++i) {
            painter.setBrush(QColor(255, 214, 150, dark ? 230 : 140));
            painter.drawEllipse(QPointF(hash01(i, 2, 174) * w, (0.375 + 0.05 * hash01(i, 3, 174)) * h), 0.0012 * w, 0.0012 * w);
        }

        // Asphalt between the two edges, then the white lines and the kerb.
        QPainterPath track = trackLine(1, w, h);
        const QPainterPath inner = trackLine(-1, w, h).toReversed();
        track.connectPath(inner);
        track.closeSubpath();
        QLinearGradient asphalt(0, 0.43 * h, 0, h);
        asphalt.setColorAt(0, dark ? QColor(30, 34, 44) : QColor(120, 124, 134));
        asphalt.setColorAt(1, dark ? QColor(14, 15, 19) : QColor(66, 68, 74));
        painter.setBrush(asphalt);
        painter.drawPath(track);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(QColor(235, 235, 230, dark ? 200 : 230), 0.003 * w));
        painter.drawPath(trackLine(0.96, w, h));
        painter.setPen(QPen(QColor(245, 245, 245), 0.009 * w, Qt::SolidLine, Qt::FlatCap));
        painter.drawPath(trackLine(-1.02, w, h));
        QPen kerb(QColor(214, 36, 36), 0.009 * w, Qt::CustomDashLine, Qt::FlatCap);
        kerb.setDashPattern({1.0, 1.0});
        painter.setPen(kerb);
        painter.drawPath(trackLine(-1.02, w, h));

        // Long-exposure trails of the cars that passed: tail lights and
        // headlights, each a wide faint stroke under a thin bright one.
        painter.setCompositionMode(QPainter::CompositionMode_Plus);
        for (int i = 0; i < 7; ++i) {
            const double side = -0.7 + 0.22 * i;
            const QColor color = i % 3 == 0 ? QColor(255, 235, 210) : QColor(255, 40, 30);
            QColor wide = color;
            wide.setAlpha(dark ? 40 : 25);
            painter.setPen(QPen(wide, 0.012 * w, Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(trackLine(side, w, h));
            QColor thin = color;
            thin.setAlpha(dark ? 220 : 150);
            painter.setPen(QPen(thin, 0.0018 * w, Qt::SolidLine, Qt::RoundCap));
            painter.drawPath(trackLine(side, w, h));
        }
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(Qt::NoPen);

        // The headlight's beam on the asphalt ahead of the car.
        QRadialGradient beam(QPointF(0.95 * w, 0.83 * h), 0.25 * w);
        beam.setColorAt(0, QColor(220, 230, 255, dark ? 110 : 50));
        beam.setColorAt(1, QColor(220, 230, 255, 0));
        painter.setBrush(beam);
        painter.drawEllipse(QPointF(1.05 * w, 0.86 * h), 0.2 * w, 0.05 * h);

        drawCar(painter, 0.5 * w, 0.61 * h, 0.46 * w, dark);
    }
    canvas.fromImage(image);
    // Lamps: headlight at the nose, tail light under the wing.
    canvas.glow(0.955F * w, 0.8F * h, 0.006F * w, hex(0xeef4ff), 1.0F);
    canvas.glow(0.955F * w, 0.8F * h, 0.03F * w, hex(0xbcd0ff), dark ? 0.5F : 0.3F);
    canvas.glow(0.505F * w, 0.74F * h, 0.005F * w, hex(0xff2a1a), 1.0F);
    canvas.glow(0.505F * w, 0.74F * h, 0.025F * w, hex(0xff3020), dark ? 0.45F : 0.25F);
    return canvas.toImage();
}

}  // namespace zephrane::photographs
