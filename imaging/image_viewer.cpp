#include "imaging/image_viewer.h"

#include <QPaintEvent>
#include <QPainter>

#include <new>

#include "app/string_table.h"
#include "imaging/scaler.h"

CImageViewer::CImageViewer(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the back buffer: no background erase, no system fill.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAccessibleName(QString::fromUtf8(LoadText(IDS_DESC_IMAGE_VIEW)));
    RebuildQuietly();
}

void CImageViewer::SetImage(const QImage& image) {
    m_source = image;
    Rebuild();
    update();
}

void CImageViewer::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect exposed = event->rect();
    if (!m_backBuffer.rect().contains(exposed)) painter.fillRect(exposed, Qt::black);
    painter.drawImage(exposed.topLeft(), m_backBuffer, exposed);
}

void CImageViewer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RebuildQuietly();  // the resize itself brings the repaint
}

void CImageViewer::EnsureBackBuffer() {
    const int cw = width(), ch = height();
    if (!m_backBuffer.isNull() && (m_backBuffer.width() >= cw && m_backBuffer.height() >= ch))
        return;
    m_backBuffer = QImage();  // release the old buffer before asking for the new one
    m_backBuffer = QImage(std::max(cw, 1), std::max(ch, 1), QImage::Format_RGB32);
    if (m_backBuffer.isNull()) throw std::bad_alloc();
}

void CImageViewer::Rebuild() {
    EnsureBackBuffer();
    const int cw = width(), ch = height();
    QPainter(&m_backBuffer).fillRect(0, 0, cw, ch, Qt::black);
    if (m_source.isNull()) return;

    const FitRect fit = FitImage(cw, ch, m_source.width(), m_source.height());
    if (fit.width == 0) return;
    // The scaler reads the colour channels only, so 32-bit images with alpha pass unconverted.
    QImage source = m_source;
    if (source.format() != QImage::Format_RGB32 && source.format() != QImage::Format_ARGB32)
        source = source.convertToFormat(QImage::Format_RGB32);
    if (source.isNull()) throw std::bad_alloc();

    const ConstPixelView from{reinterpret_cast<const uint32_t*>(source.constBits()), source.width(),
                              source.height(), int(source.bytesPerLine() / 4)};
    const int stride = int(m_backBuffer.bytesPerLine() / 4);
    uint32_t* target = reinterpret_cast<uint32_t*>(m_backBuffer.bits()) +
                       ptrdiff_t{fit.top} * stride + fit.left;
    ScaleImage(from, PixelView{target, fit.width, fit.height, stride});
}

void CImageViewer::RebuildQuietly() {
    try {
        Rebuild();
    } catch (...) {
        // A view that cannot be redrawn while sizing stays as it was; the user gets no message.
    }
}
