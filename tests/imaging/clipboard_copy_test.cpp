#include "imaging/clipboard_copy.h"

#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// The copy of an image is checked through the main window's Copy command.
TEST(CopyImageToClipboard, WithoutAnImageTheClipboardIsEmptied) {
    QGuiApplication::clipboard()->setText(QStringLiteral("earlier"));
    ASSERT_TRUE(CopyImageToClipboard(QImage()));
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    EXPECT_TRUE(data == nullptr || (!data->hasImage() && !data->hasText()));
    EXPECT_TRUE(QGuiApplication::clipboard()->image().isNull());
}

}  // namespace
