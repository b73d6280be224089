// The photo layer item on a window: it asks for the bucket of its width at
// the window's pixel ratio, puts the decoded image on screen cropped to
// cover it, keeps the old photograph until a new one is there, reports a
// photograph that cannot be shown, and lets every click through.
#include "ZephraneApp/DesignSystem/Backdrops/PhotoBackdropLayer.hpp"

#include <QQuickWindow>
#include <QTest>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropSwatchThumbnail.hpp"
#include "platform/oslog/OSLog.hpp"
#include "tests/ZephraneApp/DesignSystem/Backdrops/BackdropTestSupport.hpp"

namespace zephrane::design {
namespace {

using zephrane::testing::GatedDecoder;
using zephrane::testing::TemporaryBundle;
using zephrane::testing::waitUntil;

// Takes every press that reaches it.
class ClickCatcher : public QQuickItem {
public:
    ClickCatcher() { setAcceptedMouseButtons(Qt::LeftButton); }
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

class PhotoBackdropLayerTest : public ::testing::Test {
protected:
    PhotoBackdropLayerTest() {
        oslog::setOutput(oslog::Output::none);
        for (const char* name : {"cirrus-light", "cirrus-dark", "aurora-light"})
            bundle_.write(std::string("Photos/") + name + ".heic");
        window_.resize(700, 400);
        catcher_.setParentItem(window_.contentItem());
        catcher_.setSize({700, 400});
        layer_.setParentItem(window_.contentItem());
        layer_.setSize({700, 400});
        window_.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&window_));
    }
    ~PhotoBackdropLayerTest() override { decoder_->releaseAll(); }

    QColor centre() { return window_.grabWindow().pixelColor(350, 200); }

    TemporaryBundle bundle_;
    std::shared_ptr<GatedDecoder> decoder_ = std::make_shared<GatedDecoder>();
    BackdropImageStore store_{[this] { return std::optional(bundle_.path()); }, decoder_, 2};
    QQuickWindow window_;
    ClickCatcher catcher_;
    PhotoBackdropLayer layer_{store_};
};

TEST_F(PhotoBackdropLayerTest, LoadsTheBucketOfItsWidthAndShowsItCroppedToCover) {
    const QColor before = centre();
    layer_.setStem("cirrus");
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    const double ratio = window_.effectiveDevicePixelRatio();
    EXPECT_EQ(decoder_->calls()[0].maxPixelSize, BackdropImageStore::pixelWidthBucket(700 * ratio));
    EXPECT_FALSE(layer_.loaded());
    EXPECT_EQ(centre(), before) << "nothing is drawn before an image arrives";

    decoder_->release(0);
    ASSERT_TRUE(waitUntil([&] { return layer_.loaded(); }));
    EXPECT_EQ(centre(), QColor(Qt::darkCyan));
    // Covered edge to edge although the image is wider in proportion.
    const QImage shot = window_.grabWindow();
    EXPECT_EQ(shot.pixelColor(1, 1), QColor(Qt::darkCyan));
    EXPECT_EQ(shot.pixelColor(shot.width() - 2, shot.height() - 2), QColor(Qt::darkCyan));
}

TEST_F(PhotoBackdropLayerTest, ANewPhotographReplacesTheOldOnlyOnceItIsThere) {
    decoder_->releaseAll();
    layer_.setStem("cirrus");
    ASSERT_TRUE(waitUntil([&] { return layer_.loaded(); }));
    const BackdropPhotoAsset dark{"cirrus", BackdropAppearance::dark};
    const int width = layer_.loadedWidth();
    ASSERT_TRUE(waitUntil([&] { return !store_.cachedImage(dark, width).isNull(); }));  // the prefetch

    int loadedChanges = 0;
    QObject::connect(&layer_, &PhotoBackdropLayer::loadedChanged, [&] { ++loadedChanges; });
    layer_.setStem("nebula");  // not in the bundle
    EXPECT_FALSE(layer_.loaded());
    ASSERT_TRUE(waitUntil([&] { return layer_.unavailable(); }));
    EXPECT_EQ(centre(), QColor(Qt::darkCyan)) << "the previous photograph stays";
    layer_.setDark(true);
    layer_.setStem("cirrus");  // the prefetched dark image: shown at once
    EXPECT_TRUE(layer_.loaded());
    EXPECT_FALSE(layer_.unavailable());
    EXPECT_EQ(loadedChanges, 2);
    EXPECT_EQ(decoder_->callCount(), 2U);
}

TEST_F(PhotoBackdropLayerTest, WideningUpgradesAndClicksPassThrough) {
    decoder_->releaseAll();
    layer_.setStem("aurora");
    ASSERT_TRUE(waitUntil([&] { return layer_.loaded(); }));
    const int first = layer_.loadedWidth();
    window_.resize(1700, 400);
    layer_.setWidth(1700);
    ASSERT_TRUE(waitUntil([&] { return layer_.loadedWidth() > first; }));

    QTest::mouseClick(&window_, Qt::LeftButton, {}, QPoint(300, 200));
    EXPECT_EQ(catcher_.presses, 1);
    EXPECT_FALSE(layer_.acceptHoverEvents());
}

TEST_F(PhotoBackdropLayerTest, TheSwatchThumbnailLoadsOnlyOnScreenAndFollowsTheAppearance) {
    BackdropSwatchThumbnail swatch(store_);
    swatch.setSize({54, 36});
    swatch.setBackdrop("cirrus");
    EXPECT_FALSE(swatch.hasThumbnail());
    EXPECT_EQ(decoder_->callCount(), 0U) << "not on screen";

    swatch.setParentItem(window_.contentItem());
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    decoder_->release(0);
    ASSERT_TRUE(waitUntil([&] { return swatch.hasThumbnail(); }));
    EXPECT_EQ(decoder_->calls().back().maxPixelSize, BackdropImageStore::kThumbnailMaxPixelSize);
    // Held until the test lets it go: a decode that finished at once would
    // rightly show the dark thumbnail before the material.
    swatch.setDark(true);
    EXPECT_FALSE(swatch.hasThumbnail()) << "the material until the dark thumbnail is there";
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 2; }));
    decoder_->release(1);
    ASSERT_TRUE(waitUntil([&] { return swatch.hasThumbnail(); }));
    swatch.setBackdrop("system");
    EXPECT_FALSE(swatch.hasThumbnail());
    EXPECT_EQ(decoder_->callCount(), 2U);
}

}  // namespace
}  // namespace zephrane::design
