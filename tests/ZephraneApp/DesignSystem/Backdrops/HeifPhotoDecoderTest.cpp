#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"

#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <QColor>

#include <gtest/gtest.h>

#include "ZephraneApp/DesignSystem/Backdrops/HeifDeleters.hpp"
#include "ZephraneApp/DesignSystem/Backdrops/Photographs/PhotoEncoder.hpp"
#include "tests/ZephraneApp/DesignSystem/Backdrops/BackdropTestSupport.hpp"

namespace zephrane {
namespace {

namespace fs = std::filesystem;
using testing::TemporaryBundle;

// 320 x 200: red left half, blue right half.
QImage twoColourPicture() {
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(QColor(220, 30, 30));
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 160; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(30, 30, 220));
    return picture;
}

std::string readAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class HeifPhotoDecoderTest : public ::testing::Test {
protected:
    fs::path writePhoto(const std::string& name, photographs::HeicSettings settings = {}) {
        const fs::path file = bundle_.path() / name;
        EXPECT_EQ(photographs::writeHeic(twoColourPicture(), file, settings), "");
        return file;
    }
    TemporaryBundle bundle_;
    HeifPhotoDecoder decoder_;
};

TEST_F(HeifPhotoDecoderTest, ScalesTheLongerSideDownNeverUp) {
    const fs::path photo = writePhoto("two-light.heic");
    const struct {
        int maxPixelSize, width, height;
    } rows[] = {{160, 160, 100}, {200, 200, 125}, {320, 320, 200}, {800, 320, 200}, {1, 1, 1}};
    for (const auto& row : rows) {
        const DecodedPhoto decoded = decoder_.decode(photo, row.maxPixelSize);
        ASSERT_FALSE(decoded.image.isNull()) << decoded.error;
        EXPECT_EQ(decoded.image.size(), QSize(row.width, row.height)) << row.maxPixelSize;
        EXPECT_EQ(decoded.image.format(), QImage::Format_RGB32);
    }
    // The colours survive, left red and right blue.
    const QImage thumbnail = decoder_.decode(photo, 160).image;
    EXPECT_GT(qRed(thumbnail.pixel(20, 50)), 180);
    EXPECT_GT(qBlue(thumbnail.pixel(140, 50)), 180);
}

TEST_F(HeifPhotoDecoderTest, AppliesTheOrientationRecordedInTheFile) {
    const fs::path turned = writePhoto("turned-light.heic", {.quality = 50, .orientation = 6});  // 90 degrees
    const DecodedPhoto decoded = decoder_.decode(turned, 800);
    ASSERT_FALSE(decoded.image.isNull()) << decoded.error;
    EXPECT_EQ(decoded.image.size(), QSize(200, 320));
    EXPECT_EQ(decoder_.decode(turned, 160).image.size(), QSize(100, 160));
}

// A photograph whose stored thumbnail shows another colour than the
// picture itself, so a decode tells which of the two it read.
fs::path photoWithATellingThumbnail(const fs::path& file) {
    const auto plain = [](int width, int height, QRgb colour) {
        heif_image* image = nullptr;
        heif_image_create(width, height, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
        heif_image_add_plane(image, heif_channel_interleaved, width, height, 8);
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                std::uint8_t* pixel = plane + static_cast<std::ptrdiff_t>(y) * stride + x * 3;
                pixel[0] = static_cast<std::uint8_t>(qRed(colour));
                pixel[1] = static_cast<std::uint8_t>(qGreen(colour));
                pixel[2] = static_cast<std::uint8_t>(qBlue(colour));
            }
        return std::unique_ptr<heif_image, heif::ImageFree>(image);
    };
    const std::unique_ptr<heif_context, heif::ContextFree> context(heif_context_alloc());
    heif_encoder* rawEncoder = nullptr;
    heif_context_get_encoder_for_format(context.get(), heif_compression_HEVC, &rawEncoder);
    const std::unique_ptr<heif_encoder, heif::EncoderFree> encoder(rawEncoder);
    const auto red = plain(640, 400, qRgb(220, 30, 30));
    const auto blue = plain(640, 400, qRgb(30, 30, 220));
    heif_image_handle* primary = nullptr;
    EXPECT_EQ(heif_context_encode_image(context.get(), red.get(), rawEncoder, nullptr, &primary).code, heif_error_Ok);
    heif_image_handle* thumbnail = nullptr;
    EXPECT_EQ(heif_context_encode_thumbnail(context.get(), blue.get(), primary, rawEncoder, nullptr, 320, &thumbnail).code,
              heif_error_Ok);
    heif_image_handle_release(thumbnail);
    heif_image_handle_release(primary);
    EXPECT_EQ(heif_context_write_to_file(context.get(), file.c_str()).code, heif_error_Ok);
    return file;
}

TEST_F(HeifPhotoDecoderTest, AThumbnailStoredInTheFileStandsInWhenItIsBigEnough) {
    const fs::path photo = photoWithATellingThumbnail(bundle_.path() / "told-light.heic");
    const struct {
        int maxPixelSize;
        bool fromThumbnail;
        QSize size;
    } rows[] = {{160, true, {160, 100}}, {320, true, {320, 200}}, {321, false, {321, 201}}, {800, false, {640, 400}}};
    for (const auto& row : rows) {
        const QImage image = decoder_.decode(photo, row.maxPixelSize).image;
        ASSERT_FALSE(image.isNull()) << row.maxPixelSize;
        EXPECT_EQ(image.size(), row.size) << row.maxPixelSize;
        const QRgb middle = image.pixel(image.width() / 2, image.height() / 2);
        EXPECT_EQ(qBlue(middle) > qRed(middle), row.fromThumbnail) << row.maxPixelSize;
    }
}

TEST_F(HeifPhotoDecoderTest, PhotographsAreWrittenWithAThumbnailTurnedAsThePictureIs) {
    const QImage wide = twoColourPicture().scaled(960, 600);
    for (const int orientation : {1, 6}) {
        const fs::path file = bundle_.path() / ("wide-" + std::to_string(orientation) + "-light.heic");
        ASSERT_EQ(photographs::writeHeic(wide, file, {.quality = 50, .orientation = orientation}), "");
        const std::unique_ptr<heif_context, heif::ContextFree> context(heif_context_alloc());
        ASSERT_EQ(heif_context_read_from_file(context.get(), file.c_str(), nullptr).code, heif_error_Ok);
        heif_image_handle* primary = nullptr;
        heif_context_get_primary_image_handle(context.get(), &primary);
        EXPECT_EQ(heif_image_handle_get_number_of_thumbnails(primary), 1) << orientation;
        heif_image_handle_release(primary);

        const QSize full = orientation == 6 ? QSize(600, 960) : QSize(960, 600);
        const QSize small = orientation == 6 ? QSize(100, 160) : QSize(160, 100);
        EXPECT_EQ(decoder_.decode(file, 2000).image.size(), full) << orientation;
        const QImage thumbnail = decoder_.decode(file, 160).image;
        EXPECT_EQ(thumbnail.size(), small) << orientation;
        // Red where the picture's left half lands once turned: top for a
        // quarter turn clockwise, left otherwise.
        const QPoint red = orientation == 6 ? QPoint(50, 20) : QPoint(20, 50);
        EXPECT_GT(qRed(thumbnail.pixel(red)), 180) << orientation;
    }
    // A picture no bigger than its thumbnail would be gets none.
    const fs::path small = writePhoto("small-light.heic");
    const std::unique_ptr<heif_context, heif::ContextFree> context(heif_context_alloc());
    ASSERT_EQ(heif_context_read_from_file(context.get(), small.c_str(), nullptr).code, heif_error_Ok);
    heif_image_handle* primary = nullptr;
    heif_context_get_primary_image_handle(context.get(), &primary);
    EXPECT_EQ(heif_image_handle_get_number_of_thumbnails(primary), 0);
    heif_image_handle_release(primary);
}

TEST_F(HeifPhotoDecoderTest, DamagedOrMissingFilesGiveAReasonNotAnImage) {
    const std::string good = readAll(writePhoto("good-light.heic"));
    struct Row {
        const char* name;
        std::string bytes;
    };
    const std::vector<Row> rows{
        {"truncated to half", good.substr(0, good.size() / 2)},
        {"header only", good.substr(0, 64)},
        {"empty", ""},
        {"text", "this is not a photograph"},
        {"coded data overwritten", good.substr(0, good.size() - 2000) + std::string(2000, '\x5a')},
    };
    for (const Row& row : rows) {
        const fs::path file = bundle_.write(std::string(row.name) + ".heic", row.bytes);
        const DecodedPhoto decoded = decoder_.decode(file, 160);
        // Overwritten coded data may still decode to a damaged picture; what
        // matters is that nothing crashes and a failure says why.
        if (decoded.image.isNull()) {
            EXPECT_FALSE(decoded.error.empty()) << row.name;
        } else {
            EXPECT_STREQ(row.name, "coded data overwritten");
        }
    }
    EXPECT_FALSE(decoder_.decode(bundle_.path() / "missing.heic", 160).error.empty());
    EXPECT_TRUE(decoder_.decode(writePhoto("fine-light.heic"), 0).image.isNull());
}

}  // namespace
}  // namespace zephrane
