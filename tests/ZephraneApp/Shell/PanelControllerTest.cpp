#include "ZephraneApp/Shell/PanelController.hpp"

#include <deque>
#include <vector>

#include <gtest/gtest.h>

namespace zephrane {
namespace {

// A panel in memory: the animation running and the posted tasks wait until
// the test finishes or runs them.
class FakeSurface final : public PanelSurface {
public:
    bool reduceMotion() const override { return reduce; }
    void buildContent() override { ++builds; }
    void dropContent() override { ++drops; }
    QSizeF contentSize() const override { return content; }
    std::optional<QRectF> frameFor(QSizeF size) const override {
        return panelFrame(size, PanelAnchor{QRectF(900, 0, 24, 24), QRectF(0, 30, 1280, 870)}, std::nullopt);
    }
    QRectF frame() const override { return frame_; }
    void setFrame(const QRectF& frame) override {
        frame_ = frame;
        ++frameSets;
    }
    void setOpacity(double value) override { opacity = value; }
    bool isVisible() const override { return visible; }
    void orderFront() override { visible = true; }
    void orderOut() override { visible = false; }
    void installDismissMonitors() override { monitors = true; }
    void removeDismissMonitors() override { monitors = false; }
    void animate(const PanelAnimation& animation, std::function<void()> finished) override {
        running = animation;
        finish = std::move(finished);
        animations.push_back(animation);
    }
    void stopAnimation() override {
        running.reset();
        finish = nullptr;
    }
    void post(std::function<void()> task) override { posted.push_back(std::move(task)); }

    // The running animation reaches its end.
    void finishAnimation() {
        ASSERT_TRUE(running);
        if (running->toFrame) frame_ = *running->toFrame;
        opacity = running->toOpacity;
        running.reset();
        auto done = std::move(finish);
        finish = nullptr;
        if (done) done();
    }
    void runPosted() {
        while (!posted.empty()) {
            auto task = std::move(posted.front());
            posted.pop_front();
            task();
        }
    }

    bool reduce = false;
    QSizeF content{320, 400};
    QRectF frame_;
    double opacity = 1;
    bool visible = false;
    bool monitors = false;
    int builds = 0;
    int drops = 0;
    int frameSets = 0;
    std::optional<PanelAnimation> running;
    std::function<void()> finish;
    std::vector<PanelAnimation> animations;
    std::deque<std::function<void()>> posted;
};

TEST(PanelFrame, UnderTheIconOrTopRightAndAlwaysInside) {
    const QRectF screen(0, 30, 1280, 870);  // under a 30-point top bar
    struct Case {
        const char* name;
        QSizeF size;
        std::optional<PanelAnchor> anchor;
        std::optional<QRectF> fallback;
        std::optional<QRectF> frame;
    } cases[] = {
        {"under the icon, right edges aligned", {320, 400}, PanelAnchor{QRectF(900, 40, 24, 24), screen},
         std::nullopt, QRectF(604, 69, 320, 400)},
        {"under an icon in the top bar: below the margin", {320, 400}, PanelAnchor{QRectF(900, 3, 24, 24), screen},
         std::nullopt, QRectF(604, 42, 320, 400)},
        {"icon at the right edge keeps the margin", {320, 400}, PanelAnchor{QRectF(1260, 3, 20, 24), screen},
         std::nullopt, QRectF(948, 42, 320, 400)},
        {"icon at the bottom: kept inside", {320, 400}, PanelAnchor{QRectF(900, 876, 24, 24), screen}, std::nullopt,
         QRectF(604, 488, 320, 400)},
        {"no icon geometry: top right of the pointer's screen", {320, 400}, std::nullopt, screen,
         QRectF(948, 42, 320, 400)},
        {"wider than the screen: left margin wins", {2000, 400}, std::nullopt, screen, QRectF(12, 42, 2000, 400)},
        {"taller than the screen: bottom margin wins", {320, 1000}, std::nullopt, screen,
         QRectF(948, -112, 320, 1000)},
        {"taller, under the icon: bottom margin wins", {320, 1000}, PanelAnchor{QRectF(900, 3, 24, 24), screen},
         std::nullopt, QRectF(604, -112, 320, 1000)},
        {"exactly as tall as the area inside its margins", {320, 846}, std::nullopt, screen,
         QRectF(948, 42, 320, 846)},
        {"too wide and too tall: left and bottom margins", {2000, 1000}, std::nullopt, screen,
         QRectF(12, -112, 2000, 1000)},
        {"no screen", {320, 400}, std::nullopt, std::nullopt, std::nullopt},
        {"empty size", {0, 400}, std::nullopt, screen, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(panelFrame(c.size, c.anchor, c.fallback), c.frame) << c.name;
}

TEST(PanelController, EntranceSlidesDownAndFadesInThenTheCloseFadesOut) {
    FakeSurface surface;
    PanelController panel(surface);
    panel.toggle();
    ASSERT_TRUE(surface.running);
    EXPECT_EQ(surface.running->milliseconds, 180);
    EXPECT_EQ(surface.running->fromFrame, QRectF(604, 32, 320, 400));
    EXPECT_EQ(surface.running->toFrame, QRectF(604, 42, 320, 400));
    EXPECT_TRUE(surface.visible);
    EXPECT_TRUE(surface.monitors);
    EXPECT_TRUE(panel.isAnimatingEntrance());
    surface.finishAnimation();
    EXPECT_FALSE(panel.isAnimatingEntrance());

    panel.toggle();
    EXPECT_TRUE(panel.isClosing());
    EXPECT_FALSE(surface.monitors);
    EXPECT_EQ(surface.running->milliseconds, 120);
    panel.close();  // closing already: no second fade
    EXPECT_EQ(surface.animations.size(), 2u);
    surface.finishAnimation();
    EXPECT_FALSE(surface.visible);
    EXPECT_EQ(surface.drops, 1);
    EXPECT_EQ(surface.opacity, 1);
    EXPECT_FALSE(panel.isClosing());
    panel.close();  // hidden: nothing
    EXPECT_EQ(surface.animations.size(), 2u);
}

TEST(PanelController, ReduceMotionFadesInPlace) {
    FakeSurface surface;
    surface.reduce = true;
    PanelController panel(surface);
    panel.show();
    ASSERT_TRUE(surface.running);
    EXPECT_EQ(surface.running->milliseconds, 150);
    EXPECT_FALSE(surface.running->toFrame);
    EXPECT_EQ(surface.frame_, QRectF(604, 42, 320, 400));
    EXPECT_FALSE(panel.isAnimatingEntrance());
}

TEST(PanelController, AShowDuringTheFadeOutSurvivesTheStaleCompletion) {
    FakeSurface surface;
    PanelController panel(surface);
    panel.show();
    surface.finishAnimation();
    panel.close();
    auto staleClose = surface.finish;  // the fade's completion, delivered late
    panel.toggle();                    // closing: the toggle shows again
    EXPECT_FALSE(panel.isClosing());
    EXPECT_EQ(surface.builds, 2);
    staleClose();
    EXPECT_TRUE(surface.visible);
    EXPECT_EQ(surface.drops, 0);
}

TEST(PanelController, SizeChangesWaitForTheEntranceAndCoalesce) {
    FakeSurface surface;
    PanelController panel(surface);
    panel.show();
    surface.content = QSizeF(320, 500);
    panel.contentSizeChanged();
    EXPECT_TRUE(surface.posted.empty());
    surface.finishAnimation();  // the entrance's end applies the new size
    EXPECT_EQ(surface.frame_.height(), 500);

    surface.content = QSizeF(320, 300);
    panel.contentSizeChanged();
    panel.contentSizeChanged();
    panel.contentSizeChanged();
    EXPECT_EQ(surface.posted.size(), 1u);
    const int sets = surface.frameSets;
    surface.runPosted();
    EXPECT_EQ(surface.frameSets, sets + 1);
    EXPECT_EQ(surface.frame_.height(), 300);
}

// An entrance cut short must not leave its flag behind: with the flag
// stuck, every later size change is dropped.
TEST(PanelController, AnInterruptedEntranceNeverBlocksLaterLayouts) {
    struct Case {
        const char* name;
        std::function<void(FakeSurface&, PanelController&)> interrupt;
    } cases[] = {
        {"close during the entrance",
         [](FakeSurface& surface, PanelController& panel) {
             panel.close();
             EXPECT_FALSE(panel.isAnimatingEntrance());
             ASSERT_TRUE(surface.running);
             EXPECT_EQ(surface.running->milliseconds, 120) << "the fade replaced the slide";
             surface.finishAnimation();
             panel.show();
             surface.finishAnimation();
         }},
        {"reduce-motion show supersedes the entrance",
         [](FakeSurface& surface, PanelController& panel) {
             panel.close();
             surface.reduce = true;
             panel.show();
             EXPECT_FALSE(panel.isAnimatingEntrance());
         }},
        {"reduce-motion show straight over the entrance",
         [](FakeSurface& surface, PanelController& panel) {
             surface.reduce = true;
             panel.show();
         }},
    };
    for (const Case& c : cases) {
        FakeSurface surface;
        PanelController panel(surface);
        panel.show();
        ASSERT_TRUE(panel.isAnimatingEntrance());
        c.interrupt(surface, panel);
        EXPECT_FALSE(panel.isAnimatingEntrance()) << c.name;
        surface.content = QSizeF(320, 520);
        panel.contentSizeChanged();
        surface.runPosted();
        EXPECT_EQ(surface.frame_.height(), 520) << c.name;
    }
}

TEST(PanelController, DelayedWorkAfterTheControllerIsGoneDoesNothing) {
    FakeSurface surface;
    std::function<void()> completion;
    {
        PanelController panel(surface);
        panel.show();
        completion = surface.finish;
        panel.contentSizeChanged();
    }
    completion();
    surface.runPosted();
    SUCCEED();
}

}  // namespace
}  // namespace zephrane
