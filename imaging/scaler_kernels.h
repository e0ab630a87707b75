#pragma once
// The row kernels of the scaler in one variant per instruction set, and the tables they read.
// scaler.cpp and area_average.cpp drive them row by row; every variant gives the same pixels.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/scaler.h"

// Enlarging works in two passes. The horizontal pass turns a source row into one lane per byte:
// left * leftWeight + right * rightWeight, where `right` is the pixel after `left` (its weight is
// 0 when only `left` counts) and the top lane's weights are 0; each lane is at most 255 * 256.
// The vertical pass blends two such rows: (top * topWeight + bottom * bottomWeight) >> 16 with
// topWeight + bottomWeight = 256. Integer sums are exact, so this equals blending vertically
// first. Column tables are padded with zero-weight columns to a multiple of kEnlargePad.
inline constexpr int kEnlargePad = 8;

struct EnlargeKernels {
    // `columns` (a multiple of kEnlargePad) destination columns from one source row into `out`.
    void (*horizontal)(const uint8_t* row, const int32_t* left, const uint16_t* leftWeight,
                       const uint16_t* rightWeight, int columns, uint16_t* out);
    // Destination pixels [0, width) of a row; `top` and `bottom` hold padded rows.
    void (*vertical)(const uint16_t* top, const uint16_t* bottom, uint16_t topWeight,
                     uint16_t bottomWeight, int width, uint32_t* out);
};

// Reducing sums, for one destination row, the lanes of its band of source rows: the first and
// last rows weighted, the rows between at full weight (256). `last` is `first` with lastWeight 0
// when the band is one row. The sums of pixels [0, x) are kept as running totals, 4 lanes a
// pixel, so that any run of columns is one difference; they fit 32 bits (wrap-around cancels).
struct RowTerms {
    const uint8_t* first;
    const uint8_t* last;
    uint16_t firstWeight;
    uint16_t lastWeight;
    const uint8_t* middle;  // the first row of full weight
    ptrdiff_t stride;       // bytes from one row to the next
    int middleRows;
};

// The destination columns of a reduction. With S a source column's sum and P the running
// totals (S[x] = P[x + 1] - P[x]), a destination column sums to
//   firstWeight * S[first] + 256 * (P[last] - P[first + 1]) + lastWeight * S[last].
// A column of one source column has lastWeight 256: the middle term, -256 * S[first], cancels it.
// Source columns are given where their totals start, 4 * x, which addresses need no scaling.
struct ColumnTable {
    std::vector<uint32_t> firstAt, lastAt;
    std::vector<uint32_t> firstWeights, lastWeights;  // 4 lanes a column
};

// A ColumnTable as plain pointers, which a kernel can keep in registers through its stores.
struct ColumnSpans {
    explicit ColumnSpans(const ColumnTable& table)
        : firstAt(table.firstAt.data()),
          lastAt(table.lastAt.data()),
          firstWeights(table.firstWeights.data()),
          lastWeights(table.lastWeights.data()) {}
    const uint32_t* firstAt;
    const uint32_t* lastAt;
    const uint32_t* firstWeights;
    const uint32_t* lastWeights;
};

// floor(sum / norm) as (sum * reciprocal) >> shift, exact for the sums of one reduction.
struct ExactDivision {
    uint32_t reciprocal;
    int shift;
};

struct ReduceKernels {
    // Running totals of pixels [begin, end): totals[4 * (x + 1) + lane] from totals[4 * begin].
    void (*sumRows)(const RowTerms& rows, int begin, int end, uint32_t* totals);
    // Destination pixels [begin, end) of a row from the running totals; top bytes 0.
    void (*divideColumns)(const uint32_t* totals, const ColumnTable& columns, int begin, int end,
                          ExactDivision division, uint32_t* out);
};

// The kernels of `path`; reduceKernels is null for the portable path, which reduces with its own
// code in area_average.cpp.
const EnlargeKernels& EnlargeKernelsFor(ScalerPath path);
const ReduceKernels* ReduceKernelsFor(ScalerPath path);

// The variants, defined in scaler_portable.cpp, scaler_sse2.cpp and scaler_avx2.cpp. The AVX2
// ones finish the pixels left over from their width with the SSE2 ones.
extern const EnlargeKernels kPortableEnlarge;
#if defined(__x86_64__)  // where SSE2 is always there
#define VELTOR_SCALER_X86 1
extern const EnlargeKernels kSse2Enlarge;
extern const ReduceKernels kSse2Reduce;
extern const EnlargeKernels kAvx2Enlarge;
extern const ReduceKernels kAvx2Reduce;
#endif
