// The spinner item draws frames only while it turns and can be seen, with
// the clock driven by the test.
#include "ZephraneApp/DesignSystem/Painters/SpinnerCanvas.hpp"

#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include "DesignQmlSupport.hpp"

namespace zephrane::design::testing {
namespace {

class SpinnerCanvasTest : public ::testing::Test {
protected:
    void SetUp() override {
        testTheme();
        window_.resize(60, 60);
        spinner_ = new SpinnerCanvas(window_.contentItem());
        spinner_->setSize(QSizeF(24, 24));
        spinner_->setClock([this] { return now_; });
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }

    void advance(double seconds, int frames) {
        for (int i = 0; i < frames; ++i) {
            now_ += seconds;
            spinner_->frame();
        }
    }

    QQuickWindow window_;
    SpinnerCanvas* spinner_ = nullptr;
    double now_ = 50;
};

TEST_F(SpinnerCanvasTest, RunsWhileTurningAndStopsAtRest) {
    EXPECT_FALSE(spinner_->running());
    spinner_->setAngularVelocity(6);
    EXPECT_TRUE(spinner_->running());
    advance(0.1, 20);
    EXPECT_GT(spinner_->phase().velocity, 5.9);
    spinner_->setAngularVelocity(0);
    EXPECT_TRUE(spinner_->running());  // still running down
    advance(0.1, 40);
    EXPECT_EQ(spinner_->phase().velocity, 0.0);
    EXPECT_FALSE(spinner_->running());
}

TEST_F(SpinnerCanvasTest, NoFramesUnderReduceMotionOrOutOfSight) {
    spinner_->setAngularVelocity(6);
    advance(0.1, 5);
    const double angle = spinner_->angle();
    spinner_->setReduceMotion(true);
    EXPECT_FALSE(spinner_->running());
    EXPECT_EQ(spinner_->angle(), angle);
    EXPECT_EQ(spinner_->phase().velocity, 0.0);
    spinner_->setReduceMotion(false);
    EXPECT_TRUE(spinner_->running());

    spinner_->setVisible(false);
    EXPECT_FALSE(spinner_->running());
    spinner_->setVisible(true);
    EXPECT_TRUE(spinner_->running());
    window_.hide();
    EXPECT_FALSE(spinner_->running());
}

TEST_F(SpinnerCanvasTest, TheIntervalFollowsTheSpeed) {
    spinner_->setAngularVelocity(0.3);
    ASSERT_TRUE(spinner_->running());
    advance(0.1, 30);
    // About 0.06 rad a frame: at 0.3 rad/s a frame every 0.2 s...
    EXPECT_EQ(spinner_->frameIntervalMs(), 200);
    // ...and never more than 12 frames a second.
    spinner_->setAngularVelocity(40);
    EXPECT_EQ(spinner_->frameIntervalMs(), 83);
}

}  // namespace
}  // namespace zephrane::design::testing
