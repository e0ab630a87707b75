#include "imaging/image_decoder.h"

#include "imaging/bmp_decoder.h"
#include "imaging/jpeg_decoder.h"

QImage AllocateImage(int width, int height, QImage::Format format) {
    return QImage(width, height, format);
}

bool DecodeImage(QImage& image, const uint8_t* data, uint32_t size, ImageAllocator allocate) {
    image = QImage();
    if (data == nullptr) return false;
    bool decoded = false;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        decoded = DecodeBmp(image, data, size, allocate);
    } else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        decoded = DecodeJpeg(image, data, size, allocate);
    }
    if (!decoded) image = QImage();
    return decoded;
}
