#include "imaging/clipboard_copy.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

TEST(CopyImageToClipboard, PutsTheFullSizeImageOnTheClipboard) {
    QImage image(1280, 1024, QImage::Format_RGB32);
    image.fill(qRgb(10, 200, 30));
    ASSERT_TRUE(CopyImageToClipboard(image));
    const QImage copied = QGuiApplication::clipboard()->image();
    EXPECT_EQ(copied.size(), QSize(1280, 1024));
    EXPECT_EQ(copied.pixel(640, 512) & 0xFFFFFFu, 0x0AC81Eu);
}

TEST(CopyImageToClipboard, WithoutAnImageTheClipboardIsEmptied) {
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    ASSERT_TRUE(CopyImageToClipboard(QImage()));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(data == nullptr || (!data->hasImage() && !data->hasText()));
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
}

}  // namespace
