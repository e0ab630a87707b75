// Dragging the image out of the view.

#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QPixmap>
#include <QUrl>

#include "imaging/image_viewer.h"

namespace {

constexpr int kDragPictureSize = 96;

}  // namespace

QMimeData* CImageViewer::DragData() const {
    if (m_source.isNull()) return nullptr;
    auto* data = new QMimeData;
    data->setImageData(m_source);
    const QString file = m_dragFile ? m_dragFile() : QString();
    if (!file.isEmpty()) data->setUrls({QUrl::fromLocalFile(file)});
    return data;
}

void CImageViewer::mousePressEvent(QMouseEvent* event) {
    m_pressedAt = event->button() == Qt::LeftButton ? event->position().toPoint() : QPoint(-1, -1);
    QWidget::mousePressEvent(event);
}

void CImageViewer::mouseMoveEvent(QMouseEvent* event) {
    QWidget::mouseMoveEvent(event);
    if (!(event->buttons() & Qt::LeftButton) || m_pressedAt.x() < 0) return;
    if ((event->position().toPoint() - m_pressedAt).manhattanLength() <
        QApplication::startDragDistance())
        return;
    m_pressedAt = QPoint(-1, -1);  // one drag per press
    QMimeData* data = DragData();
    if (data == nullptr) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    drag->setPixmap(QPixmap::fromImage(m_source.scaled(
        kDragPictureSize, kDragPictureSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    drag->exec(Qt::CopyAction);
}
