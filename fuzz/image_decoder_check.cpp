// The input is the file image as it would come from the device.
#include <QImage>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "fuzz/checks.h"
#include "fuzz/property.h"
#include "imaging/image_decoder.h"

namespace {

// An opaque 32-bit image has 0xFF in every alpha byte; memory the decoder left unwritten holds
// whatever the allocator put there (the fuzz and replay runs fill new memory with 0xBE).
bool EveryPixelOpaque(const QImage& image) {
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] >> 24 != 0xFF) return false;
        }
    }
    return true;
}

}  // namespace

void CheckImageDecoder(const uint8_t* data, size_t size) {
    if (size > UINT32_MAX) return;
    std::vector<uint8_t> input(data, data + size);
    QImage image(1, 1, QImage::Format_Mono);  // a failure must not leave this behind
    const bool decoded = DecodeImage(image, input.data(), static_cast<uint32_t>(size));
    Require(std::equal(input.begin(), input.end(), data), "the input is left unchanged");
    if (!decoded) {
        Require(image.isNull(), "a failed decode leaves a null image");
        return;
    }
    Require(!image.isNull() && image.width() > 0 && image.height() > 0,
            "a decoded image has pixels");
    Require(uint64_t(image.width()) * uint64_t(image.height()) <= kMaxDecodedPixels,
            "no decoded image is larger than the limit");
    const QImage::Format format = image.format();
    Require(format == QImage::Format_RGB32 || format == QImage::Format_ARGB32,
            "a decoded image is 32-bit RGB, opaque or with alpha");
    if (format == QImage::Format_RGB32) {
        Require(EveryPixelOpaque(image), "every pixel of an opaque image is written");
    }
}
