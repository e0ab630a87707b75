// The scaler's row kernels in SSE2, which every x86-64 processor has.
#include "imaging/scaler_kernels.h"

#if defined(VELTOR_SCALER_X86)
#include <emmintrin.h>

#include <algorithm>
#include <cstring>

namespace {

__m128i Load(const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); }
void Store(void* p, __m128i v) { _mm_storeu_si128(static_cast<__m128i*>(p), v); }
__m128i LoadPixel(const uint8_t* p) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(int(v));
}
// A pixel and the one after it.
__m128i LoadPair(const void* p) { return _mm_loadl_epi64(static_cast<const __m128i*>(p)); }

void Horizontal(const uint8_t* row, const int32_t* left, const uint16_t* leftWeight,
                const uint16_t* rightWeight, int columns, uint16_t* out) {
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < columns; i += 2) {
        // The left pixels of columns i and i + 1, then their right pixels.
        const __m128i pixels = _mm_unpacklo_epi32(LoadPair(row + 4 * ptrdiff_t{left[i]}),
                                                  LoadPair(row + 4 * ptrdiff_t{left[i + 1]}));
        const __m128i l =
            _mm_mullo_epi16(_mm_unpacklo_epi8(pixels, zero), Load(leftWeight + 4 * i));
        const __m128i r =
            _mm_mullo_epi16(_mm_unpackhi_epi8(pixels, zero), Load(rightWeight + 4 * i));
        Store(out + 4 * i, _mm_add_epi16(l, r));
    }
}

// (top * topWeight + bottom * bottomWeight) >> 16 in 16-bit lanes, the weights adding up to 256.
// With the lanes split into high and low bytes the sum is 256 * H + L, where H and L blend the
// high and the low bytes and are at most 255 * 256; the result is (H + (L >> 8)) >> 8, exactly,
// and nothing leaves 16 bits.
__m128i Blend(__m128i top, __m128i bottom, __m128i topWeight, __m128i bottomWeight) {
    const __m128i lowBytes = _mm_set1_epi16(0xFF);
    const __m128i high = _mm_add_epi16(_mm_mullo_epi16(_mm_srli_epi16(top, 8), topWeight),
                                       _mm_mullo_epi16(_mm_srli_epi16(bottom, 8), bottomWeight));
    const __m128i low =
        _mm_add_epi16(_mm_mullo_epi16(_mm_and_si128(top, lowBytes), topWeight),
                      _mm_mullo_epi16(_mm_and_si128(bottom, lowBytes), bottomWeight));
    return _mm_srli_epi16(_mm_add_epi16(high, _mm_srli_epi16(low, 8)), 8);
}

void Vertical(const uint16_t* top, const uint16_t* bottom, uint16_t topWeight,
              uint16_t bottomWeight, int width, uint32_t* out) {
    const __m128i g = _mm_set1_epi16(short(topWeight)), f = _mm_set1_epi16(short(bottomWeight));
    for (int i = 0; i < width; i += 4) {
        const uint16_t* t = top + 4 * i;
        const uint16_t* b = bottom + 4 * i;
        const __m128i pixels =
            _mm_packus_epi16(Blend(Load(t), Load(b), g, f), Blend(Load(t + 8), Load(b + 8), g, f));
        if (width - i >= 4) {
            Store(out + i, pixels);
        } else {
            uint32_t rest[4];
            Store(rest, pixels);
            std::memcpy(out + i, rest, 4 * size_t(width - i));
        }
    }
}

// 256 times the lanes of `count` middle rows from `row` on, added to the four pixels' sums.
// 16-bit lanes hold up to 257 rows of 255.
void AddMiddleRows(const uint8_t* row, ptrdiff_t stride, int count, __m128i sums[4]) {
    const __m128i zero = _mm_setzero_si128();
    while (count > 0) {
        const int chunk = std::min(count, 257);
        count -= chunk;
        __m128i low = zero, high = zero;
        for (int r = 0; r < chunk; ++r, row += stride) {
            const __m128i bytes = Load(row);
            low = _mm_add_epi16(low, _mm_unpacklo_epi8(bytes, zero));
            high = _mm_add_epi16(high, _mm_unpackhi_epi8(bytes, zero));
        }
        const __m128i wide[4] = {_mm_unpacklo_epi16(low, zero), _mm_unpackhi_epi16(low, zero),
                                 _mm_unpacklo_epi16(high, zero), _mm_unpackhi_epi16(high, zero)};
        for (int k = 0; k < 4; ++k) sums[k] = _mm_add_epi32(sums[k], _mm_slli_epi32(wide[k], 8));
    }
}

// The same for one pixel.
__m128i AddMiddleRows(const uint8_t* row, ptrdiff_t stride, int count, __m128i sum) {
    const __m128i zero = _mm_setzero_si128();
    while (count > 0) {
        const int chunk = std::min(count, 257);
        count -= chunk;
        __m128i lanes = zero;
        for (int r = 0; r < chunk; ++r, row += stride)
            lanes = _mm_add_epi16(lanes, _mm_unpacklo_epi8(LoadPixel(row), zero));
        sum = _mm_add_epi32(sum, _mm_slli_epi32(_mm_unpacklo_epi16(lanes, zero), 8));
    }
    return sum;
}

// The first and last rows' bytes interleave into 16-bit pairs, which one multiply-add weighs
// and sums into 32-bit lanes: first * firstWeight + last * lastWeight.
void SumRows(const RowTerms& terms, int begin, int end, uint32_t* totals) {
    const RowTerms rows = terms;  // a copy, which the stores below cannot change
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_set1_epi32(int(rows.firstWeight | uint32_t{rows.lastWeight} << 16));
    __m128i total = Load(totals + 4 * begin);
    int x = begin;
    for (; x + 4 <= end; x += 4) {
        const size_t at = 4 * size_t(x);
        const __m128i first = Load(rows.first + at), last = Load(rows.last + at);
        const __m128i low = _mm_unpacklo_epi8(first, last), high = _mm_unpackhi_epi8(first, last);
        __m128i sums[4] = {_mm_madd_epi16(_mm_unpacklo_epi8(low, zero), weights),
                           _mm_madd_epi16(_mm_unpackhi_epi8(low, zero), weights),
                           _mm_madd_epi16(_mm_unpacklo_epi8(high, zero), weights),
                           _mm_madd_epi16(_mm_unpackhi_epi8(high, zero), weights)};
        AddMiddleRows(rows.middle + at, rows.stride, rows.middleRows, sums);
        for (int k = 0; k < 4; ++k) {
            total = _mm_add_epi32(total, sums[k]);
            Store(totals + 4 * (x + 1 + k), total);
        }
    }
    for (; x < end; ++x) {
        const size_t at = 4 * size_t(x);
        const __m128i pair =
            _mm_unpacklo_epi8(LoadPixel(rows.first + at), LoadPixel(rows.last + at));
        __m128i sum = _mm_madd_epi16(_mm_unpacklo_epi8(pair, zero), weights);
        sum = AddMiddleRows(rows.middle + at, rows.stride, rows.middleRows, sum);
        total = _mm_add_epi32(total, sum);
        Store(totals + 4 * (x + 1), total);
    }
}

// Lane-wise low 32 bits of a * b, b holding the same value in every lane.
__m128i MultiplyLanes(__m128i a, __m128i b) {
    const __m128i even = _mm_mul_epu32(a, b);
    const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(a, 32), b);
    return _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                              _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
}

void DivideColumns(const uint32_t* totals, const ColumnTable& columns, int begin, int end,
                   ExactDivision division, uint32_t* out) {
    const __m128i reciprocal = _mm_set1_epi32(int(division.reciprocal));
    const __m128i shift = _mm_cvtsi32_si128(division.shift);
    const ColumnSpans c(columns);
    for (int i = begin; i < end; ++i) {
        const uint32_t* first = totals + c.firstAt[i];
        const uint32_t* last = totals + c.lastAt[i];
        const __m128i firstEnd = Load(first + 4), lastStart = Load(last);
        __m128i sum = MultiplyLanes(_mm_sub_epi32(firstEnd, Load(first)),
                                    Load(c.firstWeights + 4 * size_t(i)));
        sum = _mm_add_epi32(sum, _mm_slli_epi32(_mm_sub_epi32(lastStart, firstEnd), 8));
        sum = _mm_add_epi32(sum, MultiplyLanes(_mm_sub_epi32(Load(last + 4), lastStart),
                                               Load(c.lastWeights + 4 * size_t(i))));
        const __m128i even = _mm_srl_epi64(_mm_mul_epu32(sum, reciprocal), shift);
        const __m128i odd =
            _mm_srl_epi64(_mm_mul_epu32(_mm_srli_epi64(sum, 32), reciprocal), shift);
        const __m128i quotients = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        const __m128i words = _mm_packs_epi32(quotients, quotients);
        // x86 is little-endian: the top byte is the highest.
        out[i] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(words, words))) & 0xFFFFFFu;
    }
}

}  // namespace

const EnlargeKernels kSse2Enlarge{Horizontal, Vertical};
const ReduceKernels kSse2Reduce{SumRows, DivideColumns};

#endif
