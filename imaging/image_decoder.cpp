#include "imaging/image_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include "imaging/bmp_decoder.h"

namespace {

// A JPEG is whole when it ends with its end-of-image marker; zero fill after it is tolerated.
bool JpegIsComplete(const uint8_t* d, uint32_t n) {
    while (n > 0 && d[n - 1] == 0) --n;
    return n >= 4 && d[n - 2] == 0xFF && d[n - 1] == 0xD9;
}

QImage ReadJpeg(const uint8_t* data, uint32_t size) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, "jpeg");
    const QSize declared = reader.size();  // refused before any pixel memory is taken
    if (!FitsPixelCap(declared.width(), declared.height())) return {};
    QImage image = reader.read();  // null on any decoder error or failed allocation
    return image.depth() <= 8 ? image.convertToFormat(QImage::Format_RGB32) : image;
}

}  // namespace

QImage AllocateImage(int width, int height, QImage::Format format) {
    return QImage(width, height, format);
}

bool DecodeImage(QImage& image, const uint8_t* data, uint32_t size, ImageAllocator allocate) {
    image = QImage();
    if (data == nullptr) return false;
    bool decoded = false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        decoded = DecodeBmp(image, data, size, allocate);
    } else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF &&
               JpegIsComplete(data, size)) {
        image = ReadJpeg(data, size);
        decoded = !image.isNull();
    }
    if (!decoded) image = QImage();
    return decoded;
}
