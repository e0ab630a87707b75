#include "imaging/scaler.h"

#include <algorithm>
#include <cstddef>
#include <vector>

// Pixels carry three 8-bit channels. The enlarger works on red and blue together in one 64-bit
// word (red in the upper 32 bits, blue in the lower) and on green alone; no lane can exceed 2^24,
// so the results equal the per-channel formulas bit for bit. Positions and sums are 64-bit, so
// no source size can overflow them.

namespace {

constexpr uint64_t kLowLane = 0xFFFFFFFFu;

uint64_t SpreadRedBlue(uint32_t pixel) {
    return (uint64_t{pixel & 0xFF0000u} << 16) | (pixel & 0xFFu);
}
uint32_t Green(uint32_t pixel) { return (pixel >> 8) & 0xFFu; }

void FillBlack(const PixelView& dst) {
    for (int y = 0; y < dst.height; ++y)
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

uint32_t Weight(const Band& band, int index) {
    if (index == band.first) return band.firstWeight;
    if (index == band.last - 1) return band.lastWeight;
    return 256u;
}

// floor(sum / norm) for a result known to lie in 0..255; the floating estimate is exact to
// within one and is corrected in integers.
uint32_t DivideByNorm(uint64_t sum, uint64_t norm, double inverse) {
    uint64_t q = static_cast<uint64_t>(static_cast<double>(sum) * inverse);
    if (q * norm > sum) --q;
    else if ((q + 1) * norm <= sum) ++q;
    return static_cast<uint32_t>(q);
}

}  // namespace

FitRect FitImage(int cw, int ch, int W, int H) {
    if (W < 2 || H < 2 || cw <= 0 || ch <= 0) return {};
    FitRect fit;
    if (int64_t{cw} * H < int64_t{ch} * W) {
        fit.width = cw;
        fit.height = static_cast<int>(int64_t{cw} * H / W);
        fit.top = (ch - fit.height) / 2;
    } else {
        fit.height = ch;
        fit.width = static_cast<int>(int64_t{ch} * W / H);
        fit.left = (cw - fit.width) / 2;
    }
    if (fit.width < 2 || fit.height < 2) return {};
    return fit;
}

void EnlargeBilinear(const ConstPixelView& src, const PixelView& dst) {
    const int W = src.width, H = src.height, dw = dst.width, dh = dst.height;
    struct Column {
        int x0, x1;
        uint32_t fx, gx;
    };
    std::vector<Column> columns(dw);
    const uint64_t spanX = uint64_t(W - 1) * 256;
    for (int i = 0; i < dw; ++i) {
        const uint64_t p = i * spanX / dw;
        const auto fx = static_cast<uint32_t>(p % 256);
        columns[i] = {int(p / 256), int((p + 255) / 256), fx, 256 - fx};
    }

    // Per destination row, the two source rows blended vertically, column by column.
    std::vector<uint64_t> blendRB(W);
    std::vector<uint32_t> blendG(W);
    const uint64_t spanY = uint64_t(H - 1) * 256;
    for (int j = 0; j < dh; ++j) {
        const uint64_t q = j * spanY / dh;
        const uint64_t y0 = q / 256, y1 = (q + 255) / 256;
        const auto fy = static_cast<uint32_t>(q % 256), gy = 256 - fy;
        const uint32_t* row0 = src.pixels + ptrdiff_t(y0) * src.stride;
        const uint32_t* row1 = src.pixels + ptrdiff_t(y1) * src.stride;
        for (int x = 0; x < W; ++x) {
            blendRB[x] = SpreadRedBlue(row0[x]) * gy + SpreadRedBlue(row1[x]) * fy;
            blendG[x] = Green(row0[x]) * gy + Green(row1[x]) * fy;
        }
        uint32_t* out = dst.pixels + ptrdiff_t{j} * dst.stride;
        for (int i = 0; i < dw; ++i) {
            const Column& c = columns[i];
            const uint64_t rb = blendRB[c.x0] * c.gx + blendRB[c.x1] * c.fx;
            const uint32_t g = blendG[c.x0] * c.gx + blendG[c.x1] * c.fx;
            out[i] = uint32_t((rb >> 48) << 16) | ((g >> 16) << 8) | uint32_t((rb & kLowLane) >> 16);
        }
    }
}

void ReduceAreaAverage(const ConstPixelView& src, const PixelView& dst) {
    const int W = src.width, H = src.height, dw = dst.width, dh = dst.height;
    const uint64_t dx = uint64_t(W - 1) * 256 / dw;
    const uint64_t dy = uint64_t(H - 1) * 256 / dh;
    const uint64_t norm = dx * dy;
    if (norm == 0) {  // a destination over 256 times the source: nothing to average
        FillBlack(dst);
        return;
    }
    const double inverse = 1.0 / static_cast<double>(norm);

    std::vector<Band> columns(dw);
    uint64_t ex = 0;
    for (int i = 0; i < dw; ++i, ex += dx) columns[i] = MakeBand(ex, dx);

    // Weighted sums of one source row per destination column, kept for the next band, which
    // often starts on the same row.
    std::vector<uint64_t> rowR(dw), rowG(dw), rowB(dw), sumR(dw), sumG(dw), sumB(dw);
    int cachedRow = -1;
    uint64_t ey = 0;
    for (int j = 0; j < dh; ++j, ey += dy) {
        const Band rows = MakeBand(ey, dy);
        std::fill(sumR.begin(), sumR.end(), 0);
        std::fill(sumB.begin(), sumB.end(), 0);
        std::fill(sumG.begin(), sumG.end(), 0);
        for (int y = rows.first; y < rows.last; ++y) {
            if (y != cachedRow) {
                const uint32_t* line = src.pixels + ptrdiff_t{y} * src.stride;
                for (int i = 0; i < dw; ++i) {
                    const Band& c = columns[i];
                    uint64_t r = 0, g = 0, b = 0;
                    for (int x = c.first; x < c.last; ++x) {
                        const uint64_t w = Weight(c, x);
                        r += ((line[x] >> 16) & 0xFFu) * w;
                        g += Green(line[x]) * w;
                        b += (line[x] & 0xFFu) * w;
                    }
                    rowR[i] = r;
                    rowG[i] = g;
                    rowB[i] = b;
                }
                cachedRow = y;
            }
            const uint64_t wy = Weight(rows, y);
            for (int i = 0; i < dw; ++i) {
                sumR[i] += rowR[i] * wy;
                sumG[i] += rowG[i] * wy;
                sumB[i] += rowB[i] * wy;
            }
        }
        uint32_t* out = dst.pixels + ptrdiff_t{j} * dst.stride;
        for (int i = 0; i < dw; ++i) {
            out[i] = DivideByNorm(sumR[i], norm, inverse) << 16 |
                     DivideByNorm(sumG[i], norm, inverse) << 8 |
                     DivideByNorm(sumB[i], norm, inverse);
        }
    }
}

void ScaleImage(const ConstPixelView& src, const PixelView& dst) {
    if (src.width < dst.width)
        EnlargeBilinear(src, dst);
    else
        ReduceAreaAverage(src, dst);
}
