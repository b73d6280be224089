// Paints one backdrop photograph and writes it as HEIC:
//   zephrane-backdrop-photo STEM light|dark WIDTH OUT.heic [QUALITY]
// The build runs it once per photograph, in parallel.
#include <charconv>
#include <iostream>
#include <string_view>

#include "ZephraneApp/DesignSystem/Backdrops/Photographs/PhotoEncoder.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/Scenes.hpp"

namespace {

bool parseInt(std::string_view text, int& value) {
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace

int main(int argc, char** argv) {
    using namespace zephrane;
    const auto usage = [] {
        std::cerr << "usage: zephrane-backdrop-photo STEM light|dark WIDTH OUT.heic [QUALITY]\n";
        return 2;
    };
    if (argc != 5 && argc != 6) return usage();
    const auto painter = photographs::scenePainter(argv[1]);
    const auto appearance = fromRawValue<BackdropAppearance>(argv[2]);
    int width = 0;
    photographs::HeicSettings settings;
    if (!painter || !appearance || !parseInt(argv[3], width) || width < 16 || width > 8192) return usage();
    if (argc == 6 && (!parseInt(argv[5], settings.quality) || settings.quality < 0 || settings.quality > 100)) return usage();

    const QImage picture = (*painter)(width, *appearance);
    if (const std::string error = photographs::writeHeic(picture, argv[4], settings); !error.empty()) {
        std::cerr << "zephrane-backdrop-photo: " << argv[4] << ": " << error << '\n';
        return 1;
    }
    return 0;
}
