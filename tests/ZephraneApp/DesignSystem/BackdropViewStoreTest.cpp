#include "ZephraneApp/DesignSystem/Backdrops/BackdropViewStore.hpp"

#include <gtest/gtest.h>

#include <QImage>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

namespace zephrane::design {
namespace {

// The engine purges the image caches through a hook it knows nothing
// behind: once the app has started its photo store, the purge reaches it.
TEST(BackdropViewStoreTest, TheStartedStoreIsTheViewsStoreAndTheEnginesPurgeReachesIt) {
    startBackdropPhotoStore();
    // Wired by the start itself, before any view asks for the store.
    const auto wired = setBackdropImagePurgeHandler({});
    ASSERT_TRUE(wired);
    setBackdropImagePurgeHandler(wired);

    BackdropImageStore& store = backdropViewStore();
    EXPECT_EQ(&store, &BackdropImageStore::shared());

    const BackdropPhotoAsset aurora{"aurora", BackdropAppearance::dark};
    QImage image(8, 5, QImage::Format_RGB32);
    image.fill(Qt::darkBlue);
    store.insertImage(image, aurora, 800);
    ASSERT_FALSE(store.cachedImage(aurora, 800).isNull());

    purgeBackdropImages();
    EXPECT_TRUE(store.cachedImage(aurora, 800).isNull());
    EXPECT_TRUE(store.imageCacheOrder().empty());
}

TEST(BackdropViewStoreTest, AReplacementServesTheViewsUntilItIsTakenBack) {
    BackdropImageStore replacement([] { return std::nullopt; }, nullptr);
    setBackdropViewStore(&replacement);
    EXPECT_EQ(&backdropViewStore(), &replacement);
    setBackdropViewStore(nullptr);
    EXPECT_EQ(&backdropViewStore(), &BackdropImageStore::shared());
}

}  // namespace
}  // namespace zephrane::design
