// Decodes every photograph of a resource bundle through the app's decoder,
// scaled to a bucket, and saves each as a PNG plus one contact sheet, for
// a person to look at:
//   zephrane-backdrop-preview BUNDLE OUT_DIR [WIDTH]
#include <charconv>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <QPainter>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"

int main(int argc, char** argv) {
    using namespace zephrane;
    if (argc != 3 && argc != 4) {
        std::cerr << "usage: zephrane-backdrop-preview BUNDLE OUT_DIR [WIDTH]\n";
        return 2;
    }
    int width = 800;
    if (argc == 4) std::from_chars(argv[3], argv[3] + std::strlen(argv[3]), width);
    const std::filesystem::path bundle = argv[1];
    const std::filesystem::path out = argv[2];
    std::filesystem::create_directories(out);

    const HeifPhotoDecoder decoder;
    constexpr int kSheetColumn = 400;
    QImage sheet(2 * kSheetColumn, 11 * kSheetColumn * 5 / 8, QImage::Format_RGB32);
    sheet.fill(Qt::black);
    QPainter painter(&sheet);
    int row = 0;
    int failures = 0;
    for (const WindowBackdrop backdrop : allCases<WindowBackdrop>()) {
        const auto stem = photoStem(backdrop);
        if (!stem) continue;
        for (const BackdropAppearance appearance : allCases<BackdropAppearance>()) {
            const BackdropPhotoAsset asset{std::string(*stem), appearance};
            const auto file = BackdropResources::photoPath(bundle, asset);
            const DecodedPhoto decoded = file ? decoder.decode(*file, width) : DecodedPhoto{{}, "missing"};
            if (decoded.image.isNull()) {
                std::cerr << asset.resourceName() << ": " << decoded.error << '\n';
                ++failures;
                continue;
            }
            decoded.image.save(QString::fromStdString((out / (asset.resourceName() + ".png")).string()));
            const int column = appearance == BackdropAppearance::dark ? 1 : 0;
            painter.drawImage(QRect(column * kSheetColumn, row * kSheetColumn * 5 / 8, kSheetColumn, kSheetColumn * 5 / 8),
                              decoded.image);
        }
        ++row;
    }
    painter.end();
    sheet.save(QString::fromStdString((out / "contact-sheet.png").string()));
    return failures == 0 ? 0 : 1;
}
