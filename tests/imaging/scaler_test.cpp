#include "imaging/scaler.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

namespace {

struct Picture {
    int width, height;
    std::vector<uint32_t> pixels;  // exactly width x height, so any read past the end is caught

    Picture(int w, int h, uint32_t fill = 0) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    uint32_t& at(int x, int y) { return pixels[size_t(y) * width + x]; }
    uint32_t at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    ConstPixelView view() const { return {pixels.data(), width, height, width}; }
    PixelView view() { return {pixels.data(), width, height, width}; }
};

Picture Scaled(const Picture& src, int dw, int dh) {
    Picture dst(dw, dh, 0xDEADBEEF);
    ScaleImage(src.view(), dst.view());
    return dst;
}

Picture Random(int w, int h, unsigned seed) {
    std::mt19937 random(seed);
    Picture p(w, h);
    for (uint32_t& v : p.pixels) v = random();  // top byte set too: it must be ignored
    return p;
}

uint32_t Channel(uint32_t pixel, int shift) { return (pixel >> shift) & 0xFF; }

// The scaling formulas written out channel by channel, the plainest way.
Picture ReferenceEnlarge(const Picture& s, int dw, int dh) {
    Picture d(dw, dh);
    const int W = s.width, H = s.height;
    for (int j = 0; j < dh; ++j) {
        const uint64_t q = j * (uint64_t(H - 1) * 256) / dh;
        const uint64_t y0 = q / 256, y1 = (q + 255) / 256, fy = q - 256 * y0, gy = 256 - fy;
        for (int i = 0; i < dw; ++i) {
            const uint64_t p = i * (uint64_t(W - 1) * 256) / dw;
            const uint64_t x0 = p / 256, x1 = (p + 255) / 256, fx = p - 256 * x0, gx = 256 - fx;
            uint32_t out = 0;
            for (int shift : {16, 8, 0}) {
                const auto c = [&](uint64_t x, uint64_t y) {
                    return Channel(s.at(int(x), int(y)), shift);
                };
                const uint64_t v = ((c(x0, y0) * gy + c(x0, y1) * fy) * gx +
                                    (c(x1, y0) * gy + c(x1, y1) * fy) * fx) >>
                                   16;
                out |= uint32_t(v) << shift;
            }
            d.at(i, j) = out;
        }
    }
    return d;
}

Picture ReferenceReduce(const Picture& s, int dw, int dh) {
    Picture d(dw, dh);
    const uint64_t dx = uint64_t(s.width - 1) * 256 / dw, dy = uint64_t(s.height - 1) * 256 / dh;
    const auto weight = [](uint64_t e, uint64_t span, uint64_t k, uint64_t first, uint64_t last) {
        const uint64_t end = k == last - 1 ? e + span - 256 * k : 256;
        const uint64_t start = k == first ? e - 256 * k : 0;
        return end - start;
    };
    uint64_t ey = 0;
    for (int j = 0; j < dh; ++j, ey += dy) {
        const uint64_t y0 = ey / 256, y1 = (ey + dy + 255) / 256;
        uint64_t ex = 0;
        for (int i = 0; i < dw; ++i, ex += dx) {
            const uint64_t x0 = ex / 256, x1 = (ex + dx + 255) / 256;
            uint32_t out = 0;
            for (int shift : {16, 8, 0}) {
                uint64_t sum = 0;
                for (uint64_t y = y0; y < y1; ++y)
                    for (uint64_t x = x0; x < x1; ++x)
                        sum += Channel(s.at(int(x), int(y)), shift) * weight(ex, dx, x, x0, x1) *
                               weight(ey, dy, y, y0, y1);
                out |= uint32_t(sum / (dx * dy)) << shift;
            }
            d.at(i, j) = out;
        }
    }
    return d;
}

// The image fills the width or the height and is centred; one too small, or too small a
// result, gives nothing to draw (width 0).
TEST(FitImage, WidthOrHeightLimitsAndTheImageIsCentred) {
    const struct {
        int viewW, viewH, imageW, imageH, left, top, width, height;
    } cases[] = {
        {400, 400, 640, 480, 0, 50, 400, 300},
        {400, 300, 100, 50, 0, 50, 400, 200},
        {400, 300, 800, 600, 0, 0, 400, 300},  // same aspect: the height branch fills
        {400, 300, 100, 300, 150, 0, 100, 300},
        {401, 300, 3, 2, 0, 16, 401, 267},  // divisions truncate
        {400, 300, 1, 100, 0, 0, 0, 0},
        {400, 300, 100, 1, 0, 0, 0, 0},
        {400, 1, 640, 480, 0, 0, 0, 0},  // a very flat view
        {2, 400, 640, 480, 0, 0, 0, 0},  // dh would be 1
        {0, 0, 640, 480, 0, 0, 0, 0},
        {3000, 3000, 2, 32000000, 0, 0, 0, 0},  // products beyond 32 bits
    };
    for (const auto& c : cases) {
        const FitRect f = FitImage(c.viewW, c.viewH, c.imageW, c.imageH);
        EXPECT_EQ(f.width, c.width)
            << c.viewW << "x" << c.viewH << " " << c.imageW << "x" << c.imageH;
        if (c.width == 0) continue;
        EXPECT_EQ((std::array{f.left, f.top, f.height}), (std::array{c.left, c.top, c.height}));
    }
}

// Every test below runs on each instruction set the scaler comes in that this processor has.
class ScalerPaths : public testing::TestWithParam<ScalerPath> {
protected:
    void SetUp() override {
        if (!ScalerPathAvailable(GetParam())) GTEST_SKIP() << "not available on this processor";
        SetScalerPath(GetParam());
    }
    void TearDown() override { SetScalerPath(m_previous); }

private:
    ScalerPath m_previous = CurrentScalerPath();
};

std::string PathName(const testing::TestParamInfo<ScalerPath>& info) {
    const char* names[] = {"Portable", "Sse2", "Avx2"};
    return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(, ScalerPaths,
                         testing::Values(ScalerPath::kPortable, ScalerPath::kSse2,
                                         ScalerPath::kAvx2),
                         PathName);

TEST_P(ScalerPaths, EnlargeHandComputedTwoByTwo) {
    Picture s(2, 2);
    s.at(0, 0) = 0, s.at(1, 0) = 200, s.at(0, 1) = 100, s.at(1, 1) = 255;  // blue channel
    const Picture d = Scaled(s, 4, 4);
    EXPECT_EQ(d.at(0, 0), 0u);
    EXPECT_EQ(d.at(1, 0), 50u);   // 200 * 64 / 256
    EXPECT_EQ(d.at(2, 2), 138u);  // (0 + 100 + 200 + 255) / 4, truncated
    EXPECT_EQ(d.at(3, 3), 199u);  // the last column and row stay short of the last source pixel
    EXPECT_EQ(d.at(0, 3), 75u);
    // Channels do not bleed into each other.
    for (uint32_t& v : s.pixels) v = v << 16 | v << 8 | v;
    const Picture grey = Scaled(s, 4, 4);
    EXPECT_EQ(grey.at(3, 3), 199u * 0x010101u);
}

TEST_P(ScalerPaths, ReduceHandComputedFractionalWeights) {
    Picture s(5, 3);
    const uint32_t row0[] = {10, 20, 30, 40, 50};
    for (int x = 0; x < 5; ++x) s.at(x, 0) = row0[x] << 8, s.at(x, 1) = 100u << 8;
    const Picture d = Scaled(s, 3, 2);  // dx = 341: weights 256+85, 171+170, 86+255
    EXPECT_EQ(d.at(0, 0), 12u << 8);    // (10*256 + 20*85) / 341
    EXPECT_EQ(d.at(1, 0), 24u << 8);    // (20*171 + 30*170) / 341
    EXPECT_EQ(d.at(2, 0), 37u << 8);    // (30*86 + 40*255) / 341
    EXPECT_EQ(d.at(1, 1), 100u << 8);
}

TEST_P(ScalerPaths, MatchesTheFormulasInBothDirections) {
    const struct {
        int w, h, dw, dh;
    } cases[] = {
        // enlarging
        {2, 2, 7, 5},
        {7, 5, 13, 11},
        {100, 50, 400, 200},
        {3, 9, 4, 12},
        // reducing
        {640, 480, 400, 300},
        {33, 17, 5, 3},
        {7, 5, 7, 5},
        {2, 10, 2, 11},
        {300, 3, 2, 2},
        {57, 91, 23, 40},
        // long runs of rows of full weight; 257 of them, the most 16-bit sums hold
        {4, 1200, 2, 3},
        {2, 515, 2, 2},
        // 32-bit sums with a norm too large for the 32-bit reciprocal; sums beyond 32 bits
        {300, 4, 2, 2},
        {5000, 40, 2, 2},
        // large enough to be scaled in bands of rows, both ways
        {300, 200, 1100, 961},
        {1280, 1024, 400, 320},
        // widths beside the vector widths: the SIMD loops and what is left after them
        {101, 77, 403, 301},
        {643, 480, 397, 299},
        {9, 9, 9, 7},
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " -> " << c.dw << "x" << c.dh);
        const Picture s = Random(c.w, c.h, seed++);
        const Picture expected =
            c.w < c.dw ? ReferenceEnlarge(s, c.dw, c.dh) : ReferenceReduce(s, c.dw, c.dh);
        EXPECT_EQ(Scaled(s, c.dw, c.dh).pixels, expected.pixels);
    }
}

TEST_P(ScalerPaths, UniformImagesStayUniformEvenAtExtremeReductions) {
    const struct {
        int w, h, dw, dh;
        uint32_t colour;
    } cases[] = {
        {4000, 3000, 2, 2, 0xFFFFFF}, {640, 480, 400, 300, 0xABCDEF}, {1000, 3, 7, 2, 0x80FF01},
        {97, 61, 13, 29, 0x00FF00},   {9, 9, 17, 17, 0xFFFFFF},       {2, 515, 2, 2, 0xFFFFFF},
    };
    for (const auto& c : cases) {
        const Picture d = Scaled(Picture(c.w, c.h, c.colour | 0xFF000000), c.dw, c.dh);
        for (uint32_t v : d.pixels) ASSERT_EQ(v, c.colour);  // and the top byte is cleared
    }
}

TEST_P(ScalerPaths, ReadsNothingOutsideTheSource) {
    // Black pixels inside rows padded with white: any white in the result came from outside.
    for (auto [w, h, dw, dh] :
         {std::array{5, 4, 17, 9}, std::array{640, 480, 400, 300}, std::array{31, 7, 3, 2},
          std::array{2, 2, 1000, 1000}, std::array{67, 9, 61, 5}, std::array{9, 67, 13, 70}}) {
        Picture padded(w + 1, h, 0xFFFFFF);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) padded.at(x, y) = 0;
        Picture dst(dw + 2, dh, 0x123456);
        ScaleImage({padded.pixels.data(), w, h, w + 1}, {dst.pixels.data() + 1, dw, dh, dw + 2});
        for (int y = 0; y < dh; ++y) {
            ASSERT_EQ(dst.at(0, y), 0x123456u);  // nothing written outside the target either
            ASSERT_EQ(dst.at(dw + 1, y), 0x123456u);
            for (int x = 1; x <= dw; ++x) ASSERT_EQ(dst.at(x, y), 0u);
        }
    }
}

}  // namespace
