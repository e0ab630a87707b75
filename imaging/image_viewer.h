#pragma once
// The main window's image view: the last acquired image, scaled to fit with its aspect ratio kept,
// centred on black. Scaling happens once per image or size change into a back buffer; painting
// only copies from it, so the view never flickers during video.

#include <QImage>
#include <QWidget>

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

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QSize DeviceClientSize() const;
    void EnsureBackBuffer();
    void Rebuild();
    void RebuildQuietly();

    QImage m_source;
    QImage m_backBuffer;  // Format_RGB32; grows with the widget, never shrinks
};
