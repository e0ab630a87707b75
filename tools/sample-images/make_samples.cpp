// veltor-make-samples: draws the sample images that the demo's simulated scanner serves, in the
// formats a scanner hands out: an 8-bit palette BMP, a 24-bit BMP and baseline JPEGs.
// Usage: veltor-make-samples OUTPUT_DIR
#include <QDir>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <cstdio>

namespace {

// Colour bars across the top fifth, as on a broadcast test card.
void DrawBars(QPainter& p, const QRect& area) {
    static const QColor bars[] = {Qt::white,   Qt::yellow, Qt::cyan, Qt::green,
                                  Qt::magenta, Qt::red,    Qt::blue, Qt::black};
    const int n = int(std::size(bars));
    for (int i = 0; i < n; ++i) {
        const int x0 = area.left() + area.width() * i / n;
        const int x1 = area.left() + area.width() * (i + 1) / n;
        p.fillRect(QRect(x0, area.top(), x1 - x0, area.height()), bars[i]);
    }
}

// A grey ramp along the bottom, to show how the format copes with smooth tones.
void DrawRamp(QPainter& p, const QRect& area) {
    QLinearGradient ramp(area.topLeft(), area.topRight());
    ramp.setColorAt(0, Qt::black);
    ramp.setColorAt(1, Qt::white);
    p.fillRect(area, ramp);
}

// The test card: sky-to-teal background, grid, bars, ramp, a ring with a cross and the name.
QImage TestCard(int w, int h, const QString& caption) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0, QColor(32, 64, 128));
    sky.setColorAt(1, QColor(16, 128, 120));
    p.fillRect(image.rect(), sky);

    p.setPen(QPen(QColor(255, 255, 255, 60), 1));
    const int step = w / 16;
    for (int x = step; x < w; x += step) p.drawLine(x, 0, x, h);
    for (int y = step; y < h; y += step) p.drawLine(0, y, w, y);

    DrawBars(p, QRect(0, 0, w, h / 5));
    DrawRamp(p, QRect(0, h - h / 10, w, h / 10));

    const QPointF centre(w / 2.0, h * 0.55);
    const qreal radius = h * 0.28;
    QRadialGradient glow(centre, radius);
    glow.setColorAt(0, QColor(255, 200, 80));
    glow.setColorAt(1, QColor(200, 60, 40));
    p.setPen(QPen(Qt::white, qMax(2, h / 120)));
    p.drawLine(centre - QPointF(radius * 1.3, 0), centre + QPointF(radius * 1.3, 0));
    p.drawLine(centre - QPointF(0, radius * 1.25), centre);  // not down into the caption
    p.setBrush(glow);
    p.drawEllipse(centre, radius, radius);

    QFont font(QStringLiteral("DejaVu Sans"));
    font.setBold(true);
    font.setPixelSize(h / 6);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(0, centre.y() - radius, w, radius * 2), Qt::AlignCenter,
               QStringLiteral("Veltor"));

    font.setBold(false);
    font.setPixelSize(h / 20);
    p.setFont(font);
    p.drawText(QRect(0, h - h / 10 - h / 12, w, h / 12), Qt::AlignCenter, caption);
    return image;
}

// Soft overlapping colour discs on a warm gradient: a picture with few hard edges.
QImage Discs(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient ground(0, 0, w, h);
    ground.setColorAt(0, QColor(250, 230, 190));
    ground.setColorAt(1, QColor(120, 60, 110));
    p.fillRect(image.rect(), ground);
    p.setPen(Qt::NoPen);
    const QColor colours[] = {QColor(230, 80, 60, 150), QColor(60, 160, 220, 150),
                              QColor(90, 200, 110, 150), QColor(250, 200, 40, 150)};
    for (int i = 0; i < 4; ++i) {
        p.setBrush(colours[i]);
        const qreal r = h * (0.22 + 0.04 * i);
        p.drawEllipse(QPointF(w * (0.3 + 0.14 * i), h * (0.4 + 0.08 * (i % 2))), r, r);
    }
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setItalic(true);
    font.setPixelSize(h / 8);
    p.setFont(font);
    p.setPen(QColor(40, 30, 60));
    p.drawText(QRect(0, h * 3 / 4, w, h / 4), Qt::AlignCenter, QStringLiteral("Veltor"));
    return image;
}

bool Write(const QImage& image, const QDir& dir, const QString& name, int quality = -1) {
    QImageWriter writer(dir.filePath(name));
    if (quality >= 0) writer.setQuality(quality);
    if (writer.write(image)) {
        std::printf("%s\n", qPrintable(dir.filePath(name)));
        return true;
    }
    std::fprintf(stderr, "veltor-make-samples: %s: %s\n", qPrintable(dir.filePath(name)),
                 qPrintable(writer.errorString()));
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    // Drawing needs fonts but no screen: run the same with or without a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "Usage: veltor-make-samples OUTPUT_DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "veltor-make-samples: cannot create %s\n", argv[1]);
        return 1;
    }
    // Palette BMP: Qt picks the palette and dithers the gradients into it.
    const QImage palette = TestCard(320, 240, QStringLiteral("320 × 240 · 8-bit BMP"))
                               .convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither);
    bool ok = Write(palette, dir, QStringLiteral("testcard-320x240-8bit.bmp"));
    // 24-bit BMPs are large (3 bytes a pixel): keep this one small.
    ok &= Write(Discs(256, 192).convertToFormat(QImage::Format_RGB888), dir,
                QStringLiteral("discs-256x192-24bit.bmp"));
    ok &= Write(TestCard(320, 240, QStringLiteral("320 × 240 · JPEG")), dir,
                QStringLiteral("testcard-320x240.jpg"), 85);
    ok &= Write(TestCard(640, 480, QStringLiteral("640 × 480 · JPEG")), dir,
                QStringLiteral("testcard-640x480.jpg"), 85);
    ok &= Write(Discs(640, 480), dir, QStringLiteral("discs-640x480.jpg"), 85);
    return ok ? 0 : 1;
}
