#pragma once
// Builds the BMP and JPEG file images the decoder tests feed in, good ones and broken ones.

#include <QImage>
#include <cstdint>
#include <functional>
#include <vector>

using Bytes = std::vector<uint8_t>;

struct BmpFormat {
    int width = 0;
    int height = 0;  // rows; stored bottom-up unless topDown
    int bpp = 24;
    uint32_t infoSize = 40;          // 12 for the old header, 108 or 124 for the newer ones
    uint32_t compression = 0;        // 1 and 2 run-length codes, 3 and 6 channel masks
    std::vector<QRgb> palette = {};  // written as the colour table
    std::vector<uint32_t> masks = {};
    bool topDown = false;
};

// The file: headers, masks (after a 40-byte header, else inside it), colour table, `pixels`.
Bytes MakeBmp(const BmpFormat& bmp, const Bytes& pixels);

// Uncompressed rows for `bmp`, padded to 4 bytes. `value(x, y)` gives a palette index or the
// pixel's bits (0x00RRGGBB for 24 and 32 bits).
Bytes BmpRows(const BmpFormat& bmp, const std::function<uint32_t(int x, int y)>& value);

// Decodes `bytes` twice, into images pre-filled with two different patterns, and expects the same
// outcome and bytes both times: an accepted image then had every pixel written by the decoder.
bool DecodeEveryPixel(QImage& image, const Bytes& bytes);

// DecodeImage() on `bytes`, for inputs too many or too large to decode twice.
bool Decode(QImage& image, const Bytes& bytes);

// The test pictures: smooth colour gradients with a little texture.
QRgb Gradient(int x, int y);

// SeparateScans: one component per baseline scan; WithRestarts: a restart marker every row;
// FlatGrey: all mid grey, cheap at any size.
enum class JpegKind { Baseline, Progressive, Grey, Cmyk, SeparateScans, WithRestarts, FlatGrey };

// A `width` x `height` picture of Gradient() (but for FlatGrey) as JPEG.
Bytes MakeJpeg(JpegKind kind, int width = 64, int height = 48);

// A valid progressive grey JPEG of `scans` scans (64 to 694), refining one coefficient at a time.
Bytes MakeManyScanJpeg(int scans, int width = 64, int height = 48);

// `jpeg` with its last scan sent `copies` more times, each an empty refinement.
Bytes WithRepeatedLastScan(const Bytes& jpeg, int copies);
