#include "tools/scanner-sim/test_bitmap.h"

namespace scanner_sim {
namespace {

void PutLe(std::vector<uint8_t>& out, std::size_t at, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::vector<uint8_t> MakeTestBitmap(int width, int height, int frame) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3};
    const std::size_t pixelBytes = rowBytes * static_cast<std::size_t>(height);
    const std::size_t headerBytes = 14 + 40;
    std::vector<uint8_t> bmp(headerBytes + pixelBytes, 0);

    // File header, then BITMAPINFOHEADER: bottom-up rows, 24 bits, no compression.
    bmp[0] = 'B';
    bmp[1] = 'M';
    PutLe(bmp, 2, static_cast<uint32_t>(bmp.size()), 4);
    PutLe(bmp, 10, headerBytes, 4);
    PutLe(bmp, 14, 40, 4);
    PutLe(bmp, 18, static_cast<uint32_t>(width), 4);
    PutLe(bmp, 22, static_cast<uint32_t>(height), 4);
    PutLe(bmp, 26, 1, 2);
    PutLe(bmp, 28, 24, 2);
    PutLe(bmp, 34, static_cast<uint32_t>(pixelBytes), 4);
    PutLe(bmp, 38, 2835, 4);  // 72 dpi
    PutLe(bmp, 42, 2835, 4);

    for (int y = 0; y < height; ++y) {
        uint8_t* row =
            bmp.data() + headerBytes + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            bool band = ((x + y + frame * 4) / 8) % 4 == 0;
            row[3 * x + 0] = static_cast<uint8_t>(band ? 255 : 255 * y / height);  // blue
            row[3 * x + 1] = static_cast<uint8_t>(band ? 255 : 128);               // green
            row[3 * x + 2] = static_cast<uint8_t>(band ? 255 : 255 * x / width);   // red
        }
    }
    return bmp;
}

}  // namespace scanner_sim
