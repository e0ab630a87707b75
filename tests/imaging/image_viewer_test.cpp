#include "imaging/image_viewer.h"

#include <gtest/gtest.h>

#include <QPixmap>

namespace {

constexpr QRgb kBlack = 0xFF000000;
constexpr QRgb kRed = 0xFFC01010;

QImage Uniform(int w, int h, QRgb colour) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// The view on screen, as the user sees it: painted from the back buffer.
QImage Screen(CImageViewer& view) {
    return view.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

bool AllBlack(const QImage& image) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) != kBlack) return false;
    return true;
}

// The view as a child of a window, as in the program; it starts at a child's default size.
struct ImageViewer : testing::Test {
    QWidget window;
    CImageViewer& view = *new CImageViewer(&window);
    void SetUp() override {
        window.resize(600, 400);
        view.resize(400, 300);
        window.show();
    }
};

TEST_F(ImageViewer, ScaledImageIsCentredOnBlack) {
    view.SetImage(Uniform(100, 50, kRed));  // enlarged to 400 x 200, 50 pixels from the top
    const QImage screen = Screen(view);
    ASSERT_EQ(screen.size(), QSize(400, 300));
    for (int x : {0, 200, 399}) {
        EXPECT_EQ(screen.pixel(x, 49), kBlack);
        EXPECT_EQ(screen.pixel(x, 50), kRed);
        EXPECT_EQ(screen.pixel(x, 249), kRed);
        EXPECT_EQ(screen.pixel(x, 250), kBlack);
    }
    EXPECT_EQ(view.SourceImage().size(), QSize(100, 50));  // kept at full resolution
    const auto* raw = reinterpret_cast<const uint32_t*>(view.BackBuffer().constScanLine(100));
    EXPECT_EQ(raw[200], kRed);  // opaque, as Format_RGB32 requires

    view.SetImage(Uniform(100, 300, kRed));  // reduced to 100 x 300, 150 pixels from the left
    EXPECT_EQ(view.BackBuffer().pixel(149, 150), kBlack);
    EXPECT_EQ(view.BackBuffer().pixel(150, 150), kRed);
    EXPECT_EQ(view.BackBuffer().pixel(249, 150), kRed);
    EXPECT_EQ(view.BackBuffer().pixel(250, 150), kBlack);
}

TEST_F(ImageViewer, IndexedAndAlphaImagesShowTheirColours) {
    QImage indexed = Uniform(50, 50, kRed).convertToFormat(QImage::Format_Indexed8);
    view.SetImage(indexed);
    EXPECT_EQ(Screen(view).pixel(200, 150), kRed);
    QImage translucent(60, 40, QImage::Format_ARGB32);
    translucent.fill(qRgba(0x20, 0x40, 0x60, 0x10));
    view.SetImage(translucent);
    EXPECT_EQ(Screen(view).pixel(200, 150), qRgb(0x20, 0x40, 0x60));
}

TEST_F(ImageViewer, NothingToShowLeavesTheViewBlack) {
    EXPECT_TRUE(AllBlack(Screen(view)));   // before any image
    view.SetImage(Uniform(1, 300, kRed));  // one pixel wide
    EXPECT_TRUE(AllBlack(Screen(view)));
    view.SetImage(Uniform(300, 200, kRed));
    view.resize(400, 1);  // too flat to draw into
    EXPECT_TRUE(AllBlack(Screen(view)));
    view.resize(400, 300);
    EXPECT_FALSE(AllBlack(Screen(view)));
    view.SetImage(QImage());  // a null image empties the view
    EXPECT_TRUE(view.SourceImage().isNull());
    EXPECT_TRUE(AllBlack(Screen(view)));
}

TEST_F(ImageViewer, BackBufferGrowsWithTheViewAndNeverShrinks) {
    view.SetImage(Uniform(100, 50, kRed));
    EXPECT_EQ(view.BackBuffer().size(), QSize(400, 300));
    view.resize(200, 150);  // image now 200 x 100 at top 25
    EXPECT_EQ(view.BackBuffer().size(), QSize(400, 300));
    const QImage screen = Screen(view);
    EXPECT_EQ(screen.size(), QSize(200, 150));
    EXPECT_EQ(screen.pixel(100, 24), kBlack);
    EXPECT_EQ(screen.pixel(100, 25), kRed);
    EXPECT_EQ(screen.pixel(100, 124), kRed);
    EXPECT_EQ(screen.pixel(100, 125), kBlack);
    view.resize(500, 100);  // wider than the buffer: replaced, at exactly the new size
    EXPECT_EQ(view.BackBuffer().size(), QSize(500, 100));
    view.resize(500, 320);
    EXPECT_EQ(view.BackBuffer().size(), QSize(500, 320));
}

}  // namespace
