#include "ZephraneApp/DesignSystem/Backdrops/BackdropSwatchController.hpp"

#include <utility>

namespace zephrane {

BackdropSwatchController::BackdropSwatchController(BackdropImageStore& store, WindowBackdrop backdrop,
                                                   BackdropAppearance colorScheme)
    : store_(store), backdrop_(backdrop), colorScheme_(colorScheme) {}

BackdropSwatchController::~BackdropSwatchController() { life_.reset(); }

std::optional<BackdropPhotoAsset> BackdropSwatchController::asset() const {
    const auto stem = photoStem(backdrop_);
    if (!stem) return std::nullopt;
    return BackdropPhotoAsset{std::string(*stem), colorScheme_};
}

QImage BackdropSwatchController::content() const {
    const auto current = asset();
    if (!current) return {};
    if (QImage cached = store_.cachedThumbnail(*current); !cached.isNull()) return cached;
    // A load for an earlier photograph may land late: it is shown only
    // while it is of the current one.
    if (loadedThumbnailAsset_ == current) return loadedThumbnail_;
    return {};
}

void BackdropSwatchController::setBackdrop(WindowBackdrop backdrop) {
    if (backdrop == backdrop_) return;
    const auto before = asset();
    backdrop_ = backdrop;
    assetMayHaveChanged(before);
}

void BackdropSwatchController::setColorScheme(BackdropAppearance colorScheme) {
    if (colorScheme == colorScheme_) return;
    const auto before = asset();
    colorScheme_ = colorScheme;
    assetMayHaveChanged(before);
}

void BackdropSwatchController::setOnScreen(bool onScreen) {
    if (onScreen == onScreen_) return;
    onScreen_ = onScreen;
    if (onScreen_) startLoad();
}

void BackdropSwatchController::assetMayHaveChanged(const std::optional<BackdropPhotoAsset>& before) {
    if (asset() == before) return;
    changed();
    if (onScreen_) startLoad();
}

void BackdropSwatchController::startLoad() {
    const auto current = asset();
    if (!current || !store_.cachedThumbnail(*current).isNull()) return;
    load(life_, &store_, *current);
}

QCoro::Task<void> BackdropSwatchController::load(std::weak_ptr<BackdropSwatchController*> life,
                                                 BackdropImageStore* store, BackdropPhotoAsset asset) {
    QImage thumbnail = co_await store->loadThumbnail(asset);
    const auto self = life.lock();
    if (!self || thumbnail.isNull()) co_return;
    BackdropSwatchController& swatch = **self;
    swatch.loadedThumbnail_ = std::move(thumbnail);
    swatch.loadedThumbnailAsset_ = std::move(asset);
    swatch.changed();
}

}  // namespace zephrane
