#include "ZephraneApp/DesignSystem/Backdrops/HeifPhotoDecoder.hpp"

#include <fstream>
#include <iterator>

#include <QColor>

#include <gtest/gtest.h>

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
