#include "ZephraneApp/DesignSystem/Painters/MiniGraphPainter.hpp"

#include <vector>

#include <QImage>
#include <QPainter>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Tokens/HeatColors.hpp"

namespace zephrane::design {
namespace {

const QSizeF kCanvas(120, 40);

QImage draw(MiniGraphPainter& painter, const std::vector<double>& samples, const MiniGraphStyle& style,
            std::optional<MiniGraphRange> range = std::nullopt) {
    MiniGraphScroll scroll;
    const auto frame = miniGraphFrame(samples, kCanvas, 1.0, true, range, scroll);
    QImage image(kCanvas.toSize(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    if (frame) painter.paint(p, *frame, kCanvas, style);
    return image;
}

MiniGraphStyle style(QColor tint) { return {tint, 2.0, false, false, 1.0, QColor(0, 0, 0, 20)}; }

TEST(MiniGraphPainterTest, ConstantReadingsDrawOneLineAtMidHeightAndTheDot) {
    MiniGraphPainter painter;
    const QImage image = draw(painter, {50, 50, 50, 50}, style(Qt::red));
    EXPECT_EQ(image.pixelColor(60, 20).red(), 255);
    EXPECT_EQ(image.pixelColor(60, 20).alpha(), 255);
    EXPECT_EQ(image.pixelColor(60, 5).alpha(), 0);
    EXPECT_EQ(image.pixelColor(60, 35).alpha(), 0);  // no fill asked for
    EXPECT_GT(image.pixelColor(118, 20).alpha(), 0);  // the dot at the newest point, inside the canvas
}

TEST(MiniGraphPainterTest, FillFadesDownwardsOverABaseline) {
    MiniGraphPainter painter;
    MiniGraphStyle s = style(Qt::blue);
    s.showFill = true;
    const QImage image = draw(painter, {10, 10}, s, MiniGraphRange{0, 20});
    const int nearLine = image.pixelColor(60, 23).alpha();
    const int nearBottom = image.pixelColor(60, 36).alpha();
    EXPECT_GT(nearLine, nearBottom);
    EXPECT_GT(nearBottom, 0);
    EXPECT_GT(image.pixelColor(60, 39).alpha(), nearBottom);  // the baseline's hairline
    EXPECT_EQ(image.pixelColor(60, 10).alpha(), 0);           // nothing above the line
}

TEST(MiniGraphPainterTest, NothingDrawnBelowTwoReadings) {
    MiniGraphPainter painter;
    const QImage image = draw(painter, {50}, style(Qt::red));
    for (int x = 0; x < image.width(); x += 7)
        for (int y = 0; y < image.height(); y += 3) ASSERT_EQ(image.pixelColor(x, y).alpha(), 0);
}

TEST(MiniGraphPainterTest, ThermalLineRunsFromTheBottomColourToTheTopColour) {
    MiniGraphPainter painter;
    MiniGraphStyle s = style(Qt::white);
    s.thermal = true;
    s.lineWidth = 3;
    // A line rising from the bottom-left to the top-right of a 40…90 range.
    const QImage image = draw(painter, {40, 65, 90}, s, MiniGraphRange{40, 90});
    const QColor low = image.pixelColor(2, 38);
    const QColor high = image.pixelColor(117, 2);
    EXPECT_NEAR(low.hsvHueF(), Theme::temperatureColor(40).hsvHueF(), 0.03);
    EXPECT_NEAR(high.hsvHueF(), Theme::temperatureColor(90).hsvHueF(), 0.03);
}

TEST(MiniGraphPainterTest, GradientsAreRebuiltOnlyWhenTheirInputsChange) {
    MiniGraphPainter painter;
    MiniGraphStyle s = style(Qt::blue);
    s.showFill = true;
    draw(painter, {10, 12}, s);
    draw(painter, {10, 12}, s);
    EXPECT_EQ(painter.gradientBuilds(), 1u);
    s.tint = Qt::green;
    draw(painter, {10, 12}, s);
    EXPECT_EQ(painter.gradientBuilds(), 2u);

    s.showFill = false;
    s.thermal = true;
    draw(painter, {40, 60}, s);  // 40…60
    draw(painter, {60, 40}, s);  // the same range
    EXPECT_EQ(painter.gradientBuilds(), 3u);
    draw(painter, {40, 70}, s);
    EXPECT_EQ(painter.gradientBuilds(), 4u);
}

}  // namespace
}  // namespace zephrane::design
