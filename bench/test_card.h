#pragma once
// The frame the transfer and soak benchmarks serve: a test card of 320 x 240 as the device would
// send it, JPEG quality 90.

#include <QBuffer>
#include <QByteArray>
#include <QFont>
#include <QImage>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <stdexcept>

inline QByteArray FrameJpeg() {
    QImage image(320, 240, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 320, 240);
    sky.setColorAt(0, QColor(30, 60, 130));
    sky.setColorAt(1, QColor(20, 140, 110));
    p.fillRect(image.rect(), sky);
    p.setBrush(QColor(240, 170, 60));
    p.setPen(QPen(Qt::white, 3));
    p.drawEllipse(QPointF(160, 130), 70, 70);
    QFont font(QStringLiteral("DejaVu Sans"), 28, QFont::Bold);
    p.setFont(font);
    p.drawText(image.rect(), Qt::AlignCenter, QStringLiteral("Veltor"));
    p.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(90);
    if (!writer.write(image)) throw std::runtime_error("cannot encode the frame");
    return buffer.data();
}
