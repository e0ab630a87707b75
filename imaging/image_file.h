#pragma once
// An acquired image as the scanner sent it, with what saving it needs: the file type of its bytes,
// the names saved copies get and the conversion to the other file types.

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>

enum class ImageFileType { None, Bmp, Jpeg, Png };

// One image as received: the bytes exactly as they came off the line, the decoded picture (the
// view shares it) and the local time the last byte arrived.
struct ReceivedImage {
    QImage picture;
    QByteArray bytes;
    ImageFileType type = ImageFileType::None;
    QDateTime arrival;
};

// BMP or JPEG by the bytes' signature, as the decoder recognises them; None otherwise.
ImageFileType ReceivedFileType(const QByteArray& bytes);

// "bmp", "jpg" or "png"; empty for None.
QString FileExtension(ImageFileType type);

// The type a file name's extension stands for (any case; "jpeg" as well); None for others.
ImageFileType TypeOfFileName(const QString& name);

// "veltor-YYYYMMDD-HHMMSS.<ext>": what Save proposes and what a dragged image is called.
QString SaveFileName(const QDateTime& arrival, ImageFileType type);

// "veltor-YYYYMMDD-HHMMSS-mmm": automatic saving's name before any "-2" and the extension.
QString AutoSaveStem(const QDateTime& arrival);

// The file `image` as `type` would have: `bytes` themselves when they already are that type,
// otherwise the decoded picture encoded anew (JPEG at quality 90). Empty when encoding fails.
QByteArray FileContents(const ReceivedImage& image, ImageFileType type);
