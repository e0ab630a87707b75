#include "imaging/clipboard_copy.h"

#include <QClipboard>
#include <QGuiApplication>

bool CopyImageToClipboard(const QImage& image) {
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) return false;
    clipboard->clear();
    if (!image.isNull()) clipboard->setImage(image);
    return true;
}
