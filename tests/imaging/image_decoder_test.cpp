#include "imaging/image_decoder.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QImageWriter>
#include <cstdlib>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Put32(Bytes& b, uint32_t v) {
    b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
}

// A BI_RGB BMP, rows stored bottom-up unless `topDown`. `value(x, y)` gives a palette index
// (bpp <= 8) or 0x00RRGGBB.
template <typename ValueAt>
Bytes MakeBmp(int width, int height, int bpp, const std::vector<QRgb>& palette, ValueAt value,
              bool topDown = false) {
    const uint32_t rowBytes = (uint32_t(width) * bpp + 31) / 32 * 4;
    const uint32_t offset = 14 + 40 + 4 * uint32_t(palette.size());
    Bytes b{'B', 'M'};
    Put32(b, offset + rowBytes * height);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, width);
    Put32(b, uint32_t(topDown ? -height : height));
    Put16(b, 1);
    Put16(b, bpp);
    for (int i = 0; i < 6; ++i) Put32(b, i == 4 ? uint32_t(palette.size()) : 0);
    for (QRgb c : palette) Put32(b, c & 0xFFFFFFu);
    for (int n = 0; n < height; ++n) {
        const int y = topDown ? n : height - 1 - n;
        Bytes row(rowBytes, 0);
        for (int x = 0; x < width; ++x) {
            const uint32_t v = value(x, y);
            if (bpp < 8) {
                const int bit = x * bpp, shift = 8 - bpp - bit % 8;
                row[bit / 8] |= uint8_t(v << shift);
            } else {
                for (int k = 0; k < bpp / 8; ++k) row[x * bpp / 8 + k] = uint8_t(v >> (8 * k));
            }
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

std::vector<QRgb> GreyPalette(int count) {
    std::vector<QRgb> palette;
    for (int i = 0; i < count; ++i) {
        const int level = i * 255 / (count - 1);
        palette.push_back(qRgb(level, level, level));
    }
    return palette;
}

// A smooth colour picture with a little texture, as JPEG bytes.
Bytes MakeJpeg(QImage::Format format, bool progressive, int quality = 90) {
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) picture.setPixel(x, y, qRgb(x * 4, y * 5, 128 + (x + y) % 8));
    picture = picture.convertToFormat(format);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    EXPECT_TRUE(writer.write(picture));
    const QByteArray& data = buffer.data();
    return Bytes(data.begin(), data.end());
}

bool HasMarker(const Bytes& jpeg, uint8_t marker) {
    for (size_t i = 0; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == marker) return true;
    return false;
}

bool Decode(QImage& image, const Bytes& bytes) {
    return DecodeImage(image, bytes.data(), uint32_t(bytes.size()));
}

int Distance(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
           std::abs(qBlue(a) - qBlue(b));
}

TEST(DecodeImage, PaletteBmpsBecome32BitWithThePaletteColours) {
    for (int bpp : {1, 4, 8}) {
        SCOPED_TRACE(bpp);
        const int colours = 1 << bpp;
        std::vector<QRgb> palette = GreyPalette(colours);
        palette[1] = qRgb(255, 128, 0);  // one non-grey entry checks the channel order
        const auto index = [&](int x, int y) { return uint32_t((x + 3 * y) % colours); };
        QImage image;
        ASSERT_TRUE(Decode(image, MakeBmp(13, 7, bpp, palette, index)));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(13, 7));
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 13; ++x)
                EXPECT_EQ(image.pixel(x, y), palette[index(x, y)] | 0xFF000000u);
    }
}

TEST(DecodeImage, TrueColourBmpsKeepEveryPixel) {
    const auto colour = [](int x, int y) {
        return uint32_t(qRgb(x * 20, y * 30, 255 - x * y)) & 0xFFFFFFu;
    };
    for (int bpp : {24, 32}) {
        SCOPED_TRACE(bpp);
        QImage image;
        ASSERT_TRUE(Decode(image, MakeBmp(11, 5, bpp, {}, colour)));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);  // the decoder's own 24- and 32-bit form
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 11; ++x) EXPECT_EQ(image.pixel(x, y) & 0xFFFFFFu, colour(x, y));
    }
    const Bytes topDown = MakeBmp(11, 5, 24, {}, colour, true);
    QImage image;
    ASSERT_TRUE(Decode(image, topDown));
    EXPECT_EQ(image.pixel(3, 4) & 0xFFFFFFu, colour(3, 4));
    EXPECT_FALSE(Decode(image, Bytes(topDown.begin(), topDown.end() - 1)));
}

TEST(DecodeImage, BaselineProgressiveAndGreyJpegs) {
    const Bytes baseline = MakeJpeg(QImage::Format_RGB32, false);
    const Bytes progressive = MakeJpeg(QImage::Format_RGB32, true);
    const Bytes grey = MakeJpeg(QImage::Format_Grayscale8, false);
    ASSERT_TRUE(HasMarker(baseline, 0xC0));
    ASSERT_TRUE(HasMarker(progressive, 0xC2));
    for (const Bytes* jpeg : {&baseline, &progressive}) {
        QImage image;
        ASSERT_TRUE(Decode(image, *jpeg));
        EXPECT_EQ(image.format(), QImage::Format_RGB32);
        ASSERT_EQ(image.size(), QSize(64, 48));
        EXPECT_LT(Distance(image.pixel(40, 30), qRgb(160, 150, 134)), 24);
    }
    QImage image;
    ASSERT_TRUE(Decode(image, grey));
    EXPECT_EQ(image.format(), QImage::Format_RGB32);  // widened from 8-bit grey
    const QRgb p = image.pixel(40, 30);
    EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
    EXPECT_LT(std::abs(qGray(p) - qGray(qRgb(160, 150, 134))), 12);
}

TEST(DecodeImage, EmptyGarbageAndTruncatedInputGiveNothing) {
    QImage image;
    const Bytes bmp = MakeBmp(16, 16, 24, {}, [](int x, int y) { return uint32_t(x * y); });
    const Bytes jpeg = MakeJpeg(QImage::Format_RGB32, false);
    ASSERT_TRUE(Decode(image, bmp));

    EXPECT_FALSE(DecodeImage(image, nullptr, 0));
    EXPECT_TRUE(image.isNull());  // the previous picture is gone as well
    EXPECT_FALSE(DecodeImage(image, bmp.data(), 0));

    Bytes garbage(5000);
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = uint8_t(i * 7919 >> 3);
    EXPECT_FALSE(Decode(image, garbage));
    garbage[0] = 'B', garbage[1] = 'M';  // right signature, nonsense headers
    EXPECT_FALSE(Decode(image, garbage));
    garbage[0] = 0xFF, garbage[1] = 0xD8, garbage[2] = 0xFF;
    EXPECT_FALSE(Decode(image, garbage));

    EXPECT_FALSE(Decode(image, Bytes(bmp.begin(), bmp.end() - 1)));
    EXPECT_FALSE(Decode(image, Bytes(bmp.begin(), bmp.begin() + 40)));
    EXPECT_FALSE(Decode(image, Bytes(jpeg.begin(), jpeg.begin() + jpeg.size() / 2)));
    EXPECT_FALSE(Decode(image, Bytes(jpeg.begin(), jpeg.end() - 1)));
    Bytes bigSizeField = bmp;
    bigSizeField[2] += 1;  // the file claims one byte more than arrived
    EXPECT_FALSE(Decode(image, bigSizeField));
    EXPECT_TRUE(image.isNull());
}

TEST(DecodeImage, ZeroFillAfterTheJpegIsAccepted) {
    Bytes jpeg = MakeJpeg(QImage::Format_RGB32, false);
    jpeg.resize(jpeg.size() + 100, 0);
    QImage image;
    EXPECT_TRUE(Decode(image, jpeg));
}

TEST(DecodeImage, ImpossibleDimensionsAreRefusedWithoutAllocating) {
    // A JPEG whose frame header claims 30000 x 30000 pixels.
    Bytes jpeg = MakeJpeg(QImage::Format_RGB32, false);
    size_t sof = 0;
    while (!(jpeg[sof] == 0xFF && jpeg[sof + 1] == 0xC0)) ++sof;
    jpeg[sof + 5] = jpeg[sof + 7] = 30000 >> 8;
    jpeg[sof + 6] = jpeg[sof + 8] = 30000 & 0xFF;
    QImage image;
    EXPECT_FALSE(Decode(image, jpeg));
    EXPECT_TRUE(image.isNull());
}

}  // namespace
