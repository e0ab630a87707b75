#include "imaging/scaler.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <stdexcept>
#include <thread>
#include <utility>
#include <vector>

#include "imaging/pixel_lanes.h"
#include "imaging/row_bands.h"
#include "imaging/scaler_kernels.h"

// Positions are 64-bit and every intermediate is wide enough for its largest value, so results
// equal the per-channel formulas bit for bit. The area average lives in area_average.cpp, the
// row kernels in scaler_portable.cpp, scaler_sse2.cpp and scaler_avx2.cpp.

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

namespace {

// The destination columns of an enlargement: the left source column of each and the weights of
// it and the next, padded with zero-weight columns that read column 0.
struct EnlargeTable {
    std::vector<int32_t> left;
    std::vector<uint16_t> leftWeight, rightWeight;
};

EnlargeTable MakeEnlargeTable(int W, int dw) {
    const int padded = (dw + kEnlargePad - 1) / kEnlargePad * kEnlargePad;
    EnlargeTable table{std::vector<int32_t>(padded), std::vector<uint16_t>(4 * size_t(padded)),
                       std::vector<uint16_t>(4 * size_t(padded))};
    const uint64_t spanX = uint64_t(W - 1) * 256;
    for (int i = 0; i < dw; ++i) {
        // p < spanX, so the next column, left + 1, is at most W - 1.
        const uint64_t p = i * spanX / dw;
        table.left[i] = int32_t(p / 256);
        const auto fx = static_cast<uint16_t>(p % 256);
        for (int lane = 0; lane < 4; ++lane) {
            table.leftWeight[4 * i + lane] = lane == kTopLane ? 0 : uint16_t(256 - fx);
            table.rightWeight[4 * i + lane] = lane == kTopLane ? 0 : fx;
        }
    }
    return table;
}

// The two source rows last passed horizontally, which consecutive destination rows mostly share.
class PassedRows {
public:
    PassedRows(const ConstPixelView& src, const EnlargeTable& table, const EnlargeKernels& kernels)
        : m_src(src), m_table(table), m_kernels(kernels) {
        for (std::vector<uint16_t>& row : m_rows) row.resize(4 * m_table.left.size());
    }

    // Rows y0 and y1 (the same or the next), passing those not held yet.
    std::pair<const uint16_t*, const uint16_t*> Get(int y0, int y1) {
        int top = SlotOf(y0);
        if (top < 0) {
            top = m_y[0] == y1 ? 1 : 0;  // keep the lower row if it is there
            Pass(top, y0);
        }
        int bottom = SlotOf(y1);
        if (bottom < 0) {
            bottom = 1 - top;
            Pass(bottom, y1);
        }
        return {m_rows[top].data(), m_rows[bottom].data()};
    }

private:
    int SlotOf(int y) const { return m_y[0] == y ? 0 : m_y[1] == y ? 1 : -1; }

    void Pass(int slot, int y) {
        m_kernels.horizontal(PixelBytes(m_src.pixels + ptrdiff_t{y} * m_src.stride),
                             m_table.left.data(), m_table.leftWeight.data(),
                             m_table.rightWeight.data(), int(m_table.left.size()),
                             m_rows[slot].data());
        m_y[slot] = y;
    }

    const ConstPixelView& m_src;
    const EnlargeTable& m_table;
    const EnlargeKernels& m_kernels;
    std::vector<uint16_t> m_rows[2];
    int m_y[2] = {-1, -1};
};

}  // namespace

void EnlargeBilinear(const ConstPixelView& src, const PixelView& dst, RowRange rows) {
    const int dh = dst.height;
    const int lastRow = rows.end < 0 ? dh : std::min(rows.end, dh);
    const EnlargeKernels& kernels = EnlargeKernelsFor(CurrentScalerPath());
    const EnlargeTable table = MakeEnlargeTable(src.width, dst.width);
    PassedRows passed(src, table, kernels);
    const uint64_t spanY = uint64_t(src.height - 1) * 256;
    for (int j = std::max(rows.first, 0); j < lastRow; ++j) {
        // q < spanY, so the lower row is at most H - 1.
        const uint64_t q = j * spanY / dh;
        const auto fy = static_cast<uint16_t>(q % 256);
        const auto [top, bottom] = passed.Get(int(q / 256), int((q + 255) / 256));
        kernels.vertical(top, bottom, uint16_t(256 - fy), fy, dst.width,
                         dst.pixels + ptrdiff_t{j} * dst.stride);
    }
}

namespace {

// Scalings that read and write fewer pixels than this (about half a millisecond's work) stay on
// the caller's thread: on a busy machine another thread may not even get a core before they end.
constexpr int64_t kBandedPixels = 1 << 20;

void ScaleRows(const ConstPixelView& src, const PixelView& dst, RowRange rows) {
    if (src.width < dst.width)
        EnlargeBilinear(src, dst, rows);
    else
        ReduceAreaAverage(src, dst, rows);
}

}  // namespace

void ScaleImage(const ConstPixelView& src, const PixelView& dst) {
    const int threads = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1, 4);
    const int64_t pixels = int64_t{src.width} * src.height + int64_t{dst.width} * dst.height;
    if (threads == 1 || pixels < kBandedPixels) {
        ScaleRows(src, dst, {});
        return;
    }
    // More bands than threads, so that the threads that get a core share out the work.
    RunInBands(dst.height, 4 * threads, threads - 1,
               [&](RowRange rows) { ScaleRows(src, dst, rows); });
}

namespace {

std::atomic<ScalerPath>& Path() {
    static std::atomic<ScalerPath> path{BestScalerPath()};
    return path;
}

}  // namespace

bool ScalerPathAvailable(ScalerPath path) {
    switch (path) {
        case ScalerPath::kPortable: return true;
#if defined(VELTOR_SCALER_X86)
        case ScalerPath::kSse2: return true;
        case ScalerPath::kAvx2: __builtin_cpu_init(); return __builtin_cpu_supports("avx2");
#else
        case ScalerPath::kSse2:
        case ScalerPath::kAvx2: return false;
#endif
    }
    return false;
}

ScalerPath BestScalerPath() {
    for (ScalerPath path : {ScalerPath::kAvx2, ScalerPath::kSse2})
        if (ScalerPathAvailable(path)) return path;
    return ScalerPath::kPortable;
}

ScalerPath CurrentScalerPath() { return Path().load(std::memory_order_relaxed); }

ScalerPath SetScalerPath(ScalerPath path) {
    if (!ScalerPathAvailable(path)) throw std::invalid_argument("scaler path not available here");
    return Path().exchange(path);
}

const EnlargeKernels& EnlargeKernelsFor(ScalerPath path) {
#if defined(VELTOR_SCALER_X86)
    if (path == ScalerPath::kAvx2) return kAvx2Enlarge;
    if (path == ScalerPath::kSse2) return kSse2Enlarge;
#endif
    (void)path;
    return kPortableEnlarge;
}

const ReduceKernels* ReduceKernelsFor(ScalerPath path) {
#if defined(VELTOR_SCALER_X86)
    if (path == ScalerPath::kAvx2) return &kAvx2Reduce;
    if (path == ScalerPath::kSse2) return &kSse2Reduce;
#endif
    (void)path;
    return nullptr;
}
