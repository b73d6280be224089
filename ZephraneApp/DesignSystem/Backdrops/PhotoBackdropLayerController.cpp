#include "ZephraneApp/DesignSystem/Backdrops/PhotoBackdropLayerController.hpp"

#include <utility>

namespace zephrane {

PhotoBackdropLayerController::PhotoBackdropLayerController(BackdropImageStore& store) : store_(store) {}

PhotoBackdropLayerController::~PhotoBackdropLayerController() { life_.reset(); }

void PhotoBackdropLayerController::setAsset(std::optional<BackdropPhotoAsset> asset) {
    if (asset == asset_) return;
    asset_ = std::move(asset);
    loadedWidth_ = 0;
    // A decode still running is for the old asset: its result will find
    // the asset changed and be dropped.
    decodingWidth_ = 0;
    setUnavailable(asset_ && store_.isUnavailable(*asset_));
    if (onNeedsLayout_) onNeedsLayout_();
}

void PhotoBackdropLayerController::layout(double boundsWidth, std::optional<double> backingScale) {
    if (!asset_) return;
    const int target = BackdropImageStore::pixelWidthBucket(backingScale.value_or(kScaleWithoutWindow) * boundsWidth);
    if (loadedWidth_ >= target) return;
    if (store_.isUnavailable(*asset_)) {
        setUnavailable(true);
        return;
    }
    if (QImage cached = store_.cachedImage(*asset_, target); !cached.isNull()) {
        show(std::move(cached), target);
        return;
    }
    // Resizing within a bucket lays out many times: one decode is enough.
    if (decodingWidth_ >= target) return;
    decodingWidth_ = target;
    decode(life_, &store_, *asset_, target, ++decodeGeneration_);
}

QCoro::Task<void> PhotoBackdropLayerController::decode(std::weak_ptr<PhotoBackdropLayerController*> life,
                                                       BackdropImageStore* store, BackdropPhotoAsset asset, int width,
                                                       int generation) {
    const QImage image = co_await store->loadImage(asset, width);
    const auto self = life.lock();
    if (!self) co_return;
    (*self)->decodeFinished(image, asset, width, generation);
}

void PhotoBackdropLayerController::decodeFinished(const QImage& image, const BackdropPhotoAsset& asset, int width,
                                                  int generation) {
    // A newer decode was started since: only it may apply, and it owns
    // decodingWidth_. (The image stays in the store's cache.)
    if (generation != decodeGeneration_) return;
    decodingWidth_ = 0;
    if (asset_ != asset) return;
    if (image.isNull()) {
        // Unavailable now, or the store went away; a later layout pass
        // tries again unless the photograph is known to be unavailable.
        if (store_.isUnavailable(asset)) setUnavailable(true);
        return;
    }
    if (loadedWidth_ >= width) return;
    show(image, width);
}

void PhotoBackdropLayerController::show(QImage image, int width) {
    const bool first = loadedWidth_ == 0;
    loadedWidth_ = width;
    image_ = std::move(image);
    if (onImage_) onImage_(image_);
    if (first) {
        // Discarding the task leaves it running: the store caches the result.
        BackdropPhotoAsset other{asset_->stem, otherAppearance(asset_->appearance)};
        if (store_.cachedImage(other, width).isNull()) store_.loadImage(std::move(other), width);
    }
}

void PhotoBackdropLayerController::setUnavailable(bool unavailable) {
    if (unavailable == unavailable_) return;
    unavailable_ = unavailable;
    if (onUnavailableChanged_) onUnavailableChanged_(unavailable_);
}

}  // namespace zephrane
