#include "ZephraneApp/DesignSystem/Backdrops/PhotoBackdropLayerController.hpp"

#include <algorithm>

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "tests/ZephraneApp/DesignSystem/Backdrops/BackdropTestSupport.hpp"

namespace zephrane {
namespace {

using testing::GatedDecoder;
using testing::TemporaryBundle;
using testing::waitUntil;

const BackdropPhotoAsset kLight{"cirrus", BackdropAppearance::light};
const BackdropPhotoAsset kDark{"cirrus", BackdropAppearance::dark};
const BackdropPhotoAsset kAurora{"aurora", BackdropAppearance::light};

class PhotoBackdropLayerControllerTest : public ::testing::Test {
protected:
    PhotoBackdropLayerControllerTest() {
        oslog::setOutput(oslog::Output::none);
        for (const char* name : {"cirrus-light", "cirrus-dark", "aurora-light", "aurora-dark"})
            bundle_.write(std::string("Photos/") + name + ".heic");
        layer_.onImage([this](const QImage& image) { shown_.push_back(image.width()); });
    }
    ~PhotoBackdropLayerControllerTest() override { decoder_->releaseAll(); }

    // Releases decode number `index` and waits until the store has it.
    void finishDecode(std::size_t index) {
        decoder_->release(index);
        const auto call = decoder_->calls().at(index);
        const std::string name = call.file.stem().string();
        const BackdropPhotoAsset asset{name.substr(0, name.rfind('-')),
                                       *fromRawValue<BackdropAppearance>(name.substr(name.rfind('-') + 1))};
        ASSERT_TRUE(waitUntil([&] { return !store_.cachedImage(asset, call.maxPixelSize).isNull(); }));
        // The layer's own continuation runs in the same pass of the loop.
        QCoreApplication::processEvents();
    }

    // The number of the decode of `maxPixelSize`: decodes started together
    // reach the decoder in whatever order the store's threads run them.
    std::size_t decodeOf(int maxPixelSize) const {
        const auto calls = decoder_->calls();
        const auto found = std::find_if(calls.begin(), calls.end(),
                                        [&](const auto& call) { return call.maxPixelSize == maxPixelSize; });
        return static_cast<std::size_t>(found - calls.begin());
    }

    TemporaryBundle bundle_;
    std::shared_ptr<GatedDecoder> decoder_ = std::make_shared<GatedDecoder>();
    BackdropImageStore store_{[this] { return std::optional(bundle_.path()); }, decoder_, 4};
    PhotoBackdropLayerController layer_{store_};
    std::vector<int> shown_;  // widths put in the layer, in order
};

TEST_F(PhotoBackdropLayerControllerTest, FirstShowDecodesInTheBackgroundThenPrefetchesTheOtherAppearance) {
    layer_.setAsset(kLight);
    layer_.layout(700, 2.0);  // 1400 px: the 1600 bucket
    EXPECT_EQ(layer_.decodingWidth(), 1600);
    EXPECT_EQ(layer_.loadedWidth(), 0);
    EXPECT_TRUE(shown_.empty()) << "nothing is decoded on the GUI thread";
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));

    finishDecode(0);
    EXPECT_EQ(shown_, std::vector<int>{1600});
    EXPECT_EQ(layer_.loadedWidth(), 1600);
    EXPECT_EQ(layer_.decodingWidth(), 0);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 2; }));
    EXPECT_EQ(decoder_->calls()[1].file.filename(), "cirrus-dark.heic");
    EXPECT_EQ(decoder_->calls()[1].maxPixelSize, 1600);
    finishDecode(1);

    // Switching to dark finds the prefetched image: shown at once, no decode.
    layer_.setAsset(kDark);
    layer_.layout(700, 2.0);
    EXPECT_EQ(shown_, (std::vector<int>{1600, 1600}));
    EXPECT_EQ(layer_.image().width(), 1600);
    EXPECT_EQ(decoder_->callCount(), 2U);
    for (const auto& call : decoder_->calls()) EXPECT_FALSE(call.onGuiThread);
}

TEST_F(PhotoBackdropLayerControllerTest, WideningUpgradesInTheBackgroundAndNarrowingNeverDowngrades) {
    decoder_->releaseAll();
    layer_.setAsset(kLight);
    layer_.layout(700, 2.0);
    ASSERT_TRUE(waitUntil([&] { return layer_.loadedWidth() == 1600; }));

    layer_.layout(900, 2.0);  // 1800 px: 2400, while 1600 stays shown
    EXPECT_EQ(layer_.decodingWidth(), 2400);
    EXPECT_EQ(layer_.image().width(), 1600);
    ASSERT_TRUE(waitUntil([&] { return layer_.loadedWidth() == 2400; }));
    EXPECT_EQ(shown_, (std::vector<int>{1600, 2400}));

    const auto decodes = decoder_->callCount();
    layer_.layout(700, 2.0);
    layer_.layout(300, 1.0);
    EXPECT_EQ(layer_.loadedWidth(), 2400);
    EXPECT_EQ(decoder_->callCount(), decodes);
}

TEST_F(PhotoBackdropLayerControllerTest, AViewInNoWindowLaysOutForATwoTimesScreen) {
    layer_.setAsset(kLight);
    layer_.layout(1000, std::nullopt);
    EXPECT_EQ(layer_.decodingWidth(), 2400);
}

TEST_F(PhotoBackdropLayerControllerTest, LayoutPassesWithinABucketStartOneDecode) {
    layer_.setAsset(kLight);
    for (double width = 600; width < 800; width += 10) layer_.layout(width, 2.0);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(decoder_->callCount(), 1U);
    EXPECT_EQ(layer_.decodeGeneration(), 1);
}

TEST_F(PhotoBackdropLayerControllerTest, OnlyTheNewestUpgradeMayApply) {
    layer_.setAsset(kLight);
    layer_.layout(400, 2.0);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    finishDecode(0);  // 800 shown; the prefetch is decode 1
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 2; }));

    // Each decode reaches the decoder before the next starts: two started
    // together race on two workers, and the decoder would number them in
    // whichever order their threads came.
    layer_.layout(1000, 2.0);  // 2400: decode 2, generation 2
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 3; }));
    layer_.layout(1500, 2.0);  // 3200: decode 3, generation 3
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 4; }));
    ASSERT_EQ(decoder_->calls()[2].maxPixelSize, 2400);
    ASSERT_EQ(decoder_->calls()[3].maxPixelSize, 3200);
    EXPECT_EQ(layer_.decodeGeneration(), 3);

    finishDecode(decodeOf(2400));  // the older upgrade lands first: dropped, though sharper than what shows
    EXPECT_EQ(shown_, std::vector<int>{800});
    EXPECT_EQ(layer_.decodingWidth(), 3200);
    finishDecode(decodeOf(3200));
    EXPECT_EQ(shown_, (std::vector<int>{800, 3200}));
    EXPECT_EQ(layer_.decodingWidth(), 0);
}

TEST_F(PhotoBackdropLayerControllerTest, ANewAssetKeepsTheOldImageUntilItsOwnArrivesAndDropsAnOutdatedDecode) {
    layer_.setAsset(kLight);
    layer_.layout(700, 2.0);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    finishDecode(0);  // cirrus light shows; decode 1, the dark prefetch, stays pending
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 2; }));

    int layoutRequests = 0;
    layer_.onNeedsLayout([&] { ++layoutRequests; });
    layer_.setAsset(kAurora);
    layer_.setAsset(kAurora);
    EXPECT_EQ(layoutRequests, 1);
    EXPECT_EQ(layer_.loadedWidth(), 0);
    EXPECT_EQ(layer_.image().width(), 1600) << "the previous photograph stays until replaced";
    layer_.layout(700, 2.0);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 3; }));

    // Back to cirrus before aurora lands: cached, shown at once.
    layer_.setAsset(kLight);
    layer_.layout(700, 2.0);
    EXPECT_EQ(shown_, (std::vector<int>{1600, 1600}));
    EXPECT_EQ(decoder_->callCount(), 3U);

    finishDecode(2);  // aurora arrives late: cached, but not shown
    EXPECT_EQ(shown_, (std::vector<int>{1600, 1600}));
    EXPECT_EQ(layer_.asset(), kLight);
    EXPECT_EQ(layer_.loadedWidth(), 1600);
}

TEST_F(PhotoBackdropLayerControllerTest, AnUndecodablePhotographMakesTheLayerUnavailableOnce) {
    oslog::CaptureSink sink;
    decoder_->fail("aurora-light.heic");
    decoder_->releaseAll();
    std::vector<bool> changes;
    layer_.onUnavailableChanged([&](bool unavailable) { changes.push_back(unavailable); });

    layer_.setAsset(kAurora);
    layer_.layout(700, 2.0);
    ASSERT_TRUE(waitUntil([&] { return layer_.isUnavailable(); }));
    EXPECT_EQ(layer_.loadedWidth(), 0);
    layer_.layout(900, 2.0);
    layer_.layout(1500, 2.0);
    EXPECT_EQ(decoder_->callCount(), 1U) << "a damaged photograph is not decoded again";
    EXPECT_EQ(sink.records("com.zephrane.app", "backdrops").size(), 1U);

    // Another photograph clears it; coming back finds it unavailable at once.
    layer_.setAsset(kLight);
    layer_.setAsset(kAurora);
    EXPECT_EQ(changes, (std::vector<bool>{true, false, true}));
}

TEST_F(PhotoBackdropLayerControllerTest, AMissingPhotographIsUnavailableWithoutADecode) {
    layer_.setAsset(BackdropPhotoAsset{"nebula", BackdropAppearance::dark});
    layer_.layout(700, 2.0);
    EXPECT_TRUE(waitUntil([&] { return layer_.isUnavailable(); }));
    EXPECT_EQ(decoder_->callCount(), 0U);
}

TEST_F(PhotoBackdropLayerControllerTest, ALayerDestroyedWhileItsDecodeRunsLeavesTheResultCached) {
    auto layer = std::make_unique<PhotoBackdropLayerController>(store_);
    bool shown = false;
    layer->onImage([&](const QImage&) { shown = true; });
    layer->setAsset(kLight);
    layer->layout(700, 2.0);
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    layer.reset();
    decoder_->releaseAll();
    ASSERT_TRUE(waitUntil([&] { return !store_.cachedImage(kLight, 1600).isNull(); }));
    QCoreApplication::processEvents();
    EXPECT_FALSE(shown);
}

}  // namespace
}  // namespace zephrane
