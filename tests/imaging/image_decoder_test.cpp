#include "imaging/image_decoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageReader>

#include "tests/imaging/test_images.h"

namespace {

// What the program showed before it had its own decoders: Qt's reading, widened to 32 bits.
QImage QtDecode(const Bytes& bytes) {
    QByteArray data(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QImage image = QImageReader(&buffer).read();
    return image.depth() <= 8 ? image.convertToFormat(QImage::Format_RGB32) : image;
}

TEST(DecodeImage, GivesQtsPixelsForEveryKindOfImage) {
    std::vector<QRgb> palette;
    for (int i = 0; i < 256; ++i) palette.push_back(qRgb(i, 255 - i, (i * 7) % 256));
    std::vector<std::pair<const char*, Bytes>> files;
    for (int bpp : {1, 4, 8, 24, 32}) {
        BmpFormat bmp{.width = 13, .height = 7, .bpp = bpp};
        if (bpp <= 8) bmp.palette.assign(palette.begin(), palette.begin() + (1 << bpp));
        const auto value = [&](int x, int y) {
            return bpp <= 8 ? uint32_t(x + 3 * y) % (1u << bpp) : Gradient(x, y) & 0xFFFFFFu;
        };
        files.emplace_back("bmp", MakeBmp(bmp, BmpRows(bmp, value)));
        bmp.topDown = true;
        files.emplace_back("top-down bmp", MakeBmp(bmp, BmpRows(bmp, value)));
    }
    for (QSize size : {QSize(64, 48), QSize(13, 7), QSize(641, 479)}) {
        for (JpegKind kind : {JpegKind::Baseline, JpegKind::Progressive, JpegKind::Grey,
                              JpegKind::Cmyk, JpegKind::SeparateScans, JpegKind::WithRestarts})
            files.emplace_back("jpeg", MakeJpeg(kind, size.width(), size.height()));
    }
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(testing::Message() << files[i].first << " #" << i);
        QImage image;
        ASSERT_TRUE(DecodeEveryPixel(image, files[i].second));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        EXPECT_EQ(image, QtDecode(files[i].second));
    }
}

TEST(DecodeImage, EmptyGarbageAndUnknownInputGiveNothing) {
    QImage image;
    ASSERT_TRUE(Decode(image, MakeJpeg(JpegKind::Baseline)));
    EXPECT_FALSE(DecodeImage(image, nullptr, 0));
    EXPECT_TRUE(image.isNull());  // the previous picture is gone as well

    Bytes garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 7919 >> 3);
    EXPECT_FALSE(DecodeImage(image, garbage.data(), 0));
    EXPECT_FALSE(Decode(image, garbage));
    garbage[0] = 'B', garbage[1] = 'M';  // right signature, nonsense headers
    EXPECT_FALSE(Decode(image, garbage));
    garbage[0] = 0xFF, garbage[1] = 0xD8, garbage[2] = 0xFF;
    EXPECT_FALSE(Decode(image, garbage));
    EXPECT_TRUE(image.isNull());
}

// The cap is the one that holds: an image of exactly kMaxDecodedPixels decodes, one row more is
// refused before anything is allocated.
TEST(DecodeImage, PixelCapIsExact) {
    const int side = 8192;
    ASSERT_EQ(uint64_t(side) * side, kMaxDecodedPixels);
    BmpFormat bmp{.width = side, .height = side, .bpp = 8, .compression = 1, .palette = {0xFF8040}};
    const Bytes emptyRuns{0, 1};  // just the end of the bitmap: every pixel is colour 0
    QImage image;
    ASSERT_TRUE(Decode(image, MakeBmp(bmp, emptyRuns)));
    EXPECT_EQ(image.size(), QSize(side, side));
    EXPECT_EQ(image.pixel(side - 1, side - 1), 0xFFFF8040u);
    bmp.height = side + 1;
    EXPECT_FALSE(Decode(image, MakeBmp(bmp, emptyRuns)));

    Bytes jpeg = MakeJpeg(JpegKind::FlatGrey, side, side);
    ASSERT_TRUE(Decode(image, jpeg));
    EXPECT_EQ(image.pixel(side - 1, side - 1), qRgb(128, 128, 128));
    size_t sof = 0;
    while (!(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
    jpeg[sof + 6] = 1;  // 8193 rows: 0x2001
    EXPECT_FALSE(Decode(image, jpeg));
    jpeg[sof + 5] = jpeg[sof + 7] = 30000 >> 8;  // 30000 x 30000
    jpeg[sof + 6] = jpeg[sof + 8] = 30000 & 0xFF;
    EXPECT_FALSE(Decode(image, jpeg));
}

}  // namespace
