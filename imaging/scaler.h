#pragma once
// Integer scaling of 0x00RRGGBB pixels in 8-bit fixed point: bilinear enlarging, area-average
// reducing, and the rule that fits an image into a view with its aspect ratio kept.

#include <cstdint>

// A block of 32-bit pixels, top-down rows, `stride` pixels from one row to the next. The top byte
// of a source pixel is ignored; result pixels get a zero top byte.
struct PixelView {
    uint32_t* pixels;
    int width;
    int height;
    int stride;
};

struct ConstPixelView {
    const uint32_t* pixels;
    int width;
    int height;
    int stride;
};

// Where a W x H image goes in a cw x ch view: centred, as large as fits, aspect ratio kept.
struct FitRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
};

// The placement of a W x H image in a cw x ch view. The width limits when cw * H < ch * W,
// otherwise the height does (equality included). An empty result (width 0) means the view stays
// black: the image is below 2 pixels in either direction, or would be drawn below 2 pixels.
FitRect FitImage(int cw, int ch, int W, int H);

// The destination rows [first, end) of one scaling; every row depends only on its own index, so
// bands of rows can be scaled apart and give the same pixels as one pass.
struct RowRange {
    int first = 0;
    int end = -1;  // -1: up to the last row
};

// Bilinear enlarging of `src` into `dst` (both at least 2 x 2), the rows of `rows` only.
void EnlargeBilinear(const ConstPixelView& src, const PixelView& dst, RowRange rows = {});

// Area-average reducing of `src` into `dst` (both at least 2 x 2), the rows of `rows` only.
void ReduceAreaAverage(const ConstPixelView& src, const PixelView& dst, RowRange rows = {});

// Enlarges when the source is narrower than the destination, otherwise reduces. A large picture
// is scaled in bands of rows on the machine's cores; the result is the same.
void ScaleImage(const ConstPixelView& src, const PixelView& dst);

// The instruction sets the scaling kernels come in; all give the same pixels. Scaling uses the
// best one the processor has (AVX2, else SSE2 on x86-64; the portable code elsewhere), unless a
// test or benchmark chooses another.
enum class ScalerPath { kPortable, kSse2, kAvx2 };

bool ScalerPathAvailable(ScalerPath path);
ScalerPath BestScalerPath();
ScalerPath CurrentScalerPath();

// Makes later scalings, in every thread, use `path`, which must be available; returns the path
// used until now.
ScalerPath SetScalerPath(ScalerPath path);
