#pragma once
// The main window's image view: the last acquired image, scaled to fit with its aspect ratio kept,
// centred on black. Scaling happens once per image or size change into a back buffer; painting
// only copies from it, so the view never flickers during video. The image can be dragged out to
// other programs.

#include <QImage>
#include <QPoint>
#include <QWidget>
#include <functional>

class QMimeData;

class CImageViewer : public QWidget {
    Q_OBJECT
public:
    explicit CImageViewer(QWidget* parent = nullptr);

    // Keeps a full-resolution copy of `image` (a null image empties the view), redraws the back
    // buffer and schedules a repaint. A failure (out of memory) reaches the caller.
    void SetImage(const QImage& image);

    // The image last given to SetImage, at full resolution; null while the view is empty.
    const QImage& SourceImage() const { return m_source; }

    // The finished picture in device pixels; at least as large as the widget, of which its
    // top-left part is shown.
    const QImage& BackBuffer() const { return m_backBuffer; }

    // What a drag out carries besides the picture: a file, made when the drag starts by `file`
    // (its path; empty when there is none).
    void SetDragFile(std::function<QString()> file) { m_dragFile = std::move(file); }
    // The data a drag out gives: the full-resolution image and, where one is made, its file.
    // Null while the view is empty.
    QMimeData* DragData() const;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize DeviceClientSize() const;
    void EnsureBackBuffer();
    void Rebuild();
    void RebuildQuietly();

    QImage m_source;
    QImage m_backBuffer;  // Format_RGB32; grows with the widget, never shrinks
    std::function<QString()> m_dragFile;
    QPoint m_pressedAt{-1, -1};  // where the left button went down, while it is held
};
