// BMP decoding through DecodeImage: pixel layouts, run-length codes, broken and padded files.
#include <gtest/gtest.h>

#include "imaging/image_decoder.h"
#include "tests/imaging/test_images.h"

namespace {

constexpr uint32_t kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6;

const std::vector<QRgb> kPalette = {qRgb(0, 0, 0),     qRgb(255, 128, 0), qRgb(0, 0, 255),
                                    qRgb(10, 200, 30), qRgb(90, 90, 90),  qRgb(255, 255, 255),
                                    qRgb(1, 2, 3),     qRgb(250, 0, 250)};

// Expects `image` to hold `rows` of palette indices, top row first.
void ExpectIndices(const QImage& image, const std::vector<std::vector<int>>& rows) {
    ASSERT_EQ(image.size(), QSize(int(rows[0].size()), int(rows.size())));
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            EXPECT_EQ(image.pixel(x, y), kPalette[rows[y][x]]) << x << "," << y;
}

TEST(BmpDecoding, HeaderVariantsAndChannelMasks) {
    QImage image;
    // The old 12-byte header, with a full table of 3-byte colours.
    BmpFormat core{.width = 5, .height = 2, .bpp = 4, .infoSize = 12, .palette = kPalette};
    core.palette.resize(16);
    ASSERT_TRUE(DecodeEveryPixel(
        image, MakeBmp(core, BmpRows(core, [](int x, int) { return uint32_t(x); }))));
    ExpectIndices(image, {{0, 1, 2, 3, 4}, {0, 1, 2, 3, 4}});

    // 16 bits: 5-5-5 by default, 5-6-5 from masks; the largest value of a channel is 255.
    BmpFormat rgb555{.width = 3, .height = 1, .bpp = 16};
    ASSERT_TRUE(
        DecodeEveryPixel(image, MakeBmp(rgb555, {0xFF, 0x7F, 0x1F, 0x00, 0x10, 0x42, 0, 0})));
    EXPECT_EQ(image.pixel(0, 0), qRgb(255, 255, 255));
    EXPECT_EQ(image.pixel(1, 0), qRgb(0, 0, 255));
    EXPECT_EQ(image.pixel(2, 0), qRgb(132, 132, 132));  // 10000 widened to 10000100
    for (uint32_t infoSize : {40u, 124u}) {
        BmpFormat rgb565{.width = 2,
                         .height = 1,
                         .bpp = 16,
                         .infoSize = infoSize,
                         .compression = kBitFields,
                         .masks = {0xF800, 0x07E0, 0x001F}};
        ASSERT_TRUE(DecodeEveryPixel(image, MakeBmp(rgb565, {0xE0, 0x07, 0x00, 0xF8})));
        EXPECT_EQ(image.pixel(0, 0), qRgb(0, 255, 0));
        EXPECT_EQ(image.pixel(1, 0), qRgb(255, 0, 0));
    }

    // 32 bits with an alpha mask become ARGB32.
    BmpFormat argb{.width = 2,
                   .height = 1,
                   .bpp = 32,
                   .compression = kAlphaBitFields,
                   .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}};
    ASSERT_TRUE(DecodeEveryPixel(image, MakeBmp(argb, {1, 2, 3, 0x80, 4, 5, 6, 0})));
    EXPECT_EQ(image.format(), QImage::Format_ARGB32);
    EXPECT_EQ(image.pixel(0, 0), qRgba(3, 2, 1, 0x80));
    EXPECT_EQ(image.pixel(1, 0), qRgba(6, 5, 4, 0));
}

// Codes drawing rows bottom-up: a run, literal indices reaching past the right edge, the end of a
// row, a move skipping pixels (left as colour 0), the end of the bitmap.
const Bytes kRle8Codes = {3, 1, 0, 3, 2, 3, 7, 0, 0, 0, 0, 2, 2, 1, 2, 3, 0, 1};
const std::vector<std::vector<int>> kRle8Picture = {
    {0, 0, 3, 3, 0}, {0, 0, 0, 0, 0}, {1, 1, 1, 2, 3}};
// 4 bits: a run alternating the two nibbles, a row end, 5 literal indices padded to 4 bytes.
const Bytes kRle4Codes = {5, 0x12, 0, 0, 0, 5, 0x34, 0x56, 0x70, 0, 0, 1};
const std::vector<std::vector<int>> kRle4Picture = {{3, 4, 5, 6, 7}, {1, 2, 1, 2, 1}};

TEST(BmpDecoding, RunLengthCodesAndTheirEnd) {
    const BmpFormat rle8{
        .width = 5, .height = 3, .bpp = 8, .compression = kRle8, .palette = kPalette};
    const BmpFormat rle4{
        .width = 5, .height = 2, .bpp = 4, .compression = kRle4, .palette = kPalette};
    QImage image;
    ASSERT_TRUE(DecodeEveryPixel(image, MakeBmp(rle8, kRle8Codes)));
    ExpectIndices(image, kRle8Picture);
    ASSERT_TRUE(DecodeEveryPixel(image, MakeBmp(rle4, kRle4Codes)));
    ExpectIndices(image, kRle4Picture);

    // Without the end-of-bitmap code, or cut anywhere before it, the picture is refused.
    for (const auto& [bmp, codes] : {std::pair{rle8, kRle8Codes}, std::pair{rle4, kRle4Codes}})
        for (size_t cut = 0; cut < codes.size(); ++cut)
            EXPECT_FALSE(
                DecodeEveryPixel(image, MakeBmp(bmp, Bytes(codes.begin(), codes.begin() + cut))))
                << "RLE" << bmp.bpp << " cut at " << cut;

    BmpFormat topDown = rle8;
    topDown.topDown = true;  // run-length codes only go bottom-up
    EXPECT_FALSE(DecodeEveryPixel(image, MakeBmp(topDown, kRle8Codes)));
}

TEST(BmpDecoding, PixelsOutsideTheirPlaceAreRefused) {
    const BmpFormat bmp{.width = 6, .height = 4, .bpp = 8, .palette = kPalette};
    const Bytes good = MakeBmp(bmp, BmpRows(bmp, [](int x, int y) { return uint32_t(x ^ y); }));
    const uint32_t offset = 14 + 40 + 4 * uint32_t(kPalette.size());
    const auto withOffset = [&](uint32_t value) {
        Bytes b = good;
        for (int k = 0; k < 4; ++k) b[10 + k] = uint8_t(value >> (8 * k));
        return b;
    };
    QImage image;
    ASSERT_TRUE(DecodeEveryPixel(image, good));
    EXPECT_FALSE(DecodeEveryPixel(image, withOffset(0)));
    EXPECT_FALSE(DecodeEveryPixel(image, withOffset(14 + 20)));     // inside the header
    EXPECT_FALSE(DecodeEveryPixel(image, withOffset(offset - 4)));  // inside the palette
    EXPECT_FALSE(DecodeEveryPixel(image, withOffset(offset + 1)));  // last row cut
    EXPECT_FALSE(DecodeEveryPixel(image, Bytes(good.begin(), good.end() - 1)));
    EXPECT_FALSE(DecodeEveryPixel(image, Bytes(good.begin(), good.begin() + 40)));

    BmpFormat manyColours = bmp;  // more colours than 8-bit indices reach
    manyColours.palette.resize(257);
    EXPECT_FALSE(
        DecodeEveryPixel(image, MakeBmp(manyColours, BmpRows(bmp, [](int, int) { return 0u; }))));
    BmpFormat scattered{.width = 1,
                        .height = 1,
                        .bpp = 16,
                        .compression = kBitFields,
                        .masks = {0xF00F, 0x0FF0, 0}};
    EXPECT_FALSE(DecodeEveryPixel(image, MakeBmp(scattered, {0, 0, 0, 0})));
}

TEST(BmpDecoding, BytesAfterTheRowsAreIgnored) {
    const BmpFormat bmp{.width = 7, .height = 3, .bpp = 24};
    const auto colour = [](int x, int y) { return Gradient(x, y) & 0xFFFFFFu; };
    Bytes padded = MakeBmp(bmp, BmpRows(bmp, colour));
    padded[2] += 100;  // the file-size field counts a block the data lacks
    QImage image;
    EXPECT_TRUE(DecodeEveryPixel(image, padded));
    padded.resize(padded.size() + 512, 0xA5);  // and the transfer brings padding
    ASSERT_TRUE(DecodeEveryPixel(image, padded));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(image.pixel(x, y), 0xFF000000u | colour(x, y));
}

}  // namespace
