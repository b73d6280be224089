// Decoding a backdrop photograph from its HEIC file and scaling it down.
// A decode of a full photograph takes a few hundred milliseconds, so it
// runs only on the store's worker threads, never on the GUI thread; only
// the scaled image leaves the decoder.
#pragma once

#include <filesystem>
#include <string>

#include <QImage>

namespace zephrane {

// Either an image (opaque, Format_RGB32) or why there is none.
struct DecodedPhoto {
    QImage image;
    std::string error;
};

// The seam the store decodes through; tests put a controllable decoder here.
class BackdropPhotoDecoder {
public:
    virtual ~BackdropPhotoDecoder() = default;
    // The photograph scaled so that its longer side is at most
    // `maxPixelSize` (never enlarged), with the orientation recorded in the
    // file applied. Safe on any thread.
    virtual DecodedPhoto decode(const std::filesystem::path& file, int maxPixelSize) const = 0;
};

class HeifPhotoDecoder final : public BackdropPhotoDecoder {
public:
    // A file larger than this, or a picture wider or taller than
    // kMaximumSide, is refused before it is decoded: the bundle is data,
    // and a damaged file must cost a photograph, not the app's memory.
    static constexpr std::uintmax_t kMaximumFileSize = 64ULL * 1024 * 1024;
    static constexpr int kMaximumSide = 8192;

    DecodedPhoto decode(const std::filesystem::path& file, int maxPixelSize) const override;
};

}  // namespace zephrane
