#include "ZephraneApp/DesignSystem/Backdrops/BackdropSwatchController.hpp"

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "tests/ZephraneApp/DesignSystem/Backdrops/BackdropTestSupport.hpp"

namespace zephrane {
namespace {

using testing::GatedDecoder;
using testing::TemporaryBundle;
using testing::waitUntil;
using A = BackdropAppearance;

class BackdropSwatchControllerTest : public ::testing::Test {
protected:
    BackdropSwatchControllerTest() {
        oslog::setOutput(oslog::Output::none);
        for (const char* name : {"riviera-light", "riviera-dark", "cirrus-light"})
            bundle_.write(std::string("Photos/") + name + ".heic");
    }
    ~BackdropSwatchControllerTest() override { decoder_->releaseAll(); }

    TemporaryBundle bundle_;
    std::shared_ptr<GatedDecoder> decoder_ = std::make_shared<GatedDecoder>();
    BackdropImageStore store_{[this] { return std::optional(bundle_.path()); }, decoder_, 4};
};

TEST_F(BackdropSwatchControllerTest, TheSystemSwatchShowsTheMaterialAndLoadsNothing) {
    BackdropSwatchController swatch(store_, WindowBackdrop::system, A::dark);
    swatch.setOnScreen(true);
    EXPECT_EQ(swatch.asset(), std::nullopt);
    EXPECT_TRUE(swatch.content().isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(decoder_->callCount(), 0U);
}

TEST_F(BackdropSwatchControllerTest, ShowsTheMaterialUntilItsThumbnailArrives) {
    BackdropSwatchController swatch(store_, WindowBackdrop::riviera, A::light);
    int changes = 0;
    swatch.onContentChanged([&] { ++changes; });
    QCoreApplication::processEvents();
    EXPECT_EQ(decoder_->callCount(), 0U) << "nothing loads until the swatch is on screen";

    swatch.setOnScreen(true);
    EXPECT_EQ(swatch.asset(), (BackdropPhotoAsset{"riviera", A::light}));
    EXPECT_TRUE(swatch.content().isNull());
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    EXPECT_EQ(decoder_->calls()[0].maxPixelSize, 160);
    EXPECT_FALSE(decoder_->calls()[0].onGuiThread);
    decoder_->releaseAll();
    ASSERT_TRUE(waitUntil([&] { return !swatch.content().isNull(); }));
    EXPECT_EQ(swatch.content().width(), 160);
    EXPECT_EQ(changes, 1);

    // Another swatch of the same photograph finds it cached: no decode.
    BackdropSwatchController again(store_, WindowBackdrop::riviera, A::light);
    again.setOnScreen(true);
    EXPECT_FALSE(again.content().isNull());
    QCoreApplication::processEvents();
    EXPECT_EQ(decoder_->callCount(), 1U);
}

TEST_F(BackdropSwatchControllerTest, ASchemeSwitchShowsThePlaceholderUntilTheOtherThumbnailLoads) {
    BackdropSwatchController swatch(store_, WindowBackdrop::riviera, A::light);
    swatch.setOnScreen(true);
    decoder_->release(0);
    ASSERT_TRUE(waitUntil([&] { return !swatch.content().isNull(); }));

    // The dark decode is held: an open gate could finish it before the
    // switch returns, and the placeholder would never be seen.
    int changes = 0;
    swatch.onContentChanged([&] { ++changes; });
    swatch.setColorScheme(A::dark);
    EXPECT_TRUE(swatch.content().isNull()) << "the light thumbnail is not the dark one";
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 2; }));
    decoder_->release(1);
    ASSERT_TRUE(waitUntil([&] { return !swatch.content().isNull(); }));
    EXPECT_EQ(changes, 2);  // the switch, then the arrival
    swatch.setColorScheme(A::light);
    EXPECT_FALSE(swatch.content().isNull()) << "cached from before";
}

TEST_F(BackdropSwatchControllerTest, ALateThumbnailOfAnEarlierPhotographIsNotShown) {
    BackdropSwatchController swatch(store_, WindowBackdrop::riviera, A::light);
    swatch.setOnScreen(true);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    swatch.setBackdrop(WindowBackdrop::nebula);  // missing from the bundle
    decoder_->releaseAll();
    ASSERT_TRUE(waitUntil([&] { return !store_.cachedThumbnail({"riviera", A::light}).isNull(); }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(swatch.content().isNull());
    EXPECT_TRUE(store_.isUnavailable({"nebula", A::light}));
    // Back to riviera: the thumbnail that landed meanwhile shows.
    swatch.setBackdrop(WindowBackdrop::riviera);
    EXPECT_FALSE(swatch.content().isNull());
}

TEST_F(BackdropSwatchControllerTest, ASwatchDestroyedWhileItsThumbnailLoadsIsNotTouched) {
    auto swatch = std::make_unique<BackdropSwatchController>(store_, WindowBackdrop::cirrus, A::light);
    int changes = 0;
    swatch->onContentChanged([&] { ++changes; });
    swatch->setOnScreen(true);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    swatch.reset();
    decoder_->releaseAll();
    ASSERT_TRUE(waitUntil([&] { return !store_.cachedThumbnail({"cirrus", A::light}).isNull(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(changes, 0);
}

}  // namespace
}  // namespace zephrane
