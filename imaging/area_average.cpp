#include <algorithm>
#include <bit>
#include <cstddef>
#include <vector>

#include "imaging/pixel_lanes.h"
#include "imaging/scaler.h"
#include "imaging/scaler_kernels.h"

// Area-average reducing. Sums are as wide as their largest value needs (32 bits for reductions
// below about 16 : 1, 64 bits beyond), so results equal the per-channel formulas bit for bit.
// 32-bit sums with an exact 32-bit reciprocal go to the SIMD kernels, the rest to the portable
// code here.

namespace {

void FillBlack(const PixelView& dst, RowRange rows) {
    const int end = rows.end < 0 ? dst.height : std::min(rows.end, dst.height);
    for (int y = std::max(rows.first, 0); y < end; ++y)
        std::fill_n(dst.pixels + ptrdiff_t{y} * dst.stride, dst.width, 0u);
}

// One destination column or row of the area average: source indices [first, last) and the
// weights, in 1/256 pixels, of the first and last of them; those between weigh 256.
struct Band {
    int first;
    int last;
    uint32_t firstWeight;
    uint32_t lastWeight;
};

Band MakeBand(uint64_t start, uint64_t span) {
    Band band;
    band.first = static_cast<int>(start / 256);
    band.last = static_cast<int>((start + span + 255) / 256);
    const auto firstStart = static_cast<uint32_t>(start - 256 * uint64_t(band.first));
    const auto lastEnd = static_cast<uint32_t>(start + span - 256 * uint64_t(band.last - 1));
    band.firstWeight = (band.last - 1 == band.first ? lastEnd : 256u) - firstStart;
    band.lastWeight = lastEnd;
    return band;
}

// floor(sum / norm) for sums up to 255 * norm. While 510 * norm < 2^32 this is a multiply by a
// rounded-up 32-bit reciprocal and a shift by k, where 2^k > 255 * norm^2 makes it exact; larger
// norms take a floating estimate corrected by one.
class NormDivider {
public:
    explicit NormDivider(uint64_t norm)
        : m_norm(norm),
          m_exact(510 * norm <= UINT32_MAX),
          m_shift(m_exact ? std::bit_width(255 * norm * norm) : 0),
          m_reciprocal(m_exact ? ((uint64_t{1} << m_shift) + norm - 1) / norm : 0),
          m_inverse(1.0 / static_cast<double>(norm)) {}

    bool exact() const { return m_exact; }
    uint32_t reciprocal() const { return static_cast<uint32_t>(m_reciprocal); }
    int shift() const { return m_shift; }

    uint8_t operator()(uint64_t sum) const {
        if (m_exact) return static_cast<uint8_t>((sum * m_reciprocal) >> m_shift);
        uint64_t q =
            static_cast<uint64_t>(static_cast<double>(static_cast<int64_t>(sum)) * m_inverse);
        if (q * m_norm > sum)
            --q;
        else if ((q + 1) * m_norm <= sum)
            ++q;
        return static_cast<uint8_t>(q);
    }

private:
    uint64_t m_norm;
    bool m_exact;
    int m_shift;
    uint64_t m_reciprocal;
    double m_inverse;
};

// A destination column of the area average as the horizontal pass reads it: its first and last
// source columns with their weights (the last weighs 0 when it is the first), and the columns of
// full weight between them, [middleBegin, middleEnd).
struct ColumnTerms {
    uint32_t first, last, middleBegin, middleEnd;
    uint32_t firstWeight, lastWeight;
};

ColumnTerms MakeColumnTerms(const Band& band) {
    const auto first = uint32_t(band.first), last = uint32_t(band.last - 1);
    return {first,
            last,
            first + 1,
            std::max(last, first + 1),
            band.firstWeight,
            last > first ? band.lastWeight : 0};
}

// One destination row from the column sums `s` of its band and their running totals `p`
// (p[4x + lane] = sum of s over the columns before x). Unsigned wrap-around in `p` cancels out in
// the differences.
template <typename Sum>
void SumColumns(const std::vector<ColumnTerms>& columns, const Sum* s, const Sum* p,
                const NormDivider& divide, uint8_t* out) {
    for (const ColumnTerms& c : columns) {
        for (int lane = 0; lane < 4; ++lane) {
            const Sum middle = p[4 * c.middleEnd + lane] - p[4 * c.middleBegin + lane];
            out[lane] = divide(s[4 * c.first + lane] * c.firstWeight + (middle << 8) +
                               s[4 * c.last + lane] * c.lastWeight);
        }
        out[kTopLane] = 0;
        out += 4;
    }
}

// The area average, vertical pass first: the band's source rows are summed lane by lane with
// their row weights, then each destination pixel sums its columns of that row. Integer sums
// are exact, so the order does not change the result. `Sum` holds up to 255 * norm.
template <typename Sum>
void Reduce(const ConstPixelView& src, const PixelView& dst, uint64_t dx, uint64_t dy,
            RowRange rowRange) {
    const int dw = dst.width, dh = dst.height;
    const NormDivider divide(dx * dy);

    std::vector<ColumnTerms> columns(dw);
    uint64_t ex = 0;
    for (int i = 0; i < dw; ++i, ex += dx) columns[i] = MakeColumnTerms(MakeBand(ex, dx));
    const size_t usedColumns = columns.back().middleEnd + size_t{1};
    const size_t usedLanes = 4 * usedColumns;

    std::vector<Sum> sums(usedLanes), totals(usedLanes + 4);
    std::vector<uint16_t> middle(usedLanes);
    const auto line = [&](int y) { return PixelBytes(src.pixels + ptrdiff_t{y} * src.stride); };
    // The bands start where one pass from row 0 would have brought them: ey grows by dy a row.
    const int firstRow = std::max(rowRange.first, 0);
    const int lastRow = rowRange.end < 0 ? dh : std::min(rowRange.end, dh);
    uint64_t ey = firstRow * dy;
    for (int j = firstRow; j < lastRow; ++j, ey += dy) {
        const Band rows = MakeBand(ey, dy);
        // A channel times a weight fits 16 bits (255 * 256), which vectorises well.
        const uint8_t* first = line(rows.first);
        const auto firstWeight = static_cast<uint16_t>(rows.firstWeight);
        if (rows.last - 1 == rows.first) {
            for (size_t k = 0; k < usedLanes; ++k)
                sums[k] = static_cast<uint16_t>(first[k] * firstWeight);
        } else {
            const uint8_t* last = line(rows.last - 1);
            const auto lastWeight = static_cast<uint16_t>(rows.lastWeight);
            for (size_t k = 0; k < usedLanes; ++k)
                sums[k] = Sum{static_cast<uint16_t>(first[k] * firstWeight)} +
                          static_cast<uint16_t>(last[k] * lastWeight);
            // Rows of full weight, which strong reductions have many of, are added plainly in
            // 16 bits (up to 257 rows of 255 fit) and weighted once.
            for (int y = rows.first + 1; y < rows.last - 1;) {
                const int chunkEnd = std::min(rows.last - 1, y + 257);
                std::fill(middle.begin(), middle.end(), 0);
                for (; y < chunkEnd; ++y) {
                    const uint8_t* bytes = line(y);
                    for (size_t k = 0; k < usedLanes; ++k) middle[k] += bytes[k];
                }
                for (size_t k = 0; k < usedLanes; ++k) sums[k] += Sum{middle[k]} << 8;
            }
        }
        for (size_t k = 0; k < usedLanes; ++k) totals[k + 4] = totals[k] + sums[k];
        SumColumns(columns, sums.data(), totals.data(), divide,
                   PixelBytes(dst.pixels + ptrdiff_t{j} * dst.stride));
    }
}

ColumnTable MakeColumnTable(int dw, uint64_t dx) {
    ColumnTable table{std::vector<uint32_t>(dw), std::vector<uint32_t>(dw),
                      std::vector<uint32_t>(4 * size_t(dw)), std::vector<uint32_t>(4 * size_t(dw))};
    uint64_t ex = 0;
    for (int i = 0; i < dw; ++i, ex += dx) {
        const Band band = MakeBand(ex, dx);
        table.firstAt[i] = 4 * uint32_t(band.first);
        table.lastAt[i] = 4 * uint32_t(band.last - 1);
        const uint32_t lastWeight = band.last - 1 > band.first ? band.lastWeight : 256;
        std::fill_n(&table.firstWeights[4 * size_t(i)], 4, band.firstWeight);
        std::fill_n(&table.lastWeights[4 * size_t(i)], 4, lastWeight);
    }
    return table;
}

// The same with 32-bit sums on the SIMD kernels: a destination row is the running totals of its
// band's column sums, then one division per pixel.
void ReduceWithKernels(const ReduceKernels& kernels, const ConstPixelView& src,
                       const PixelView& dst, uint64_t dx, uint64_t dy, ExactDivision division,
                       RowRange rowRange) {
    const ColumnTable columns = MakeColumnTable(dst.width, dx);
    const int usedColumns = int(columns.lastAt.back() / 4) + 1;
    std::vector<uint32_t> totals(4 * size_t(usedColumns + 1));  // those of no pixel stay 0
    const auto line = [&](int y) { return PixelBytes(src.pixels + ptrdiff_t{y} * src.stride); };
    const int firstRow = std::max(rowRange.first, 0);
    const int lastRow = rowRange.end < 0 ? dst.height : std::min(rowRange.end, dst.height);
    uint64_t ey = firstRow * dy;
    for (int j = firstRow; j < lastRow; ++j, ey += dy) {
        const Band rows = MakeBand(ey, dy);
        const bool oneRow = rows.last - 1 == rows.first;
        const int middleRows = std::max(rows.last - rows.first - 2, 0);
        const RowTerms terms{line(rows.first),
                             line(rows.last - 1),
                             static_cast<uint16_t>(rows.firstWeight),
                             static_cast<uint16_t>(oneRow ? 0 : rows.lastWeight),
                             line(middleRows > 0 ? rows.first + 1 : rows.first),
                             ptrdiff_t{src.stride} * 4,
                             middleRows};
        kernels.sumRows(terms, 0, usedColumns, totals.data());
        kernels.divideColumns(totals.data(), columns, 0, dst.width, division,
                              dst.pixels + ptrdiff_t{j} * dst.stride);
    }
}

}  // namespace

void ReduceAreaAverage(const ConstPixelView& src, const PixelView& dst, RowRange rows) {
    const uint64_t dx = uint64_t(src.width - 1) * 256 / dst.width;
    const uint64_t dy = uint64_t(src.height - 1) * 256 / dst.height;
    if (dx == 0 || dy == 0) {  // a destination over 256 times the source: nothing to average
        FillBlack(dst, rows);
        return;
    }
    // 32-bit sums whenever they cannot overflow: every reduction below about 16 : 1.
    if (255 * dx * dy > UINT32_MAX) {
        Reduce<uint64_t>(src, dst, dx, dy, rows);
        return;
    }
    const NormDivider divide(dx * dy);
    const ReduceKernels* kernels = ReduceKernelsFor(CurrentScalerPath());
    if (kernels && divide.exact())
        ReduceWithKernels(*kernels, src, dst, dx, dy, {divide.reciprocal(), divide.shift()}, rows);
    else
        Reduce<uint32_t>(src, dst, dx, dy, rows);
}
