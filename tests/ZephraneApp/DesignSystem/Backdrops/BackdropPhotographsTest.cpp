// The photographs the build paints and encodes: every backdrop has both,
// they decode through the app's own decoder at the largest bucket, the
// light one is the lighter, and the painter gives the same bytes every run.
#include <fstream>
#include <iterator>

#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Backdrops/BackdropResourceBundle.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"

namespace zephrane {
namespace {

namespace fs = std::filesystem;

double meanLightness(const QImage& image) {
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) sum += qGray(image.pixel(x, y));
    return sum / (image.width() * image.height());
}

std::string readAll(const QString& file) {
    std::ifstream in(file.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(BackdropPhotographs, EveryBackdropShipsALighterLightAndADarkerDarkPhotograph) {
    const fs::path bundle = ZEPHRANE_TEST_BACKDROP_BUNDLE;
    const HeifPhotoDecoder decoder;
    for (const WindowBackdrop backdrop : allCases<WindowBackdrop>()) {
        const auto stem = photoStem(backdrop);
        if (!stem) continue;
        double lightness[2] = {};
        for (const BackdropAppearance appearance : allCases<BackdropAppearance>()) {
            const BackdropPhotoAsset asset{std::string(*stem), appearance};
            const auto file = BackdropResources::photoPath(bundle, asset);
            ASSERT_TRUE(file.has_value()) << asset.resourceName();
            EXPECT_EQ(file->parent_path().filename(), "Photos");
            const DecodedPhoto full = decoder.decode(*file, 3200);
            ASSERT_FALSE(full.image.isNull()) << asset.resourceName() << ": " << full.error;
            EXPECT_EQ(full.image.size(), QSize(3200, 2000)) << asset.resourceName();
            lightness[appearance == BackdropAppearance::dark] = meanLightness(full.image.scaled(160, 100));
        }
        EXPECT_GT(lightness[0], lightness[1] + 20) << *stem;
    }
}

TEST(BackdropPhotographs, ThePainterIsDeterministicAndRefusesWhatItDoesNotKnow) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString painter = ZEPHRANE_TEST_PHOTO_PAINTER;
    for (const char* stem : {"night-circuit", "cumulus"}) {
        QStringList files;
        for (int run = 0; run < 2; ++run) {
            files << dir.filePath(QString("%1-%2.heic").arg(stem).arg(run));
            ASSERT_EQ(QProcess::execute(painter, {stem, "dark", "320", files.back(), "50"}), 0) << stem;
        }
        const std::string first = readAll(files[0]);
        EXPECT_GT(first.size(), 1000U);
        EXPECT_EQ(first, readAll(files[1])) << stem;
    }
    const QString out = dir.filePath("x.heic");
    for (const QStringList& arguments : {QStringList{"moon", "dark", "320", out}, QStringList{"aurora", "Dark", "320", out},
                                         QStringList{"aurora", "dark", "wide", out}, QStringList{"aurora", "dark"}})
        EXPECT_EQ(QProcess::execute(painter, arguments), 2) << arguments.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(out));
}

}  // namespace
}  // namespace zephrane
