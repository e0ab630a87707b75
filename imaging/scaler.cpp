#include "imaging/scaler.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <future>
#include <thread>
#include <vector>

#include "imaging/pixel_lanes.h"

// Positions are 64-bit and every intermediate is wide enough for its largest value, so results
// equal the per-channel formulas bit for bit. The area average lives in area_average.cpp.

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

void EnlargeBilinear(const ConstPixelView& src, const PixelView& dst, RowRange rows) {
    const int W = src.width, H = src.height, dw = dst.width, dh = dst.height;
    const int lastRow = rows.end < 0 ? dh : std::min(rows.end, dh);
    // Column table, once per call: the two source columns of each destination column and their
    // weights per byte lane (zero for the top byte, which so comes out 0).
    std::vector<int> left(dw), right(dw);
    std::vector<uint16_t> leftWeight(4 * size_t(dw)), rightWeight(4 * size_t(dw));
    const uint64_t spanX = uint64_t(W - 1) * 256;
    for (int i = 0; i < dw; ++i) {
        const uint64_t p = i * spanX / dw;
        left[i] = int(p / 256);
        right[i] = int((p + 255) / 256);
        const auto fx = static_cast<uint16_t>(p % 256);
        for (int lane = 0; lane < 4; ++lane) {
            leftWeight[4 * i + lane] = lane == kTopLane ? 0 : uint16_t(256 - fx);
            rightWeight[4 * i + lane] = lane == kTopLane ? 0 : fx;
        }
    }

    // Per destination row: the two source rows blended vertically (each lane at most 255 * 256),
    // then the two blended columns of every destination pixel gathered side by side.
    std::vector<uint16_t> blend(4 * size_t(W)), leftBlend(4 * size_t(dw)),
        rightBlend(4 * size_t(dw));
    const uint64_t spanY = uint64_t(H - 1) * 256;
    for (int j = std::max(rows.first, 0); j < lastRow; ++j) {
        const uint64_t q = j * spanY / dh;
        const auto fy = static_cast<uint16_t>(q % 256), gy = static_cast<uint16_t>(256 - fy);
        const uint8_t* row0 = PixelBytes(src.pixels + ptrdiff_t(q / 256) * src.stride);
        const uint8_t* row1 = PixelBytes(src.pixels + ptrdiff_t((q + 255) / 256) * src.stride);
        for (size_t k = 0; k < blend.size(); ++k) blend[k] = uint16_t(row0[k] * gy + row1[k] * fy);
        for (int i = 0; i < dw; ++i) {
            std::memcpy(&leftBlend[4 * size_t(i)], &blend[4 * size_t(left[i])],
                        4 * sizeof(uint16_t));
            std::memcpy(&rightBlend[4 * size_t(i)], &blend[4 * size_t(right[i])],
                        4 * sizeof(uint16_t));
        }
        uint8_t* out = PixelBytes(dst.pixels + ptrdiff_t{j} * dst.stride);
        for (size_t k = 0; k < leftBlend.size(); ++k)
            out[k] = uint8_t((uint32_t{leftBlend[k]} * leftWeight[k] +
                              uint32_t{rightBlend[k]} * rightWeight[k]) >>
                             16);
    }
}

namespace {

// Below this many destination pixels starting a thread costs more than it saves.
constexpr int64_t kBandedPixels = 64 * 1024;

void ScaleRows(const ConstPixelView& src, const PixelView& dst, RowRange rows) {
    if (src.width < dst.width)
        EnlargeBilinear(src, dst, rows);
    else
        ReduceAreaAverage(src, dst, rows);
}

}  // namespace

void ScaleImage(const ConstPixelView& src, const PixelView& dst) {
    const int bands = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
    if (bands == 1 || int64_t{dst.width} * dst.height < kBandedPixels) {
        ScaleRows(src, dst, {});
        return;
    }
    // The caller's thread takes the first band; the others run beside it and are waited for
    // (a failure in one of them reaches the caller through get()).
    const int rowsPerBand = (dst.height + bands - 1) / bands;
    std::vector<std::future<void>> others;
    for (int first = rowsPerBand; first < dst.height; first += rowsPerBand) {
        others.push_back(std::async(std::launch::async, ScaleRows, src, dst,
                                    RowRange{first, first + rowsPerBand}));
    }
    ScaleRows(src, dst, {0, rowsPerBand});
    for (auto& band : others) band.get();
}
