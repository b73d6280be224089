#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

#include <limits>

#include <qcoro/qcorotask.h>

#include <gtest/gtest.h>

#include "platform/oslog/OSLog.hpp"
#include "tests/ZephraneApp/DesignSystem/Backdrops/BackdropTestSupport.hpp"

namespace zephrane {
namespace {

using testing::GatedDecoder;
using testing::TemporaryBundle;
using testing::waitUntil;
using Key = BackdropImageStore::CacheKey;

const BackdropPhotoAsset kCirrusLight{"cirrus", BackdropAppearance::light};
const BackdropPhotoAsset kCirrusDark{"cirrus", BackdropAppearance::dark};
const BackdropPhotoAsset kAuroraLight{"aurora", BackdropAppearance::light};

QImage solid(int width) {
    QImage image(width, 10, QImage::Format_RGB32);
    image.fill(Qt::gray);
    return image;
}

// Starts a load and collects its result once the loop has delivered it.
struct Load {
    bool done = false;
    QImage image;
};
QCoro::Task<void> collect(QCoro::Task<QImage> task, std::shared_ptr<Load> into) {
    into->image = co_await task;
    into->done = true;
}
std::shared_ptr<Load> start(QCoro::Task<QImage> task) {
    auto load = std::make_shared<Load>();
    collect(std::move(task), load);
    return load;
}

std::size_t linesAbout(const oslog::CaptureSink& sink, const std::string& text) {
    std::size_t n = 0;
    for (const auto& record : sink.records("com.zephrane.app", "backdrops"))
        if (record.level == oslog::Level::error && record.message.find(text) != std::string::npos) ++n;
    return n;
}

class BackdropImageStoreTest : public ::testing::Test {
protected:
    BackdropImageStoreTest() { oslog::setOutput(oslog::Output::none); }
    std::unique_ptr<BackdropImageStore> makeStore() {
        return std::make_unique<BackdropImageStore>(
            [this] {
                ++locates_;
                return std::optional(bundle_.path());
            },
            decoder_);
    }
    TemporaryBundle bundle_;
    std::shared_ptr<GatedDecoder> decoder_ = std::make_shared<GatedDecoder>();
    int locates_ = 0;
};

TEST(BackdropImageStoreBuckets, WidthsRoundUpToTheNextBucket) {
    const struct {
        double pixels;
        int bucket;
    } rows[] = {{-5, 800},   {0, 800},     {799.2, 800},  {800, 800},   {800.01, 1600}, {801, 1600},
                {1600, 1600}, {1601, 2400}, {2400, 2400}, {2401, 3200}, {3200, 3200},   {10000, 3200},
                {std::numeric_limits<double>::quiet_NaN(), 800}, {std::numeric_limits<double>::infinity(), 3200}};
    for (const auto& row : rows) EXPECT_EQ(BackdropImageStore::pixelWidthBucket(row.pixels), row.bucket) << row.pixels;
}

TEST_F(BackdropImageStoreTest, FullSizeCacheKeepsTheTwoLatestInInsertionOrder) {
    auto store = makeStore();
    store->insertImage(solid(1), kCirrusLight, 1600);
    store->insertImage(solid(2), kCirrusDark, 1600);
    // Replacing a key already there keeps its place in the order.
    store->insertImage(solid(3), kCirrusLight, 1600);
    EXPECT_EQ(store->imageCacheOrder(), (std::vector<Key>{{kCirrusLight, 1600}, {kCirrusDark, 1600}}));
    EXPECT_EQ(store->cachedImage(kCirrusLight, 1600).width(), 3);
    // A cache hit does not move a key either: the oldest goes first.
    EXPECT_FALSE(store->cachedImage(kCirrusLight, 1600).isNull());
    store->insertImage(solid(4), kCirrusLight, 2400);
    EXPECT_EQ(store->imageCacheOrder(), (std::vector<Key>{{kCirrusDark, 1600}, {kCirrusLight, 2400}}));
    EXPECT_TRUE(store->cachedImage(kCirrusLight, 1600).isNull());

    store->purgeImages();
    EXPECT_TRUE(store->imageCacheOrder().empty());
    EXPECT_TRUE(store->cachedImage(kCirrusLight, 2400).isNull());
}

TEST_F(BackdropImageStoreTest, LoadsDecodeOnAWorkerAndFillTheirCaches) {
    bundle_.write("Photos/cirrus-light.heic");
    auto store = makeStore();
    decoder_->releaseAll();

    const auto image = start(store->loadImage(kCirrusLight, 1600));
    const auto thumbnail = start(store->loadThumbnail(kCirrusLight));
    ASSERT_TRUE(waitUntil([&] { return image->done && thumbnail->done; }));
    EXPECT_EQ(image->image.width(), 1600);
    EXPECT_EQ(thumbnail->image.width(), BackdropImageStore::kThumbnailMaxPixelSize);
    EXPECT_EQ(store->cachedImage(kCirrusLight, 1600).width(), 1600);
    EXPECT_EQ(store->cachedThumbnail(kCirrusLight).width(), 160);
    for (const auto& call : decoder_->calls()) EXPECT_FALSE(call.onGuiThread);

    // Cached now: no second decode.
    const auto again = start(store->loadImage(kCirrusLight, 1600));
    ASSERT_TRUE(waitUntil([&] { return again->done; }));
    EXPECT_EQ(decoder_->callCount(), 2U);

    // The engine's purge drops full-size images and keeps thumbnails.
    store->purgeImages();
    EXPECT_TRUE(store->cachedImage(kCirrusLight, 1600).isNull());
    EXPECT_FALSE(store->cachedThumbnail(kCirrusLight).isNull());
    EXPECT_EQ(locates_, 1);
}

TEST_F(BackdropImageStoreTest, ConcurrentMissesForOneKeyDecodeTwice) {
    bundle_.write("Photos/cirrus-light.heic");
    auto store = makeStore();
    const auto first = start(store->loadImage(kCirrusLight, 800));
    const auto second = start(store->loadImage(kCirrusLight, 800));
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 2; }));
    decoder_->releaseAll();
    ASSERT_TRUE(waitUntil([&] { return first->done && second->done; }));
    EXPECT_EQ(store->imageCacheOrder().size(), 1U);
}

TEST_F(BackdropImageStoreTest, MissingOrDamagedPhotographsAreLoggedOnceAndNotTriedAgain) {
    oslog::CaptureSink sink;
    bundle_.write("Photos/aurora-light.heic");
    decoder_->fail("aurora-light.heic");
    decoder_->releaseAll();
    auto store = makeStore();

    for (int attempt = 0; attempt < 3; ++attempt) {
        const auto missing = start(store->loadImage(kCirrusDark, 800));
        const auto damaged = start(store->loadImage(kAuroraLight, 800));
        const auto damagedThumbnail = start(store->loadThumbnail(kAuroraLight));
        ASSERT_TRUE(waitUntil([&] { return missing->done && damaged->done && damagedThumbnail->done; }));
        EXPECT_TRUE(missing->image.isNull());
        EXPECT_TRUE(damaged->image.isNull());
        EXPECT_TRUE(damagedThumbnail->image.isNull());
    }
    EXPECT_TRUE(store->isUnavailable(kCirrusDark));
    EXPECT_TRUE(store->isUnavailable(kAuroraLight));
    EXPECT_FALSE(store->isUnavailable(kCirrusLight));
    // Whichever load reached the damaged file first decoded it; nobody after.
    EXPECT_LE(decoder_->callCount(), 2U);
    EXPECT_EQ(linesAbout(sink, "\"cirrus-dark.heic\" not found in"), 1U);
    EXPECT_EQ(linesAbout(sink, "cannot decode backdrop photo"), 1U);
    EXPECT_EQ(linesAbout(sink, "damaged on purpose, showing the window material"), 1U);
    EXPECT_TRUE(store->imageCacheOrder().empty());
}

TEST_F(BackdropImageStoreTest, WithoutABundleEveryLoadIsEmptyAndTheBundleIsNotSearchedAgain) {
    oslog::CaptureSink sink;
    int locates = 0;
    BackdropImageStore store(
        [&] {
            ++locates;
            return std::optional<std::filesystem::path>{};
        },
        decoder_);
    for (const auto& asset : {kCirrusLight, kCirrusDark, kAuroraLight}) {
        const auto image = start(store.loadImage(asset, 1600));
        const auto thumbnail = start(store.loadThumbnail(asset));
        ASSERT_TRUE(waitUntil([&] { return image->done && thumbnail->done; }));
        EXPECT_TRUE(image->image.isNull());
        EXPECT_TRUE(thumbnail->image.isNull());
        EXPECT_EQ(store.photoPath(asset), std::nullopt);
    }
    EXPECT_EQ(locates, 1);
    EXPECT_EQ(decoder_->callCount(), 0U);
    EXPECT_EQ(sink.records("com.zephrane.app", "backdrops").size(), 1U);
    EXPECT_TRUE(sink.contains(oslog::Level::error,
                              "resource bundle \"Zephrane_ZephraneApp.bundle\" not found, backdrops show the window material"));
}

TEST_F(BackdropImageStoreTest, AStoreDestroyedWhileALoadAwaitsItsDecodeIsNotTouchedWhenItResumes) {
    bundle_.write("Photos/cirrus-light.heic");
    auto store = makeStore();
    const auto load = start(store->loadImage(kCirrusLight, 800));
    ASSERT_TRUE(waitUntil([&] { return decoder_->callCount() == 1; }));
    // The decode finishes, but its continuation waits in the event loop
    // until after the store is gone.
    decoder_->releaseAll();
    store.reset();
    ASSERT_TRUE(waitUntil([&] { return load->done; }));
    EXPECT_EQ(load->image.width(), 800);
}

TEST(BackdropImageStoreShared, TheEnginesPurgeEmptiesTheSharedStore) {
    BackdropImageStore& store = BackdropImageStore::shared();
    EXPECT_EQ(&store, &BackdropImageStore::shared());
    store.insertImage(solid(5), kCirrusLight, 800);
    store.insertImage(solid(6), kCirrusDark, 800);
    purgeBackdropImages();
    EXPECT_TRUE(store.imageCacheOrder().empty());
}

}  // namespace
}  // namespace zephrane
