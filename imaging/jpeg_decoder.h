#pragma once
// Reads JPEG file images with libjpeg-turbo, straight into the image the view takes.

#include <QImage>
#include <cstdint>

#include "imaging/image_decoder.h"

// Most scans a JPEG may have. Encoders send one to three, or about ten for a progressive image;
// a crafted file can ask for thousands, each a pass over the image's coefficients. Within this
// limit a file at the pixel cap costs at most a few seconds, a 1280 x 1024 one some 60 ms.
inline constexpr int kMaxJpegScans = 100;

// Decodes the JPEG in the `size` bytes at `data` into a Format_RGB32 image from `allocate`; grey
// and CMYK pixels are widened to it. False, leaving `image` in any state, on a decoder error or a
// warning that data is missing or corrupt (a cut-off file, also one followed by an end marker), on
// a component or progressive refinement that never arrived, and on more than kMaxJpegScans scans.
// Bytes after the end marker are ignored.
bool DecodeJpeg(QImage& image, const uint8_t* data, uint32_t size, ImageAllocator allocate);
