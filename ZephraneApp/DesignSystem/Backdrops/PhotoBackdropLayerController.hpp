// The state machine behind the layer that shows one backdrop photograph
// behind a window. The view tells it the asset and, on every layout pass,
// its width and its window's scale; the controller picks the width bucket
// and hands the view an image to put in its layer.
//
// For an asset it is empty (nothing loaded yet: the layer keeps whatever it
// showed before), showing an image `loadedWidth` pixels wide, or showing
// one while a sharper decode runs. It never replaces a sharper image with a
// smaller one. Unlike a first show that decodes on the spot, every decode
// here runs in the background: the first one starts at once and the layer
// keeps its old contents until it lands; once an image shows, the other
// appearance of the same photograph is prefetched, so a switch between
// light and dark finds it cached. A photograph that cannot be shown makes
// the controller unavailable, and the view then draws the window material.
//
// GUI thread only. The store must outlive its controllers.
#pragma once

#include <functional>
#include <memory>
#include <optional>

#include <QImage>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

namespace zephrane {

class PhotoBackdropLayerController {
public:
    // A view that is in no window yet lays out for a 2x screen.
    static constexpr double kScaleWithoutWindow = 2.0;

    explicit PhotoBackdropLayerController(BackdropImageStore& store);
    ~PhotoBackdropLayerController();
    PhotoBackdropLayerController(const PhotoBackdropLayerController&) = delete;
    PhotoBackdropLayerController& operator=(const PhotoBackdropLayerController&) = delete;

    // Put this image in the layer now, without animation.
    void onImage(std::function<void(const QImage&)> handler) { onImage_ = std::move(handler); }
    // Lay out again soon (the asset changed).
    void onNeedsLayout(std::function<void()> handler) { onNeedsLayout_ = std::move(handler); }
    // The photograph turned out missing or undecodable, or a new asset
    // cleared that.
    void onUnavailableChanged(std::function<void(bool)> handler) { onUnavailableChanged_ = std::move(handler); }

    // An unchanged asset does nothing; a new one starts over at empty.
    void setAsset(std::optional<BackdropPhotoAsset> asset);
    // `backingScale` is the window's pixels per point; none without a window.
    void layout(double boundsWidth, std::optional<double> backingScale);

    const std::optional<BackdropPhotoAsset>& asset() const { return asset_; }
    int loadedWidth() const { return loadedWidth_; }
    // The bucket a decode for the current asset is under way for; 0 if none.
    int decodingWidth() const { return decodingWidth_; }
    int decodeGeneration() const { return decodeGeneration_; }
    bool isUnavailable() const { return unavailable_; }
    const QImage& image() const { return image_; }

private:
    using Life = std::shared_ptr<PhotoBackdropLayerController*>;
    static QCoro::Task<void> decode(std::weak_ptr<PhotoBackdropLayerController*> life, BackdropImageStore* store,
                                    BackdropPhotoAsset asset, int width, int generation);
    void decodeFinished(const QImage& image, const BackdropPhotoAsset& asset, int width, int generation);
    void show(QImage image, int width);
    void setUnavailable(bool unavailable);

    BackdropImageStore& store_;
    std::optional<BackdropPhotoAsset> asset_;
    int loadedWidth_ = 0;
    int decodingWidth_ = 0;
    int decodeGeneration_ = 0;
    bool unavailable_ = false;
    QImage image_;
    std::function<void(const QImage&)> onImage_;
    std::function<void()> onNeedsLayout_;
    std::function<void(bool)> onUnavailableChanged_;
    Life life_ = std::make_shared<PhotoBackdropLayerController*>(this);
};

}  // namespace zephrane
