#include "ZephraneApp/DesignSystem/Backdrops/BackdropImageStore.hpp"

#include <algorithm>
#include <cmath>
#include <exception>
#include <utility>

#include <QFuture>
#include <QPromise>

#include <qcoro/qcorofuture.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"
#include "platform/oslog/OSLog.hpp"

namespace zephrane {
namespace {

const oslog::Logger& log() { return oslog::logger("com.zephrane.app", "backdrops"); }

std::string quoted(const std::string& text) { return "\"" + text + "\""; }

// Runs the decode on a worker and resumes on the awaiting thread. Static
// and by value: nothing of the store is touched after the suspension.
QCoro::Task<DecodedPhoto> decodeOnWorker(QThreadPool& workers, std::shared_ptr<const BackdropPhotoDecoder> decoder,
                                         std::filesystem::path file, int maxPixelSize) {
    auto promise = std::make_shared<QPromise<DecodedPhoto>>();
    QFuture<DecodedPhoto> future = promise->future();
    promise->start();
    // A job the pool drops unrun still answers, so no caller waits for ever.
    auto answerOnce = std::shared_ptr<void>(nullptr, [promise](void*) {
        if (promise->future().isFinished()) return;
        promise->addResult(DecodedPhoto{{}, "the decode was dropped"});
        promise->finish();
    });
    workers.start([promise, answerOnce, decoder = std::move(decoder), file = std::move(file), maxPixelSize] {
        DecodedPhoto result;
        try {
            result = decoder->decode(file, maxPixelSize);
        } catch (const std::exception& error) {
            result = {{}, error.what()};
        } catch (...) {
            result = {{}, "unknown failure"};
        }
        promise->addResult(std::move(result));
        promise->finish();
    });
    DecodedPhoto decoded = co_await future;
    co_return decoded;
}

}  // namespace

int BackdropImageStore::pixelWidthBucket(double pixels) {
    if (!(pixels > kWidthBuckets.front())) return kWidthBuckets.front();  // also NaN
    const double whole = std::ceil(pixels);
    for (const int bucket : kWidthBuckets)
        if (whole <= bucket) return bucket;
    return kWidthBuckets.back();
}

BackdropImageStore::BackdropImageStore(BundleLocator locateBundle, std::shared_ptr<const BackdropPhotoDecoder> decoder,
                                       int decodeThreads)
    : locateBundle_(std::move(locateBundle)), decoder_(std::move(decoder)) {
    workers_.setMaxThreadCount(std::max(1, decodeThreads));
    workers_.setObjectName("backdrop decoding");
}

BackdropImageStore::~BackdropImageStore() {
    alive_.reset();
    workers_.waitForDone();
}

BackdropImageStore& BackdropImageStore::shared() {
    static BackdropImageStore* const store = [] {
        auto* made = new BackdropImageStore(&BackdropResources::locateResourceBundleOfThisProcess,
                                            std::make_shared<HeifPhotoDecoder>());
        setBackdropImagePurgeHandler([made] { made->purgeImages(); });
        return made;
    }();
    return *store;
}

std::optional<std::filesystem::path> BackdropImageStore::photoPath(const BackdropPhotoAsset& asset) {
    if (!bundle_) {
        bundle_ = locateBundle_ ? locateBundle_() : std::nullopt;
        if (!*bundle_)
            log().error("resource bundle " + quoted(std::string(BackdropResources::kResourceBundleName)) +
                        " not found, backdrops show the window material");
    }
    if (!*bundle_) return std::nullopt;
    return BackdropResources::photoPath(**bundle_, asset);
}

std::optional<std::filesystem::path> BackdropImageStore::availablePhotoPath(const BackdropPhotoAsset& asset) {
    if (isUnavailable(asset)) return std::nullopt;
    auto path = photoPath(asset);
    if (!path) {
        unavailable_.insert(asset);
        // Without a bundle, its one line already said why.
        if (*bundle_)
            log().error("backdrop photo " + quoted(asset.resourceName() + std::string(BackdropResources::kPhotoExtension)) +
                        " not found in " + quoted((*bundle_)->string()) + ", showing the window material");
    }
    return path;
}

void BackdropImageStore::markUndecodable(const BackdropPhotoAsset& asset, const std::filesystem::path& file,
                                         const std::string& error) {
    if (!unavailable_.insert(asset).second) return;
    log().error("cannot decode backdrop photo " + quoted(file.string()) + ": " + error + ", showing the window material");
}

bool BackdropImageStore::isUnavailable(const BackdropPhotoAsset& asset) const { return unavailable_.contains(asset); }

QImage BackdropImageStore::cachedThumbnail(const BackdropPhotoAsset& asset) const {
    const auto it = thumbnailCache_.find(asset);
    return it != thumbnailCache_.end() ? it->second : QImage{};
}

QCoro::Task<QImage> BackdropImageStore::loadThumbnail(BackdropPhotoAsset asset) {
    if (QImage cached = cachedThumbnail(asset); !cached.isNull()) co_return cached;
    const auto file = availablePhotoPath(asset);
    if (!file) co_return QImage{};
    const std::weak_ptr<bool> alive = alive_;
    DecodedPhoto decoded = co_await decodeOnWorker(workers_, decoder_, *file, kThumbnailMaxPixelSize);
    if (alive.expired()) co_return decoded.image;
    if (decoded.image.isNull()) {
        markUndecodable(asset, *file, decoded.error);
        co_return QImage{};
    }
    thumbnailCache_.insert_or_assign(asset, decoded.image);
    co_return decoded.image;
}

QImage BackdropImageStore::cachedImage(const BackdropPhotoAsset& asset, int pixelWidth) const {
    const auto it = imageCache_.find(CacheKey{asset, pixelWidth});
    return it != imageCache_.end() ? it->second : QImage{};
}

QCoro::Task<QImage> BackdropImageStore::loadImage(BackdropPhotoAsset asset, int pixelWidth) {
    if (QImage cached = cachedImage(asset, pixelWidth); !cached.isNull()) co_return cached;
    const auto file = availablePhotoPath(asset);
    if (!file) co_return QImage{};
    const std::weak_ptr<bool> alive = alive_;
    DecodedPhoto decoded = co_await decodeOnWorker(workers_, decoder_, *file, pixelWidth);
    if (alive.expired()) co_return decoded.image;
    if (decoded.image.isNull()) {
        markUndecodable(asset, *file, decoded.error);
        co_return QImage{};
    }
    insertImage(decoded.image, asset, pixelWidth);
    co_return decoded.image;
}

void BackdropImageStore::insertImage(QImage image, const BackdropPhotoAsset& asset, int pixelWidth) {
    CacheKey key{asset, pixelWidth};
    if (const auto it = imageCache_.find(key); it != imageCache_.end()) {
        it->second = std::move(image);
        return;
    }
    imageCacheOrder_.push_back(key);
    imageCache_.emplace(std::move(key), std::move(image));
    while (imageCacheOrder_.size() > kImageCacheCapacity) {
        imageCache_.erase(imageCacheOrder_.front());
        imageCacheOrder_.erase(imageCacheOrder_.begin());
    }
}

void BackdropImageStore::purgeImages() {
    imageCache_.clear();
    imageCacheOrder_.clear();
}

}  // namespace zephrane
