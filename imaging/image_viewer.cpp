#include "imaging/image_viewer.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <new>

#include "core/string_table.h"
#include "core/ui_text.h"
#include "imaging/scaler.h"

CImageViewer::CImageViewer(QWidget* parent) : QWidget(parent) {
    // Every pixel is painted from the back buffer: no background erase, no system fill.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setAccessibleName(UiText(IDS_DESC_IMAGE_VIEW));
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
    // The buffer is in device pixels, so on a high-density screen the picture is scaled once
    // to the screen's own resolution rather than enlarged again by the painter.
    const qreal ratio = m_backBuffer.devicePixelRatio();
    const QRectF source(exposed.x() * ratio, exposed.y() * ratio, exposed.width() * ratio,
                        exposed.height() * ratio);
    if (!QRectF(m_backBuffer.rect()).contains(source)) painter.fillRect(exposed, Qt::black);
    painter.drawImage(QRectF(exposed), m_backBuffer, source);
}

void CImageViewer::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RebuildQuietly();  // the resize itself brings the repaint
}

// The client area in device pixels.
QSize CImageViewer::DeviceClientSize() const {
    const qreal ratio = devicePixelRatioF();
    return QSize(qRound(width() * ratio), qRound(height() * ratio));
}

void CImageViewer::EnsureBackBuffer() {
    const QSize client = DeviceClientSize();
    const qreal ratio = devicePixelRatioF();
    if (!m_backBuffer.isNull() && m_backBuffer.devicePixelRatio() == ratio &&
        m_backBuffer.width() >= client.width() && m_backBuffer.height() >= client.height())
        return;
    m_backBuffer = QImage();  // release the old buffer before asking for the new one
    m_backBuffer =
        QImage(std::max(client.width(), 1), std::max(client.height(), 1), QImage::Format_RGB32);
    if (m_backBuffer.isNull()) throw std::bad_alloc();
    m_backBuffer.setDevicePixelRatio(ratio);
}

namespace {

void FillBlack(QImage& image, const QRect& area) {
    const QRect r = area.intersected(image.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        std::fill_n(reinterpret_cast<QRgb*>(image.scanLine(y)) + r.left(), r.width(),
                    qRgb(0, 0, 0));
}

// The image's 32-bit pixels as the scaler reads them; channels only, so alpha passes as it is.
QImage ScalerInput(const QImage& image) {
    if (image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32)
        return image;
    QImage converted = image.convertToFormat(QImage::Format_RGB32);
    if (converted.isNull()) throw std::bad_alloc();
    return converted;
}

}  // namespace

void CImageViewer::Rebuild() {
    EnsureBackBuffer();
    const QRect client(QPoint(0, 0), DeviceClientSize());
    const FitRect fit = m_source.isNull() ? FitRect{}
                                          : FitImage(client.width(), client.height(),
                                                     m_source.width(), m_source.height());
    if (fit.width == 0) {
        FillBlack(m_backBuffer, client);
        return;
    }
    // Black around the picture; the scaler writes every pixel inside it.
    const int right = fit.left + fit.width, bottom = fit.top + fit.height;
    FillBlack(m_backBuffer, QRect(0, 0, client.width(), fit.top));
    FillBlack(m_backBuffer, QRect(0, bottom, client.width(), client.height() - bottom));
    FillBlack(m_backBuffer, QRect(0, fit.top, fit.left, fit.height));
    FillBlack(m_backBuffer, QRect(right, fit.top, client.width() - right, fit.height));

    const QImage source = ScalerInput(m_source);
    const ConstPixelView from{reinterpret_cast<const uint32_t*>(source.constBits()), source.width(),
                              source.height(), int(source.bytesPerLine() / 4)};
    const int stride = int(m_backBuffer.bytesPerLine() / 4);
    uint32_t* target =
        reinterpret_cast<uint32_t*>(m_backBuffer.bits()) + ptrdiff_t{fit.top} * stride + fit.left;
    ScaleImage(from, PixelView{target, fit.width, fit.height, stride});
    // The scaler leaves the top byte 0; Format_RGB32 wants it 0xFF, or some paint paths would
    // read the picture as transparent.
    for (int y = 0; y < fit.height; ++y) {
        uint32_t* line = target + ptrdiff_t{y} * stride;
        for (int x = 0; x < fit.width; ++x) line[x] |= 0xFF000000u;
    }
}

void CImageViewer::RebuildQuietly() {
    try {
        Rebuild();
    } catch (...) {
        // A view that cannot be redrawn while sizing stays as it was; the user gets no message.
    }
}
