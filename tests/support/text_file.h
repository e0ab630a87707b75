#pragma once
// A whole file written or read in one go, as the settings tests look at the INI file.

#include <QByteArray>
#include <QFile>
#include <QString>

inline bool WriteWholeFile(const QString& path, const QByteArray& content) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// Empty when the file is missing or unreadable.
inline QByteArray ReadWholeFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
