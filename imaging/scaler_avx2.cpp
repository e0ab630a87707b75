// The scaler's row kernels in AVX2, used when the processor has it (chosen at run time, so every
// function here carries the target attribute and the rest of the program stays SSE2). Pixels
// left over from the vector width go to the SSE2 kernels.
#include "imaging/scaler_kernels.h"

#if defined(VELTOR_SCALER_X86)
#include <immintrin.h>

#include <algorithm>

#define TARGET_AVX2 __attribute__((target("avx2")))

namespace {

TARGET_AVX2 __m256i Load(const void* p) {
    return _mm256_loadu_si256(static_cast<const __m256i*>(p));
}
TARGET_AVX2 void Store(void* p, __m256i v) { _mm256_storeu_si256(static_cast<__m256i*>(p), v); }
TARGET_AVX2 __m128i Load128(const void* p) {
    return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
TARGET_AVX2 __m128i LoadPair(const void* p) {
    return _mm_loadl_epi64(static_cast<const __m128i*>(p));
}
TARGET_AVX2 __m256i Join(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
}

// The left pixels of destination columns i and i + 1, then their right pixels.
TARGET_AVX2 __m128i Pairs(const uint8_t* row, const int32_t* left, int i) {
    return _mm_unpacklo_epi32(LoadPair(row + 4 * ptrdiff_t{left[i]}),
                              LoadPair(row + 4 * ptrdiff_t{left[i + 1]}));
}

TARGET_AVX2 void Horizontal(const uint8_t* row, const int32_t* left, const uint16_t* leftWeight,
                            const uint16_t* rightWeight, int columns, uint16_t* out) {
    const __m256i zero = _mm256_setzero_si256();
    for (int i = 0; i < columns; i += 4) {
        const __m256i pixels = Join(Pairs(row, left, i), Pairs(row, left, i + 2));
        const __m256i l =
            _mm256_mullo_epi16(_mm256_unpacklo_epi8(pixels, zero), Load(leftWeight + 4 * i));
        const __m256i r =
            _mm256_mullo_epi16(_mm256_unpackhi_epi8(pixels, zero), Load(rightWeight + 4 * i));
        Store(out + 4 * i, _mm256_add_epi16(l, r));
    }
}

// The blend of scaler_sse2.cpp: (H + (L >> 8)) >> 8 from the high and low bytes' blends.
TARGET_AVX2 __m256i Blend(__m256i top, __m256i bottom, __m256i topWeight, __m256i bottomWeight) {
    const __m256i lowBytes = _mm256_set1_epi16(0xFF);
    const __m256i high =
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_srli_epi16(top, 8), topWeight),
                         _mm256_mullo_epi16(_mm256_srli_epi16(bottom, 8), bottomWeight));
    const __m256i low =
        _mm256_add_epi16(_mm256_mullo_epi16(_mm256_and_si256(top, lowBytes), topWeight),
                         _mm256_mullo_epi16(_mm256_and_si256(bottom, lowBytes), bottomWeight));
    return _mm256_srli_epi16(_mm256_add_epi16(high, _mm256_srli_epi16(low, 8)), 8);
}

TARGET_AVX2 void Vertical(const uint16_t* top, const uint16_t* bottom, uint16_t topWeight,
                          uint16_t bottomWeight, int width, uint32_t* out) {
    const __m256i g = _mm256_set1_epi16(short(topWeight));
    const __m256i f = _mm256_set1_epi16(short(bottomWeight));
    int i = 0;
    for (; i + 8 <= width; i += 8) {
        const uint16_t* t = top + 4 * i;
        const uint16_t* b = bottom + 4 * i;
        // Packing works within 128-bit halves: pixels 0 1 4 5 | 2 3 6 7, put back in order.
        const __m256i pixels = _mm256_packus_epi16(Blend(Load(t), Load(b), g, f),
                                                   Blend(Load(t + 16), Load(b + 16), g, f));
        Store(out + i, _mm256_permute4x64_epi64(pixels, _MM_SHUFFLE(3, 1, 2, 0)));
    }
    if (i < width)
        kSse2Enlarge.vertical(top + 4 * i, bottom + 4 * i, topWeight, bottomWeight, width - i,
                              out + i);
}

// 256 times the lanes of `count` middle rows, added to the sums of eight pixels laid out as
// SumRows makes them. 16-bit lanes hold up to 257 rows of 255.
TARGET_AVX2 void AddMiddleRows(const uint8_t* row, ptrdiff_t stride, int count, __m256i sums[4]) {
    const __m256i zero = _mm256_setzero_si256();
    while (count > 0) {
        const int chunk = std::min(count, 257);
        count -= chunk;
        __m256i low = zero, high = zero;
        for (int r = 0; r < chunk; ++r, row += stride) {
            const __m256i bytes = Load(row);
            low = _mm256_add_epi16(low, _mm256_unpacklo_epi8(bytes, zero));
            high = _mm256_add_epi16(high, _mm256_unpackhi_epi8(bytes, zero));
        }
        const __m256i wide[4] = {_mm256_unpacklo_epi16(low, zero), _mm256_unpackhi_epi16(low, zero),
                                 _mm256_unpacklo_epi16(high, zero),
                                 _mm256_unpackhi_epi16(high, zero)};
        for (int k = 0; k < 4; ++k)
            sums[k] = _mm256_add_epi32(sums[k], _mm256_slli_epi32(wide[k], 8));
    }
}

// Eight pixels at a time. Unpacking works within 128-bit halves, so sums[k] holds pixels k and
// k + 4; the running totals are taken in both halves at once and then joined.
TARGET_AVX2 void SumRows(const RowTerms& terms, int begin, int end, uint32_t* totals) {
    const RowTerms rows = terms;  // a copy, which the stores below cannot change
    const __m256i zero = _mm256_setzero_si256();
    const __m256i weights =
        _mm256_set1_epi32(int(rows.firstWeight | uint32_t{rows.lastWeight} << 16));
    __m128i total = Load128(totals + 4 * begin);
    int x = begin;
    for (; x + 8 <= end; x += 8) {
        const size_t at = 4 * size_t(x);
        const __m256i first = Load(rows.first + at), last = Load(rows.last + at);
        const __m256i low = _mm256_unpacklo_epi8(first, last);
        const __m256i high = _mm256_unpackhi_epi8(first, last);
        __m256i sums[4] = {_mm256_madd_epi16(_mm256_unpacklo_epi8(low, zero), weights),
                           _mm256_madd_epi16(_mm256_unpackhi_epi8(low, zero), weights),
                           _mm256_madd_epi16(_mm256_unpacklo_epi8(high, zero), weights),
                           _mm256_madd_epi16(_mm256_unpackhi_epi8(high, zero), weights)};
        AddMiddleRows(rows.middle + at, rows.stride, rows.middleRows, sums);
        for (int k = 1; k < 4; ++k) sums[k] = _mm256_add_epi32(sums[k], sums[k - 1]);
        // The upper half continues from the end of the lower one.
        const __m256i base = Join(total, _mm_add_epi32(total, _mm256_castsi256_si128(sums[3])));
        for (__m256i& sum : sums) sum = _mm256_add_epi32(sum, base);
        uint32_t* to = totals + 4 * (x + 1);
        Store(to, _mm256_permute2x128_si256(sums[0], sums[1], 0x20));
        Store(to + 8, _mm256_permute2x128_si256(sums[2], sums[3], 0x20));
        Store(to + 16, _mm256_permute2x128_si256(sums[0], sums[1], 0x31));
        Store(to + 24, _mm256_permute2x128_si256(sums[2], sums[3], 0x31));
        total = _mm256_extracti128_si256(sums[3], 1);
    }
    if (x < end) kSse2Reduce.sumRows(rows, x, end, totals);
}

// The running totals at p0 and p1, one in each half.
TARGET_AVX2 __m256i TotalsAt(const uint32_t* p0, const uint32_t* p1) {
    return Join(Load128(p0), Load128(p1));
}

// The quotients of destination columns i and i + 1, one in each half.
TARGET_AVX2 __m256i DividePair(const uint32_t* totals, const ColumnSpans& columns, int i,
                               __m256i reciprocal, __m128i shift) {
    const uint32_t* first0 = totals + columns.firstAt[i];
    const uint32_t* first1 = totals + columns.firstAt[i + 1];
    const uint32_t* last0 = totals + columns.lastAt[i];
    const uint32_t* last1 = totals + columns.lastAt[i + 1];
    const __m256i firstEnd = TotalsAt(first0 + 4, first1 + 4);
    const __m256i lastStart = TotalsAt(last0, last1);
    const __m256i firstSum = _mm256_sub_epi32(firstEnd, TotalsAt(first0, first1));
    const __m256i lastSum = _mm256_sub_epi32(TotalsAt(last0 + 4, last1 + 4), lastStart);
    __m256i sum = _mm256_mullo_epi32(firstSum, Load(columns.firstWeights + 4 * size_t(i)));
    sum = _mm256_add_epi32(sum, _mm256_slli_epi32(_mm256_sub_epi32(lastStart, firstEnd), 8));
    sum = _mm256_add_epi32(sum,
                           _mm256_mullo_epi32(lastSum, Load(columns.lastWeights + 4 * size_t(i))));
    const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(sum, reciprocal), shift);
    const __m256i odd =
        _mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(sum, 32), reciprocal), shift);
    return _mm256_or_si256(even, _mm256_slli_epi64(odd, 32));
}

// Four destination pixels at a time.
TARGET_AVX2 void DivideColumns(const uint32_t* totals, const ColumnTable& columns, int begin,
                               int end, ExactDivision division, uint32_t* out) {
    const __m256i reciprocal = _mm256_set1_epi32(int(division.reciprocal));
    const __m128i shift = _mm_cvtsi32_si128(division.shift);
    const __m128i topByte = _mm_set1_epi32(0xFFFFFF);
    // Packing works within halves, giving pixels 0 2 0 2 | 1 3 1 3; these put them in order.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 0, 4, 1, 5);
    const ColumnSpans spans(columns);
    int i = begin;
    for (; i + 4 <= end; i += 4) {
        const __m256i words =
            _mm256_packs_epi32(DividePair(totals, spans, i, reciprocal, shift),
                               DividePair(totals, spans, i + 2, reciprocal, shift));
        const __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(words, words), order);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i),
                         _mm_and_si128(_mm256_castsi256_si128(bytes), topByte));
    }
    if (i < end) kSse2Reduce.divideColumns(totals, columns, i, end, division, out);
}

}  // namespace

const EnlargeKernels kAvx2Enlarge{Horizontal, Vertical};
const ReduceKernels kAvx2Reduce{SumRows, DivideColumns};

#endif
