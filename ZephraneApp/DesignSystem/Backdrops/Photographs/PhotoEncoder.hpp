// Writes a picture as a HEIC file (HEVC through libheif). The encoder is
// given every setting explicitly, so the bytes depend only on the pixels
// and these settings, never on the machine's defaults.
#pragma once

#include <filesystem>
#include <string>

#include <QImage>

namespace zephrane::photographs {

struct HeicSettings {
    int quality = 50;  // 0...100, libheif's lossy quality
    // The orientation recorded in the file, as libheif's heif_orientation
    // (1: none); a reader that applies it shows the stored pixels turned.
    int orientation = 1;
    // The longer side of a smaller copy stored beside the picture, for a
    // reader that wants a thumbnail without decoding the whole photograph;
    // 0 stores none. Bigger than the picture, none is stored either.
    int thumbnailSize = 320;
};

// Empty on success, else what went wrong. The file is written whole or
// not at all (through a temporary file beside it).
std::string writeHeic(const QImage& image, const std::filesystem::path& file, const HeicSettings& settings = {});

}  // namespace zephrane::photographs
