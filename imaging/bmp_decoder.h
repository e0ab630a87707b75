#pragma once
// Reads BMP file images: 1-, 4- and 8-bit palette pixels (also run-length coded) and 16-, 24- and
// 32-bit pixels, with the old 12-byte header or the 40-byte one and its later extensions.

#include <QImage>
#include <cstdint>

#include "imaging/image_decoder.h"

// Decodes the BMP in the `size` bytes at `data` into an image from `allocate`, Format_RGB32 or, for
// pixels with an alpha mask, Format_ARGB32. False, leaving `image` in any state, when the headers
// are malformed or describe pixels that are not all in the data: a pixel offset inside the headers
// or colour table, a missing row, run-length codes without their end-of-bitmap code. Bytes after
// the pixels are ignored, whatever the file-size field says.
bool DecodeBmp(QImage& image, const uint8_t* data, uint32_t size, ImageAllocator allocate);
