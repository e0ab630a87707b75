// The enlarging kernels in plain C++, for processors without a SIMD variant (and as the variant
// the others are compared with). The portable area average is in area_average.cpp.
#include <cstddef>

#include "imaging/pixel_lanes.h"
#include "imaging/scaler_kernels.h"

namespace {

void Horizontal(const uint8_t* row, const int32_t* left, const uint16_t* leftWeight,
                const uint16_t* rightWeight, int columns, uint16_t* out) {
    for (int i = 0; i < columns; ++i) {
        const uint8_t* pair = row + 4 * ptrdiff_t{left[i]};
        for (int lane = 0; lane < 4; ++lane, ++out)
            *out = uint16_t(pair[lane] * leftWeight[4 * i + lane] +
                            pair[4 + lane] * rightWeight[4 * i + lane]);
    }
}

void Vertical(const uint16_t* top, const uint16_t* bottom, uint16_t topWeight,
              uint16_t bottomWeight, int width, uint32_t* out) {
    uint8_t* bytes = PixelBytes(out);
    for (size_t k = 0; k < 4 * size_t(width); ++k)
        bytes[k] =
            uint8_t((uint32_t{top[k]} * topWeight + uint32_t{bottom[k]} * bottomWeight) >> 16);
}

}  // namespace

const EnlargeKernels kPortableEnlarge{Horizontal, Vertical};
