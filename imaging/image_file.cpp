#include "imaging/image_file.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageWriter>

namespace {

const QString kPrefix = QStringLiteral("veltor-");
constexpr int kJpegQuality = 90;

const char* WriterFormat(ImageFileType type) {
    switch (type) {
        case ImageFileType::Bmp: return "bmp";
        case ImageFileType::Jpeg: return "jpeg";
        case ImageFileType::Png: return "png";
        case ImageFileType::None: break;
    }
    return nullptr;
}

}  // namespace

ImageFileType ReceivedFileType(const QByteArray& bytes) {
    if (bytes.startsWith("BM")) return ImageFileType::Bmp;
    if (bytes.startsWith("\xFF\xD8\xFF")) return ImageFileType::Jpeg;
    return ImageFileType::None;
}

QString FileExtension(ImageFileType type) {
    switch (type) {
        case ImageFileType::Bmp: return QStringLiteral("bmp");
        case ImageFileType::Jpeg: return QStringLiteral("jpg");
        case ImageFileType::Png: return QStringLiteral("png");
        case ImageFileType::None: break;
    }
    return {};
}

ImageFileType TypeOfFileName(const QString& name) {
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("bmp")) return ImageFileType::Bmp;
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return ImageFileType::Jpeg;
    if (suffix == QLatin1String("png")) return ImageFileType::Png;
    return ImageFileType::None;
}

QString SaveFileName(const QDateTime& arrival, ImageFileType type) {
    return kPrefix + arrival.toString(QStringLiteral("yyyyMMdd-HHmmss")) + QLatin1Char('.') +
           FileExtension(type);
}

QString AutoSaveStem(const QDateTime& arrival) {
    return kPrefix + arrival.toString(QStringLiteral("yyyyMMdd-HHmmss-zzz"));
}

QByteArray FileContents(const ReceivedImage& image, ImageFileType type) {
    if (type == ImageFileType::None) return {};
    if (type == image.type) return image.bytes;
    const char* format = WriterFormat(type);
    if (format == nullptr || image.picture.isNull()) return {};
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (type == ImageFileType::Jpeg) writer.setQuality(kJpegQuality);
    // A picture with an alpha mask loses it in JPEG and BMP, as the user would expect there.
    if (!writer.write(image.picture)) return {};
    return encoded;
}
