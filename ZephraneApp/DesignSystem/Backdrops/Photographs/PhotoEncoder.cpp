#include "ZephraneApp/DesignSystem/Backdrops/Photographs/PhotoEncoder.hpp"

#include <algorithm>
#include <cstring>
#include <memory>
#include <system_error>

#include "ZephraneApp/DesignSystem/Backdrops/HeifDeleters.hpp"

#if defined(__SANITIZE_ADDRESS__)
// x265 keeps one small block allocated until the process ends; it is the
// library's, not ours to free, so the leak checker is told to pass over it.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() { return "leak:libx265.so\n"; }
#endif

namespace zephrane::photographs {
namespace {

using heif::ContextFree;
using heif::EncoderFree;
using heif::HandleFree;
using heif::ImageFree;
using heif::OptionsFree;

std::string failed(const char* step, const heif_error& error) {
    return std::string(step) + ": " + (error.message != nullptr ? error.message : "unknown error");
}

}  // namespace

std::string writeHeic(const QImage& image, const std::filesystem::path& file, const HeicSettings& settings) {
    if (image.isNull()) return "no picture to write";
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    const int width = rgb.width();
    const int height = rgb.height();

    heif_image* rawImage = nullptr;
    heif_error error = heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &rawImage);
    if (error.code != heif_error_Ok) return failed("creating the image", error);
    const std::unique_ptr<heif_image, ImageFree> heifImage(rawImage);
    error = heif_image_add_plane(rawImage, heif_channel_interleaved, width, height, 8);
    if (error.code != heif_error_Ok) return failed("adding the plane", error);
    int stride = 0;
    std::uint8_t* plane = heif_image_get_plane(rawImage, heif_channel_interleaved, &stride);
    for (int y = 0; y < height; ++y)
        std::memcpy(plane + static_cast<std::ptrdiff_t>(y) * stride, rgb.constScanLine(y), static_cast<std::size_t>(width) * 3);

    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    error = heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder);
    if (error.code != heif_error_Ok) return failed("finding an HEVC encoder", error);
    const std::unique_ptr<heif_encoder, EncoderFree> encoder(rawEncoder);
    error = heif_encoder_set_lossy_quality(rawEncoder, settings.quality);
    if (error.code != heif_error_Ok) return failed("setting the quality", error);
    // Every setting that shapes the stream is named, so the library's
    // defaults cannot change the bytes.
    for (const auto& [name, value] : {std::pair{"preset", "medium"}, std::pair{"tune", "ssim"}, std::pair{"chroma", "420"}}) {
        error = heif_encoder_set_parameter(rawEncoder, name, value);
        if (error.code != heif_error_Ok) return failed(name, error);
    }

    const std::unique_ptr<heif_encoding_options, OptionsFree> options(heif_encoding_options_alloc());
    options->image_orientation = static_cast<heif_orientation>(settings.orientation);
    heif_image_handle* rawPrimary = nullptr;
    error = heif_context_encode_image(context.get(), rawImage, rawEncoder, options.get(), &rawPrimary);
    if (error.code != heif_error_Ok) return failed("encoding", error);
    const std::unique_ptr<heif_image_handle, HandleFree> primary(rawPrimary);
    if (settings.thumbnailSize > 0 && settings.thumbnailSize < std::max(width, height)) {
        heif_image_handle* rawThumbnail = nullptr;
        error = heif_context_encode_thumbnail(context.get(), rawImage, primary.get(), rawEncoder, options.get(),
                                              settings.thumbnailSize, &rawThumbnail);
        if (error.code != heif_error_Ok) return failed("encoding the thumbnail", error);
        heif_image_handle_release(rawThumbnail);
    }

    std::filesystem::path partial = file;
    partial += ".partial";
    error = heif_context_write_to_file(context.get(), partial.c_str());
    if (error.code != heif_error_Ok) return failed("writing", error);
    std::error_code renameError;
    std::filesystem::rename(partial, file, renameError);
    if (renameError) return "renaming into place: " + renameError.message();
    return {};
}

}  // namespace zephrane::photographs
