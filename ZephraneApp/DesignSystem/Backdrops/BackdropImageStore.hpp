// The backdrop photographs as images: where each file is, and small caches
// so that a resize, a switch between light and dark or a reopened window
// does not decode again. Thumbnails (160 px) stay for the whole process; at
// most two full-size images stay, evicted in the order they came.
//
// Everything here is called on the GUI thread. Decoding never is: the
// loaders decode on the store's worker threads and resume on the caller's
// thread to fill the caches. A photograph that is missing or does not
// decode is logged once and then known as unavailable: it is not looked
// for or decoded again, and the views show the window material instead.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include <QImage>
#include <QThreadPool>

#include <qcoro/qcorotask.h>

#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"
#include "ZephraneApp/Model/WindowBackdrop.hpp"

namespace zephrane {

class BackdropImageStore {
public:
    struct CacheKey {
        BackdropPhotoAsset asset;
        int pixelWidth = 0;

        friend bool operator==(const CacheKey&, const CacheKey&) = default;
    };
    struct CacheKeyHash {
        std::size_t operator()(const CacheKey& key) const noexcept {
            return std::hash<BackdropPhotoAsset>{}(key.asset) * 31U + std::hash<int>{}(key.pixelWidth);
        }
    };

    static constexpr int kThumbnailMaxPixelSize = 160;
    // Full-size photographs are decoded at one of these widths only.
    static constexpr std::array<int, 4> kWidthBuckets{800, 1600, 2400, 3200};
    static constexpr std::size_t kImageCacheCapacity = 2;

    // The smallest bucket at least as wide as `pixels` (rounded up); the
    // widest for anything wider, the narrowest for zero, negative or NaN.
    static int pixelWidthBucket(double pixels);

    using BundleLocator = std::function<std::optional<std::filesystem::path>()>;
    // The bundle is located on first need and never again, found or not.
    BackdropImageStore(BundleLocator locateBundle, std::shared_ptr<const BackdropPhotoDecoder> decoder,
                       int decodeThreads = 2);
    ~BackdropImageStore();
    BackdropImageStore(const BackdropImageStore&) = delete;
    BackdropImageStore& operator=(const BackdropImageStore&) = delete;

    // The app's store: this process's resource bundle, the HEIC decoder,
    // and purgeBackdropImages() wired to it. Made on first use, never
    // destroyed.
    static BackdropImageStore& shared();

    std::optional<std::filesystem::path> photoPath(const BackdropPhotoAsset& asset);

    QImage cachedThumbnail(const BackdropPhotoAsset& asset) const;
    // The cached thumbnail, or one decoded in the background; null when the
    // photograph is unavailable.
    QCoro::Task<QImage> loadThumbnail(BackdropPhotoAsset asset);

    QImage cachedImage(const BackdropPhotoAsset& asset, int pixelWidth) const;
    // The same for a full-size image at a bucket width. Requests are not
    // merged: two misses for one key decode twice, the later one wins.
    QCoro::Task<QImage> loadImage(BackdropPhotoAsset asset, int pixelWidth);
    // Replaces the value of a key already cached without changing its
    // place in the eviction order; otherwise adds it and evicts the oldest.
    void insertImage(QImage image, const BackdropPhotoAsset& asset, int pixelWidth);
    // Drops every full-size image; thumbnails stay.
    void purgeImages();

    // Known missing or undecodable (after a lookup or decode said so).
    bool isUnavailable(const BackdropPhotoAsset& asset) const;
    const std::vector<CacheKey>& imageCacheOrder() const { return imageCacheOrder_; }
    std::size_t thumbnailCount() const { return thumbnailCache_.size(); }

private:
    // The photograph's file, unless it is known unavailable or cannot be
    // found (which makes it so).
    std::optional<std::filesystem::path> availablePhotoPath(const BackdropPhotoAsset& asset);
    void markUndecodable(const BackdropPhotoAsset& asset, const std::filesystem::path& file, const std::string& error);

    BundleLocator locateBundle_;
    std::shared_ptr<const BackdropPhotoDecoder> decoder_;
    std::optional<std::optional<std::filesystem::path>> bundle_;
    std::unordered_map<BackdropPhotoAsset, QImage> thumbnailCache_;
    std::unordered_map<CacheKey, QImage, CacheKeyHash> imageCache_;
    std::vector<CacheKey> imageCacheOrder_;
    std::unordered_set<BackdropPhotoAsset> unavailable_;
    // Coroutines still suspended on a decode check this before touching the
    // store again.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    QThreadPool workers_;
};

}  // namespace zephrane
