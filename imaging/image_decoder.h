#pragma once
// Turns a BMP or JPEG file image received from the device into a QImage the view can take.

#include <QImage>
#include <cstddef>
#include <cstdint>

// Decodes the `size` bytes at `data` (left unchanged). The format is recognised from the bytes
// themselves, whatever the device was asked for. Images of 8 bits per pixel or fewer (palette,
// greyscale, monochrome) are widened to Format_RGB32 with their palette colours; deeper images keep
// the decoder's format (Format_RGB32 for 24- and 32-bit BMPs and colour JPEGs, Format_ARGB32 for a
// BMP with an alpha mask). Returns true when `image` now holds the picture. On any failure (no
// data, not BMP or JPEG, a truncated file, an image too large to hold, a decoder error) `image` is
// null and the result is false; nothing is thrown.
bool DecodeImage(QImage& image, const uint8_t* data, uint32_t size);

// Largest decoded image accepted, in pixels: 64 M pixels, 256 MB at 32 bits per pixel. Dimensions
// come from the device, which may be wrong; anything larger is refused before decoding.
inline constexpr uint64_t kMaxDecodedPixels = uint64_t{8192} * 8192;
