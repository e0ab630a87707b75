#include "imaging/image_decoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <cstdlib>

namespace {

enum class FileKind { Unknown, Bmp, Jpeg };

uint32_t Le16(const uint8_t* p) { return p[0] | (p[1] << 8); }
uint32_t Le32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

FileKind DetectKind(const uint8_t* data, uint32_t size) {
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return FileKind::Bmp;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return FileKind::Jpeg;
    return FileKind::Unknown;
}

// The decoders read a cut-off file without complaint and fill the missing part with grey or
// black; a BMP is whole when its headers and every pixel row lie inside the buffer.
bool BmpIsComplete(const uint8_t* d, uint32_t n) {
    constexpr uint32_t kFileHeader = 14;
    if (n < kFileHeader + 12) return false;
    const uint32_t fileSize = Le32(d + 2);  // zero is allowed by old writers
    const uint32_t pixelOffset = Le32(d + 10);
    const uint32_t infoSize = Le32(d + 14);
    if (fileSize > n || pixelOffset > n) return false;

    int64_t width = 0, height = 0;
    uint32_t bitsPerPixel = 0, compression = 0, imageSize = 0;
    if (infoSize == 12) {  // the old core header: 16-bit dimensions
        width = Le16(d + 18);
        height = Le16(d + 20);
        bitsPerPixel = Le16(d + 24);
    } else if (infoSize >= 40 && n >= kFileHeader + 40) {
        width = static_cast<int32_t>(Le32(d + 18));
        height = static_cast<int32_t>(Le32(d + 22));  // negative: rows stored top-down
        bitsPerPixel = Le16(d + 28);
        compression = Le32(d + 30);
        imageSize = Le32(d + 34);
    } else {
        return false;
    }

    constexpr uint32_t kRgb = 0, kBitFields = 3, kAlphaBitFields = 6;
    uint64_t pixelBytes = imageSize;  // compressed data: as large as the header says
    if (compression == kRgb || compression == kBitFields || compression == kAlphaBitFields) {
        const uint64_t rowBytes = (std::abs(width) * bitsPerPixel + 31) / 32 * 4;
        pixelBytes = rowBytes * std::abs(height);
    }
    return uint64_t{pixelOffset} + pixelBytes <= n;
}

// A JPEG is whole when it ends with its end-of-image marker; zero fill after it is tolerated.
bool JpegIsComplete(const uint8_t* d, uint32_t n) {
    while (n > 0 && d[n - 1] == 0) --n;
    return n >= 4 && d[n - 2] == 0xFF && d[n - 1] == 0xD9;
}

QImage Read(const uint8_t* data, uint32_t size, FileKind kind) {
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly)) return {};
    QImageReader reader(&buffer, kind == FileKind::Bmp ? "bmp" : "jpeg");
    // Refused before any pixel memory is taken; a top-down BMP reports a negative height.
    const QSize declared = reader.size();
    const uint64_t pixels = uint64_t(std::abs(int64_t{declared.width()})) *
                            uint64_t(std::abs(int64_t{declared.height()}));
    if (pixels > kMaxDecodedPixels) return {};
    return reader.read();  // null on any decoder error or failed allocation
}

}  // namespace

bool DecodeImage(QImage& image, const uint8_t* data, uint32_t size) {
    image = QImage();
    if (data == nullptr || size == 0) return false;
    const FileKind kind = DetectKind(data, size);
    if (kind == FileKind::Unknown) return false;
    if (kind == FileKind::Bmp ? !BmpIsComplete(data, size) : !JpegIsComplete(data, size))
        return false;

    QImage decoded = Read(data, size, kind);
    if (decoded.isNull()) return false;
    if (decoded.depth() <= 8) {
        // Palette, greyscale and monochrome images become 32-bit with their palette colours.
        decoded = decoded.convertToFormat(QImage::Format_RGB32);
        if (decoded.isNull()) return false;
    }
    image = std::move(decoded);
    return true;
}
