#pragma once
// Turns a BMP or JPEG file image received from the device into a QImage the view can take.

#include <QImage>
#include <cstddef>
#include <cstdint>

// Largest decoded image accepted, in pixels: 64 M pixels, 256 MB at 32 bits per pixel. Dimensions
// come from the device, which may be wrong; anything larger is refused before decoding.
inline constexpr uint64_t kMaxDecodedPixels = uint64_t{8192} * 8192;

inline bool FitsPixelCap(uint64_t width, uint64_t height) {
    return width > 0 && height > 0 && width <= kMaxDecodedPixels &&
           height <= kMaxDecodedPixels / width;
}

// Makes the image a decoder fills; a null image when memory is short. The decoder writes every
// pixel of it, so the default leaves the memory as allocated.
using ImageAllocator = QImage (*)(int width, int height, QImage::Format format);
QImage AllocateImage(int width, int height, QImage::Format format);

// Decodes the `size` bytes at `data` (left unchanged). The format is recognised from the bytes
// themselves, whatever the device was asked for. The result is Format_RGB32, or Format_ARGB32 for
// a BMP with an alpha mask; palette, greyscale and CMYK pixels are widened to it. Bytes after the
// end of a complete image (a transfer padded to a block size) are ignored. Returns true when
// `image` now holds the picture with every pixel from the data. On any failure (no data, not BMP
// or JPEG, a truncated or corrupt file, an image over kMaxDecodedPixels, a JPEG asking for more
// decoding work than any real image) `image` is null and the result is false; nothing is thrown.
bool DecodeImage(QImage& image, const uint8_t* data, uint32_t size,
                 ImageAllocator allocate = AllocateImage);
