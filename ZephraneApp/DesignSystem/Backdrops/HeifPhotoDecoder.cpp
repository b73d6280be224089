#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"

#include <algorithm>
#include <cmath>
#include <memory>
#include <system_error>
#include <vector>

#include "ZephraneApp/DesignSystem/Backdrops/HeifDeleters.hpp"

namespace zephrane {
namespace {

using heif::ContextFree;
using heif::HandleFree;
using heif::ImageFree;

DecodedPhoto failure(std::string what, const heif_error& error) {
    return {{}, std::move(what) + ": " + (error.message != nullptr ? error.message : "unknown error")};
}

// The smallest copy stored beside the picture whose longer side is at least
// `size`: decoding it instead of a whole photograph takes a small part of
// the time and of the memory. None when there is no such copy.
std::unique_ptr<heif_image_handle, HandleFree> smallestThumbnailOfAtLeast(const heif_image_handle& primary, int size) {
    const int count = heif_image_handle_get_number_of_thumbnails(&primary);
    if (count < 1) return nullptr;
    std::vector<heif_item_id> ids(static_cast<std::size_t>(count));
    heif_image_handle_get_list_of_thumbnail_IDs(&primary, ids.data(), count);
    std::unique_ptr<heif_image_handle, HandleFree> best;
    int bestSide = 0;
    for (const heif_item_id id : ids) {
        heif_image_handle* raw = nullptr;
        if (heif_image_handle_get_thumbnail(&primary, id, &raw).code != heif_error_Ok) continue;
        std::unique_ptr<heif_image_handle, HandleFree> candidate(raw);
        const int side = std::max(heif_image_handle_get_width(raw), heif_image_handle_get_height(raw));
        if (side >= size && (best == nullptr || side < bestSide)) {
            best = std::move(candidate);
            bestSide = side;
        }
    }
    return best;
}

}  // namespace

DecodedPhoto HeifPhotoDecoder::decode(const std::filesystem::path& file, int maxPixelSize) const {
    if (maxPixelSize < 1) return {{}, "no room for a picture"};
    std::error_code sizeError;
    const auto size = std::filesystem::file_size(file, sizeError);
    if (sizeError) return {{}, sizeError.message()};
    if (size > kMaximumFileSize) return {{}, "file too large"};

    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    heif_context_set_maximum_image_size_limit(context.get(), kMaximumSide);
    heif_error error = heif_context_read_from_file(context.get(), file.c_str(), nullptr);
    if (error.code != heif_error_Ok) return failure("not a readable HEIF file", error);

    heif_image_handle* rawHandle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &rawHandle);
    if (error.code != heif_error_Ok) return failure("no primary image", error);
    std::unique_ptr<heif_image_handle, HandleFree> handle(rawHandle);
    if (auto thumbnail = smallestThumbnailOfAtLeast(*handle, maxPixelSize)) handle = std::move(thumbnail);

    // Decoding applies the file's rotation and mirroring (libheif's default).
    heif_image* rawImage = nullptr;
    error = heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr);
    if (error.code != heif_error_Ok) return failure("cannot decode", error);
    const std::unique_ptr<heif_image, ImageFree> decoded(rawImage);

    const int width = heif_image_get_width(rawImage, heif_channel_interleaved);
    const int height = heif_image_get_height(rawImage, heif_channel_interleaved);
    int stride = 0;
    const std::uint8_t* pixels = heif_image_get_plane_readonly(rawImage, heif_channel_interleaved, &stride);
    if (pixels == nullptr || width < 1 || height < 1) return {{}, "decoded image has no pixels"};

    // Copied out of libheif's buffer into 32-bit pixels first: Qt scales
    // those fast, 24-bit ones many times slower.
    const QImage full = QImage(pixels, width, height, stride, QImage::Format_RGB888).convertToFormat(QImage::Format_RGB32);
    if (full.isNull()) return {{}, "out of memory while converting"};
    const int longer = std::max(width, height);
    if (longer <= maxPixelSize) return {full, {}};

    const double scale = static_cast<double>(maxPixelSize) / longer;
    const int scaledWidth = std::max(1, static_cast<int>(std::lround(width * scale)));
    const int scaledHeight = std::max(1, static_cast<int>(std::lround(height * scale)));
    QImage scaled = full.scaled(scaledWidth, scaledHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (scaled.isNull()) return {{}, "out of memory while scaling"};
    return {scaled.convertToFormat(QImage::Format_RGB32), {}};
}

}  // namespace zephrane
