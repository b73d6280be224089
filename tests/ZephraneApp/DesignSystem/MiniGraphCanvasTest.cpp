// The mini graph item in a window: when it draws frames and when it draws
// none, with the clock driven by the test.
#include "ZephraneApp/DesignSystem/Painters/MiniGraphCanvas.hpp"

#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include "DesignQmlSupport.hpp"

namespace zephrane::design::testing {
namespace {

class MiniGraphCanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        testTheme();
        window_.resize(200, 60);
        graph_ = new MiniGraphCanvas(window_.contentItem());
        graph_->setSize(QSizeF(160, 40));
        graph_->setClock([this] { return now_; });
    }

    void show() {
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    // Frames until the graph stops asking for more, the clock advancing a
    // thirtieth of a second each.
    int runToRest(int limit = 200) {
        int frames = 0;
        while (graph_->animating() && frames < limit) {
            now_ += 1.0 / 30;
            graph_->frame();
            ++frames;
        }
        return frames;
    }

    QQuickWindow window_;
    MiniGraphCanvas* graph_ = nullptr;
    double now_ = 1000;
};

TEST_F(MiniGraphCanvasTest, NewReadingsAnimateUntilRestThenStop) {
    show();
    graph_->setSamples({40, 41, 42, 43});
    EXPECT_TRUE(graph_->animating());
    const int frames = runToRest();
    EXPECT_GT(frames, 25);  // a second of scrolling at 30 frames a second
    EXPECT_LT(frames, 200);
    EXPECT_FALSE(graph_->animating());

    graph_->setSamples({41, 42, 43, 50});
    EXPECT_TRUE(graph_->animating());
    runToRest();
    EXPECT_FALSE(graph_->animating());
}

TEST_F(MiniGraphCanvasTest, NothingIsDrawnWhileTheMainWindowIsHidden) {
    show();
    graph_->setMainWindowVisible(false);
    const long long before = graph_->frameCount();
    graph_->setSamples({40, 41, 42, 43});
    graph_->setSamples({40, 41, 42, 43, 60});
    EXPECT_FALSE(graph_->animating());
    EXPECT_EQ(graph_->frameCount(), before);

    // Hidden halfway through easing: the frames stop at once.
    graph_->setMainWindowVisible(true);
    EXPECT_TRUE(graph_->animating());
    now_ += 0.1;
    graph_->frame();
    graph_->setMainWindowVisible(false);
    EXPECT_FALSE(graph_->animating());  // no timer left to draw another frame
    const long long hidden = graph_->frameCount();
    graph_->setSamples({40, 41, 42, 43, 60, 61});
    QCoreApplication::processEvents();
    EXPECT_EQ(graph_->frameCount(), hidden);
}

TEST_F(MiniGraphCanvasTest, NothingIsDrawnInAHiddenWindowOrWithOneReading) {
    graph_->setSamples({40, 41, 42});
    EXPECT_FALSE(graph_->animating());  // the window was never shown
    EXPECT_EQ(graph_->frameCount(), 0);
    show();
    EXPECT_TRUE(graph_->animating());
    window_.hide();
    EXPECT_FALSE(graph_->animating());

    window_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    graph_->setSamples({40});
    runToRest();
    EXPECT_FALSE(graph_->animating());
}

TEST_F(MiniGraphCanvasTest, ReduceMotionDrawsOneFrameAndRests) {
    show();
    graph_->setReduceMotion(true);
    const long long before = graph_->frameCount();
    graph_->setSamples({40, 41, 42, 80});
    EXPECT_FALSE(graph_->animating());
    EXPECT_EQ(graph_->frameCount(), before + 1);
}

TEST_F(MiniGraphCanvasTest, TheFramesReachTheScreen) {
    graph_->setTint(Qt::red);
    graph_->setLineWidth(3);
    graph_->setReduceMotion(true);
    show();
    graph_->setSamples({50, 50, 50});
    ASSERT_TRUE(QTest::qWaitFor([&] { return window_.grabWindow().pixelColor(80, 20).red() > 200; }, 5000));
    EXPECT_EQ(graph_->accessibilityValue(), QStringLiteral("50, ranging 50 to 50"));
    graph_->setUnit(QStringLiteral("°C"));
    EXPECT_EQ(graph_->accessibilityValue(), QStringLiteral("50°C, ranging 50°C to 50°C"));
}

}  // namespace
}  // namespace zephrane::design::testing
